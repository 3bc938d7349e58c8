#include <gtest/gtest.h>
#include <tinyxml.h>

#include "run/error_report.h"
#include "run/file_name_dir.h"
#include "run/order_file.h"
#include "run/xml_nesting.h"
#include "test_support.h"

namespace {

// The Kp name and the output directory a document gives, as "kp|dir"; the
// other fields follow the same rules.
std::string walk(const std::string& xml) {
  TiXmlDocument document;
  document.Parse(xml.c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
  EXPECT_FALSE(document.Error()) << document.ErrorDesc();
  FileName_Dir names;
  names.visitNode(&document, 0, FileName_Dir(names));
  names.Dir_corect();
  names.Name_corect();
  return names.getFile_NameKP() + "|" + names.getFile_DirOutput();
}

std::string kp(const std::string& value) {
  return "<File><Name>filenameKp</Name><Value>" + value + "</Value></File>";
}

TEST(OrderFileWalk, FillsTheNameRecord) {
  const std::pair<std::string, std::string> cases[] = {
      {"<a>" + kp(" my \n\t  file ") + "</a>", "my file|"},  // inner white space condensed
      // Which occurrence of a repeated key wins: a nested earlier one loses to a
      // later sibling, one below a later sibling is dropped, and a name without
      // a value keeps the earlier content.
      {"<a><g>" + kp("B") + "</g>" + kp("A") + "</a>", "A|"},
      {"<a>" + kp("A") + "<g>" + kp("B") + "</g></a>", "A|"},
      {"<a>" + kp("A") + "<File><Name>filenameKp</Name></File></a>", "A|"},
      // Empty elements leave their field unset.
      {"<a>" + kp("") + kp("A") + "</a>", "A|"},
      {"<a><Output><File_Name></File_Name></Output></a>", "|"},
  };
  for (const auto& [xml, expected] : cases) EXPECT_EQ(walk(xml), expected) << xml;
}

// The scan must never report less than the parser would reach, or a document
// it let through could still exhaust the stack.
TEST(NestingDepth, IsFoundWithoutParsing) {
  // Markup in comments and CDATA is no element.
  EXPECT_EQ(xml_nesting_depth("<a><!-- <b><b> --><![CDATA[<c><c>]]><!DOCTYPE x></a>"), 1u);
  // A quoted greater-than does not end the tag.
  EXPECT_EQ(xml_nesting_depth("<a x=\"/>\"><b y='>'><c></c><d/></b></a>"), 3u);
  // A processing instruction ends at its first greater-than.
  EXPECT_EQ(xml_nesting_depth("<?p > <a><b></b></a> ?>"), 2u);
}

// Fault guarded (the deep documents): an order file nested some ten thousand
// levels deep crashed the run with a stack overflow instead of being refused.
TEST(LoadData, RefusesWhatCannotBeParsedSafely) {
  ScratchDir dir;
  const auto nested = [](std::size_t depth) {
    std::string xml;
    for (std::size_t i = 0; i < depth; ++i) xml += "<a>";
    for (std::size_t i = 0; i < depth; ++i) xml += "</a>";
    return xml;
  };
  const std::pair<std::string, int> files[] = {{nested(kMaxOrderFileDepth), 0},
                                               {"", 1},
                                               {"<a><b></a>", 1},
                                               {nested(kMaxOrderFileDepth + 1), 1},
                                               {nested(200000), 1}};
  for (const auto& [content, value] : files) {
    write_file("order.xml", content);
    report_reset();
    TiXmlDocument document;
    EXPECT_EQ(loadData("order.xml", document), value == 0) << content.substr(0, 40);
    EXPECT_EQ(report_pairs(error_file),
              (std::vector<ReportPair>{{"OrderFileReading", "OderFileRead", value}}));
  }
}

}  // namespace
