#include "run/error_report.h"

#include <gtest/gtest.h>

namespace {

TEST(ErrorReport, StartReplacesTheTextWithTheHeader) {
  error_file = "left over from before";
  report_start();
  EXPECT_EQ(error_file,
            "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
            "<Zuv_errorfile>\n"
            "<filename>Preprocessing error file</filename>\n"
            "<productname>Geomagnetic forecast preprocessing module</productname>\n"
            "<stationname>diverse global</stationname>\n"
            "<code>L2</code>\n"
            "<project>KORVELT</project>\n"
            "<Errors>\n");
}

TEST(ErrorReport, RecordsAndClosingLinesAreAppendedInOrder) {
  report_reset();
  report_record("OrderFileInDir", "InputFile", 1);
  report_open_step("FileAnalysis");
  report_pair("FileStructure", 0);
  report_pair("FileDate", 1);
  report_close_step();
  report_close();
  EXPECT_EQ(error_file,
            "<Step>\n<StepName>OrderFileInDir</StepName>\n"
            "<ErrorName>InputFile</ErrorName>\n<Value>1</Value>\n</Step>\n"
            "<Step>\n<StepName>FileAnalysis</StepName>\n"
            "<ErrorName>FileStructure</ErrorName>\n<Value>0</Value>\n"
            "<ErrorName>FileDate</ErrorName>\n<Value>1</Value>\n</Step>\n"
            "</Errors>\n</Zuv_errorfile>\n");
}

}  // namespace
