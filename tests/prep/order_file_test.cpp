#include <gtest/gtest.h>
#include <tinyxml.h>

#include "run/error_report.h"
#include "run/file_name_dir.h"
#include "run/order_file.h"
#include "run/xml_nesting.h"
#include "test_support.h"

namespace {

// The seven fields: ACE MAG, ACE SWEPAM, Dst, Kp, output, input dir, output dir.
using Fields = std::vector<std::string>;

Fields walk(const std::string& xml) {
  TiXmlDocument document;
  document.Parse(xml.c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
  EXPECT_FALSE(document.Error()) << document.ErrorDesc();
  FileName_Dir names;
  names.visitNode(&document, 0, FileName_Dir(names));
  names.Dir_corect();
  names.Name_corect();
  return {names.getFile_NameACEMAG(), names.getFile_NameACESWEPAM(),  names.getFile_NameDST(),
          names.getFile_NameKP(),     names.getFile_NameOutputfile(), names.getFile_DirInput(),
          names.getFile_DirOutput()};
}

std::string entry(const std::string& key, const std::string& value) {
  return "<File><Name>" + key + "</Name><Value>" + value + "</Value></File>";
}

Fields kp_only(const std::string& kp) {
  return {"", "", "", kp, "", "", ""};
}
const Fields kNothing(7);

struct WalkCase {
  const char* name;
  std::string xml;
  Fields expected;
};

class OrderFileWalk : public ::testing::TestWithParam<WalkCase> {};

TEST_P(OrderFileWalk, FillsTheNameRecord) {
  EXPECT_EQ(walk(GetParam().xml), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Documents, OrderFileWalk,
    ::testing::Values(
        WalkCase{"SpacesAroundTheKey",
                 "<a><File><Name>\n  filenameKp  </Name><Value>k</Value></File></a>", kp_only("k")},
        WalkCase{"KeyInOtherCaseIsIgnored", "<a>" + entry("FilenameKp", "k") + "</a>", kNothing},
        WalkCase{"InnerWhiteSpaceCondensed",
                 "<a>" + entry("filenameKp", " my \n\t  file ") + "</a>", kp_only("my file")},
        WalkCase{"EntitiesEncodedAgain", "<a>" + entry("filenameKp", "a&amp;b&lt;c") + "</a>",
                 kp_only("a&amp;b&lt;c")},
        // Which occurrence of a repeated key wins.
        WalkCase{"LaterSiblingIsDropped",
                 "<a>" + entry("filenameKp", "A") + entry("filenameKp", "B") + "</a>",
                 kp_only("A")},
        WalkCase{"NestedEarlierOccurrenceLosesToLaterSibling",
                 "<a><g>" + entry("filenameKp", "B") + "</g>" + entry("filenameKp", "A") + "</a>",
                 kp_only("A")},
        WalkCase{"BelowALaterSiblingIsDropped",
                 "<a>" + entry("filenameKp", "A") + "<g>" + entry("filenameKp", "B") + "</g></a>",
                 kp_only("A")},
        WalkCase{"NameWithoutValueKeepsTheEarlierContent",
                 "<a>" + entry("filenameKp", "A") + "<File><Name>filenameKp</Name></File></a>",
                 kp_only("A")},
        // Empty elements leave their field unset.
        WalkCase{"EmptyValueThenAGivenOne",
                 "<a>" + entry("filenameKp", "") + entry("filenameKp", "A") + "</a>", kp_only("A")},
        WalkCase{"EmptyFileName", "<a><Output><File_Name></File_Name></Output></a>", kNothing}),
    [](const auto& info) { return info.param.name; });

struct DepthCase {
  const char* name;
  std::string xml;
  std::size_t depth;
};

class NestingDepth : public ::testing::TestWithParam<DepthCase> {};

// The scan must never report less than the parser would reach, or a document
// it let through could still exhaust the stack.
TEST_P(NestingDepth, IsFoundWithoutParsing) {
  EXPECT_EQ(xml_nesting_depth(GetParam().xml), GetParam().depth);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, NestingDepth,
    ::testing::Values(DepthCase{"MarkupInCommentsAndCdataIsNoElement",
                                "<a><!-- <b><b> --><![CDATA[<c><c>]]><!DOCTYPE x></a>", 1},
                      DepthCase{"QuotedGreaterThanDoesNotEndTheTag",
                                "<a x=\"/>\"><b y='>'><c></c><d/></b></a>", 3},
                      DepthCase{"ProcessingInstructionEndsAtItsFirstGreaterThan",
                                "<?p > <a><b></b></a> ?>", 2}),
    [](const auto& info) { return info.param.name; });

std::string nested(std::size_t depth) {
  std::string xml;
  for (std::size_t i = 0; i < depth; ++i) xml += "<a>";
  for (std::size_t i = 0; i < depth; ++i) xml += "</a>";
  return xml;
}

// Fault guarded (the deep documents): an order file nested some ten thousand
// levels deep crashed the run with a stack overflow instead of being refused.
TEST(LoadData, RefusesWhatCannotBeParsedSafely) {
  ScratchDir dir;
  const std::pair<std::string, int> files[] = {{nested(kMaxOrderFileDepth), 0},
                                               {"", 1},
                                               {"<a><b></a>", 1},
                                               {"not xml", 1},
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
