// The run: the order file, the hand-over to the forecaster and the whole cycle.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <algorithm>
#include <cerrno>

#include "prep/common/report.h"
#include "prep/config/build_variant.h"
#include "prep/config/config_file.h"
#include "prep/run/hand_over.h"
#include "prep/run/order_file.h"
#include "prep/run/order_file_names.h"
#include "prep/run/preprocessor_cycle.h"
#include "prep/run/xml_nesting.h"
#include "tests/prep/test_support.h"

namespace velk::prep {
namespace {

// <a>...</a> nested `depth` levels deep.
std::string nested(std::size_t depth) {
  std::string xml;
  for (std::size_t i = 0; i < depth; ++i) xml += "<a>";
  for (std::size_t i = 0; i < depth; ++i) xml += "</a>";
  return xml;
}

TEST(OrderFileWalk, FillsTheNameRecord) {
  const auto kp = [](const std::string& value) {
    return "<File><Name>filenameKp</Name><Value>" + value + "</Value></File>";
  };
  // The Kp name and the output directory a document gives, as "kp|dir"; the
  // other fields follow the same rules.
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
      // Fault guarded: markup as a value's first child was printed into the
      // field, naming a file "<x>" and breaking the report.
      {"<a>" + kp("<x><y/></x>") + "</a>", "|"},
      {"<a>" + kp("<!-- c -->B") + kp("A") + "</a>", "A|"},
      {"<a><Output><File_Name><d/>out/</File_Name></Output></a>", "|"},
  };
  for (const auto& [xml, expected] : cases) {
    TiXmlDocument document;
    document.Parse(xml.c_str(), nullptr, TIXML_ENCODING_UNKNOWN);
    ASSERT_FALSE(document.Error()) << document.ErrorDesc();
    const OrderFileNames names = order_file_names(document);
    EXPECT_EQ(names.kp + "|" + names.output_dir, expected) << xml;
  }
}

// Fault guarded: a path holding markup or a reference to a character XML
// forbids made the report unreadable as XML.
TEST(ReportText, KeepsTheReportWellFormed) {
  const std::pair<std::string, std::string> cases[] = {
      {"in/it&apos;s/&#38;&#x26;", "in/it&apos;s/&#38;&#x26;"},  // already written references stay
      {"a<b>&c", "a&lt;b&gt;&amp;c"},
      {"&#x1;&#xZZ;&bogus;&amp", "&amp;#x1;&amp;#xZZ;&amp;bogus;&amp;amp"},
      {std::string("a\nb\0c", 5), "a?b?c"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(report_text(text), expected) << text;
}

// The side file names each failed pair as a reader of the report finds its
// ErrorName (references resolved), so that the two can be matched; a pair
// that passed, or whose cause is unknown, has no line, and no tab or line end
// may split one.
TEST(ReportCauses, NameTheFailedPairsAsTheReportReadsThem) {
  Report report;
  EXPECT_EQ(report.causes_document(), "");
  report.record("Passed", "passed", 0, "not a failure");
  report.record("Unknown", "no cause", 1);
  report.record_download("Fetch", "http://h/a?x=1&y=2", false, "HTTP 404");
  report.record("Write", ReportPairs{{"in/it&apos;s", 1, "disk full while writing"},
                                     {"tab&#9;in", 1, "two\tlines\n"}});
  EXPECT_EQ(report.causes_document(),
            "File'http://h/a?x=1&y=2'download\tHTTP 404\n"
            "in/it's\tdisk full while writing\n"
            "tab in\ttwo lines \n");
}

TEST(ReportCauses, WriteFailuresAreNamedByTheirError) {
  const std::pair<int, const char*> cases[] = {
      {0, ""},
      {ENOSPC, "disk full while writing"},
      {EACCES, "permission denied while writing"},
      {EPERM, "permission denied while writing"},
      {EROFS, "read-only file system while writing"},
      {EFBIG, "file too large while writing"},
  };
  for (const auto& [error, cause] : cases) EXPECT_EQ(write_failure_cause(error), cause) << error;
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

// The last `count` pairs of the report in `path`, which must be closed.
std::vector<std::string> last_pairs(const std::string& path, std::size_t count) {
  const std::string report = read_file(path), closing = "</Errors>\n</Zuv_errorfile>\n";
  EXPECT_EQ(report.substr(report.size() - std::min(report.size(), closing.size())), closing);
  const std::vector<std::string> pairs = report_pairs(report);
  return {pairs.end() - static_cast<long>(std::min(count, pairs.size())), pairs.end()};
}

RunOutcome all_sources(const std::string& dst_path = "dst.asc") {
  return {
      0,
      {{"FNDST", dst_path}, {"FNKP", "kp.asc"}, {"FNMAG", "mag.asc"}, {"FNSWEPAM", "swepam.asc"}}};
}

TEST(HandOver, AllSourcesGiveTheConfigurationAndTheReport) {
  ScratchDir dir;
  Report report;
  // Fault guarded: a path of exactly 255 characters, the longest the
  // forecaster reads whole, was refused as too long.
  const std::string longest(241, 'x');  // with "in/o'brien" and ".asc": 255 characters
  finish_run(all_sources("in/o'brien" + longest + ".asc"), "out/fc", "errorfile.xml", report);
  // Fault guarded: an apostrophe in a path ended the text early and made the
  // whole group unreadable for the forecaster.
  EXPECT_EQ(
      read_file("velk_nrt.cfg"),
      config_file_text(build_variant(),
                       "FNDST='in/o''brien" + longest +
                           ".asc'\nFNKP='kp.asc'\nFNMAG='mag.asc'\n"
                           "FNSWEPAM='swepam.asc'\nFNMET='out/fc.xml'\nFNDAT='out/fc.asc'\n/\n"));
  EXPECT_EQ(read_file("errorfile.xml"), report.document());
}

// A run that writes no configuration keeps the old one, and the report in the
// working directory ends with why.
void expect_old_configuration_kept(const RunOutcome& outcome, const std::string& base,
                                   const char* report, rlim_t disk_room,
                                   const std::vector<std::string>& last) {
  ScratchDir dir;
  Report run_report;
  write_file("velk_nrt.cfg", "old");
  {
    FileSizeLimit full_disk(disk_room);
    finish_run(outcome, base, report, run_report);
  }
  EXPECT_EQ(read_file("velk_nrt.cfg"), "old");
  EXPECT_EQ(last_pairs("errorfile.xml", last.size()), last);
}

// Fault guarded: a path the forecaster would cut at 255 characters made it
// open the wrong file.
TEST(HandOver, OverlongPathWritesNoConfigurationAndSaysWhy) {
  const std::string base = "out/" + std::string(252, 'f');
  expect_old_configuration_kept(all_sources(), base, "errorfile.xml", RLIM_INFINITY,
                                {"ConfigFilePath '" + base + ".xml'longerThan255Characters 1",
                                 "ConfigFilePath '" + base + ".asc'longerThan255Characters 1"});
}

// Fault guarded: a configuration that could not be written (disk full) was
// not noticed, and a truncated one could replace the last good file.
TEST(HandOver, ConfigurationThatCannotBeWrittenIsReportedAndTheOldOneKept) {
  // Room for the report, not for the configuration.
  expect_old_configuration_kept(all_sources(), "fc", "errorfile.xml", 1024,
                                {"FileWrite 'velk_nrt.cfg'write 1"});
}

// Fault guarded: with an unusable output directory the report was lost and an
// older report there went on describing an earlier run.
TEST(HandOver, ReportThatCannotGoToTheOutputDirectoryGoesToTheWorkingOne) {
  RunOutcome dst_failed;
  dst_failed.add_source(1, "FNDST", "dst.asc");
  expect_old_configuration_kept(dst_failed, "fc", "missing/errorfile.xml", RLIM_INFINITY,
                                {"FileWrite 'missing/errorfile.xml'write 1"});
}

// A whole cycle over `order` without any upstream service: every transfer is
// refused. Returns the exit status.
int run_cycle(const std::string& order) {
  write_file("order.xml", order);
  std::string program = "nrtprep", order_path = "order.xml";
  char* argv[] = {program.data(), order_path.data(), nullptr};
  return run_preprocessor_cycle(2, argv);
}

TEST(Cycle, OrderFileThatCannotBeParsedSafelyEndsWithStatusOneAndAClosedReport) {
  const std::vector<std::string> not_read = {"OrderFileReading OderFileRead 1"};
  const std::vector<std::string> cut_character = {
      "OrderFileCharacters OrderFileEndsInsideCharacter 1", "OrderFileReading OderFileRead 1"};
  const std::string malformed = "OderFileRead\tnot well-formed XML\n",
                    too_deep = "OderFileRead\tnested deeper than 100 levels\n",
                    cut =
                        "OrderFileEndsInsideCharacter\tends inside a character\n"
                        "OderFileRead\tends inside a character\n";
  const struct {
    std::string order;
    std::vector<std::string> last;
    std::string causes;  // the side file beside the report
  } cases[] = {
      {"", not_read, malformed},
      {"<a><b></a>", not_read, malformed},
      // Fault guarded: an order file nested some ten thousand levels deep
      // crashed the run with a stack overflow instead of ending it with a report.
      {nested(kMaxOrderFileDepth + 1), not_read, too_deep},
      {nested(200000), not_read, too_deep},
      // Fault guarded: a file cut inside a multi-byte character made the
      // parser read past its buffer, and took these two for well-formed.
      {"<Order/>\n<!-- \xf0", cut_character, cut},
      {"<?xml version=\"1.0\xe9", cut_character, cut},
      // The cut character counts once line ends are normalised, and the text
      // ends at its first NUL, as the parser reads it.
      {"<Order/>\n<!-- \xe2\r\n", cut_character, cut},
      {std::string("<Order/>\n<!-- \xe2\0-->", 19), cut_character, cut},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.order.substr(0, 40));
    ScratchDir dir;
    write_file("velk_nrt.cfg", "old");
    EXPECT_EQ(run_cycle(c.order), 1);
    EXPECT_EQ(last_pairs("errorfile.xml", c.last.size()), c.last);
    EXPECT_EQ(read_file("errorfile.causes"), c.causes);
    EXPECT_EQ(read_file("velk_nrt.cfg"), "old");
    EXPECT_EQ(file_count("."),
              4);  // nothing was fetched: order file, configuration, report, causes
  }
}

// The deepest document still parsed, with no directory and no ACE names: the
// empty path is checked before each ACE download.
TEST(Cycle, EmptyDirectoryAndAceNamesCheckTheEmptyPathBeforeEachDownload) {
  ScratchDir dir;
  EXPECT_EQ(run_cycle(nested(kMaxOrderFileDepth)), 0);
  std::string pairs;
  for (const std::string& pair : report_pairs(read_file("errorfile.xml"))) pairs += pair + "\n";
  EXPECT_NE(pairs.find("OrderFileReading OderFileRead 0\n"), std::string::npos) << pairs;
  const std::size_t mag = pairs.find("FileRead ''read 1\nAceMagFileDownload ");
  EXPECT_NE(mag, std::string::npos) << pairs;
  EXPECT_NE(pairs.find("FileRead ''read 1\nAceSwepamFileDownload ", mag), std::string::npos);
  // Every upstream service refuses: the side file says so for each download.
  const std::string causes = read_file("errorfile.causes");
  EXPECT_NE(causes.find("File'ftp://127.0.0.1:1/pub/lists/ace2/"), std::string::npos) << causes;
  EXPECT_NE(causes.find("'download\tconnection refused\n"), std::string::npos) << causes;
}

}  // namespace
}  // namespace velk::prep
