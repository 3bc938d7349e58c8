#include <gtest/gtest.h>
#include <tinyxml.h>

#include "run/error_report.h"
#include "run/file_name_dir.h"
#include "run/order_file.h"
#include "test_support.h"

namespace {

struct Fields {
  std::string mag, swepam, dst, kp, output, dir_input, dir_output;
  bool operator==(const Fields& o) const {
    return mag == o.mag && swepam == o.swepam && dst == o.dst && kp == o.kp && output == o.output &&
           dir_input == o.dir_input && dir_output == o.dir_output;
  }
};

std::ostream& operator<<(std::ostream& out, const Fields& f) {
  return out << "{mag=" << f.mag << " swepam=" << f.swepam << " dst=" << f.dst << " kp=" << f.kp
             << " output=" << f.output << " in=" << f.dir_input << " out=" << f.dir_output << "}";
}

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
  Fields f;
  f.kp = kp;
  return f;
}

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
        WalkCase{"AllFields",
                 "<?xml version=\"1.0\"?><Order>" + entry("filenameAceMag", "mag.asc") +
                     entry("filenameAceSwepam", "swe.asc") + entry("filenameDst", "dst.asc") +
                     entry("filenameKp", "kp.asc") + entry("filenameOutfile", "fc") +
                     "<Dirs><Input><File_Name>in/</File_Name></Input>"
                     "<Output><File_Name>out/</File_Name></Output></Dirs></Order>",
                 {"mag.asc", "swe.asc", "dst.asc", "kp.asc", "fc", "in/", "out/"}},
        WalkCase{"DeeplyNestedEntry", "<a><b><c>" + entry("filenameKp", "k") + "</c></b></a>",
                 kp_only("k")},
        WalkCase{"SpacesAroundTheKey",
                 "<a><File><Name>\n  filenameKp  </Name><Value>k</Value></File></a>", kp_only("k")},
        WalkCase{"KeyInOtherCaseIsIgnored", "<a>" + entry("FilenameKp", "k") + "</a>", Fields{}},
        WalkCase{"InnerWhiteSpaceCondensed",
                 "<a>" + entry("filenameKp", " my \n\t  file ") + "</a>", kp_only("my file")},
        WalkCase{"EntitiesEncodedAgain", "<a>" + entry("filenameKp", "a&amp;b&lt;c") + "</a>",
                 kp_only("a&amp;b&lt;c")},
        WalkCase{"CdataKeepsItsMarkup", "<a>" + entry("filenameKp", "<![CDATA[k]]>") + "</a>",
                 kp_only("<![CDATA[k]]>")},
        WalkCase{"DirectoryWithoutSlashKeptAsGiven",
                 "<a><Input><File_Name>data</File_Name></Input></a>",
                 Fields{"", "", "", "", "", "data", ""}},
        WalkCase{"NoRecognisedElements", "<a><b>text</b><Name>filenameKp</Name></a>", Fields{}},
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
        WalkCase{"NestedInsideTheEntryItselfIsDropped",
                 "<a><File><Name>filenameKp</Name><Value>A</Value>" + entry("filenameKp", "B") +
                     "</File></a>",
                 kp_only("A")},
        WalkCase{"OnlyTheFirstNameAndValueOfAnElementCount",
                 "<a><File><Name>filenameKp</Name><Name>filenameDst</Name>"
                 "<Value>A</Value><Value>B</Value></File></a>",
                 kp_only("A")},
        WalkCase{"NameWithoutValueKeepsTheEarlierContent",
                 "<a>" + entry("filenameKp", "A") + "<File><Name>filenameKp</Name></File></a>",
                 kp_only("A")},
        WalkCase{"RepeatedInputDirectoryFirstWins",
                 "<a><Input><File_Name>one/</File_Name></Input>"
                 "<Input><File_Name>two/</File_Name></Input></a>",
                 Fields{"", "", "", "", "", "one/", ""}},
        WalkCase{"InputChildWithoutFileNameKeepsTheEarlierDirectory",
                 "<a><x><Input><File_Name>one/</File_Name></Input></x><y><Input/></y></a>",
                 Fields{"", "", "", "", "", "one/", ""}},
        // Empty elements leave their field unset.
        WalkCase{"EmptyValue", "<a>" + entry("filenameKp", "") + "</a>", Fields{}},
        WalkCase{"EmptyValueAfterAGivenOne",
                 "<a>" + entry("filenameKp", "") + entry("filenameKp", "A") + "</a>", kp_only("A")},
        WalkCase{"EmptyName", "<a><File><Name/><Value>A</Value></File></a>", Fields{}},
        WalkCase{"EmptyFileName", "<a><Output><File_Name></File_Name></Output></a>", Fields{}},
        WalkCase{"ElementAsValueKeepsItsFirstLine",
                 "<a>" + entry("filenameKp", "<b>x</b>") + "</a>", kp_only("<b>x</b>")}),
    [](const auto& info) { return info.param.name; });

TEST(LoadData, WellFormedFileIsParsedAndRecorded) {
  ScratchDir dir;
  write_file("order.xml", "<a>" + entry("filenameKp", "k") + "</a>");
  report_reset();
  TiXmlDocument document;
  EXPECT_TRUE(loadData("order.xml", document));
  EXPECT_EQ(report_pairs(error_file),
            (std::vector<ReportPair>{{"OrderFileReading", "OderFileRead", 0}}));
}

TEST(LoadData, EmptyOrUnclosedFileFails) {
  ScratchDir dir;
  for (const std::string content : {"", "<a><b></a>", "not xml at all"}) {
    write_file("order.xml", content);
    report_reset();
    TiXmlDocument document;
    EXPECT_FALSE(loadData("order.xml", document)) << content;
    EXPECT_EQ(report_pairs(error_file),
              (std::vector<ReportPair>{{"OrderFileReading", "OderFileRead", 1}}));
  }
}

}  // namespace
