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

}  // namespace
