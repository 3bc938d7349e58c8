#include "run/preprocessor_cycle.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "config/build_variant.h"
#include "config/config_file.h"
#include "loopback_http.h"
#include "run/error_report.h"
#include "run/input_paths.h"
#include "test_settings.h"
#include "test_support.h"

namespace {

std::string two(int n) {
  return (n < 10 ? "0" : "") + std::to_string(n);
}

std::string dst_month(int yy, int mm, int days) {
  std::string text;
  for (int day = 1; day <= days; ++day) {
    text +=
        "DST" + two(yy) + two(mm) + "*" + two(day) + "RRX020   0" + std::string(100, '9') + "\n";
  }
  return text + "\n[Created at Fri Mar 15 18:40:00 UTC 2013]\n";
}

std::string kp_month(int yy, int mm, int days) {
  std::string text;
  for (int day = 1; day <= days; ++day)
    text += two(yy) + two(mm) + two(day) + std::string(56, '1') + "\n";
  return text;
}

// An assembled ACE MAG input file that the existing-file check accepts.
std::string usable_mag_file() {
  std::string text = "#h1\n#h2\n#h3\n#" + std::string(84, '-') + "\n";
  for (int i = 0; i < 40; ++i) text += "2013 03 01" + std::string(75, ' ') + "\n";
  return text;
}

int run(std::vector<std::string> args) {
  args.insert(args.begin(), "nrtprep");
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  report_reset();
  return run_preprocessor_cycle(static_cast<int>(args.size()), argv.data());
}

std::vector<ReportPair> report_in(const std::string& path) {
  return report_pairs(read_file(path));
}

// All cycles run in March 2013, in a scratch directory, with the Dst and Kp
// services on a loopback server and the ACE service refusing connections.
class Cycle : public ::testing::Test {
 protected:
  Cycle() : clock_(2013, 3, 15, 18, 40) {
    server_.set("/dst_realtime/201303/dst1303.for.request", {200, dst_month(13, 3, 15), "", false});
    server_.set("/dst_realtime/201302/dst1302.for.request", {200, dst_month(13, 2, 28), "", false});
    server_.set("/kp_index/qlyymm.wdc", {200, kp_month(13, 3, 14), "", false});
    server_.set("/kp_index/pqlyymm.wdc", {200, kp_month(13, 2, 28), "", false});
    set_test_hosts(server_.host(), server_.host(), "127.0.0.1:1");
    ::mkdir("in", 0755);
    ::mkdir("out", 0755);
    write_file("in/mag.asc", usable_mag_file());
    write_file("in/swepam.asc", usable_mag_file());
  }
  ~Cycle() override {
    set_test_hosts("127.0.0.1:1", "127.0.0.1:1", "127.0.0.1:1");
    set_test_variant("ap");
  }

  std::string order(const std::string& output_name, const std::string& input_dir = "in/") {
    return "<?xml version=\"1.0\"?>\n<Order>\n"
           "<File><Name>filenameDst</Name><Value>dst.asc</Value></File>\n"
           "<File><Name>filenameKp</Name><Value>kp.asc</Value></File>\n"
           "<File><Name>filenameAceMag</Name><Value>mag.asc</Value></File>\n"
           "<File><Name>filenameAceSwepam</Name><Value>swepam.asc</Value></File>\n"
           "<File><Name>filenameOutfile</Name><Value>" +
           output_name +
           "</Value></File>\n"
           "<Dirs><Input><File_Name>" +
           input_dir +
           "</File_Name></Input>"
           "<Output><File_Name>out/</File_Name></Output></Dirs>\n</Order>\n";
  }

  ScratchDir dir_;
  FixedClock clock_;
  LoopbackHttp server_;
};

const char kOrderBlock[] =
    "FNDST='in/dst.asc'\nFNKP='in/kp.asc'\nFNMAG='in/mag.asc'\nFNSWEPAM='in/swepam.asc'\n"
    "FNMET='out/fc.xml'\nFNDAT='out/fc.asc'\n/\n";

TEST_F(Cycle, OrderFileRunWritesInputsReportAndConfiguration) {
  for (const BuildVariant& variant : kBuildVariants) {
    set_test_variant(variant.name);
    write_file("order.xml", order("fc"));
    EXPECT_EQ(run({"order.xml"}), 0);
    EXPECT_EQ(read_file("velk_nrt.cfg"), config_file_text(variant, kOrderBlock)) << variant.name;
    EXPECT_EQ(read_file("in/kp.asc"), kp_month(13, 2, 28) + kp_month(13, 3, 14) + "\n");
    const auto pairs = report_in("out/errorfile.xml");
    ASSERT_GE(pairs.size(), 3u);
    EXPECT_EQ(pairs[2], (ReportPair{"OrderFileReading", "OderFileRead", 0}));
    EXPECT_EQ(pairs[pairs.size() - 3], (ReportPair{"FileRead", "'in/swepam.asc'read", 0}));
    for (const ReportPair& pair : pairs) EXPECT_EQ(pair.value, 0) << pair;
    EXPECT_FALSE(file_exists("errorfile.xml"));
  }
}

TEST_F(Cycle, FailedSourceLeavesTheOldConfigurationInPlace) {
  server_.set("/kp_index/pqlyymm.wdc", {404, "<html>gone</html>\n", "", false});
  write_file("velk_nrt.cfg", "old");
  write_file("order.xml", order("fc"));
  EXPECT_EQ(run({"order.xml"}), 0);
  EXPECT_EQ(read_file("velk_nrt.cfg"), "old");
  EXPECT_FALSE(file_exists("in/kp.asc"));
  EXPECT_TRUE(file_exists("in/dst.asc"));
}

// Fault guarded: a path the forecaster would cut at 255 characters made it
// open the wrong file.
TEST_F(Cycle, OverlongPathWritesNoConfigurationAndSaysWhy) {
  const std::string name(300, 'f');
  write_file("order.xml", order(name));
  EXPECT_EQ(run({"order.xml"}), 0);
  EXPECT_FALSE(file_exists("velk_nrt.cfg"));
  const std::string report = read_file("out/errorfile.xml");
  auto record = [&](const char* extension) {
    return "<Step>\n<StepName>ConfigFilePath</StepName>\n<ErrorName>'out/" + name + extension +
           "'longerThan255Characters</ErrorName>\n<Value>1</Value>\n</Step>\n";
  };
  const std::string records = record(".xml") + record(".asc");
  // The record stands just before the closing lines.
  EXPECT_EQ(report.substr(report.size() - records.size() - 27),
            records + "</Errors>\n</Zuv_errorfile>\n");
}

TEST_F(Cycle, NoArgumentRunUsesDefaultNamesInTheWorkingDirectory) {
  ::mkdir("empty", 0755);
  ASSERT_EQ(::chdir("empty"), 0);
  EXPECT_EQ(run({}), 0);
  const auto pairs = report_in("errorfile.xml");
  ASSERT_FALSE(pairs.empty());
  EXPECT_EQ(pairs[0], (ReportPair{"OrderFileInDir", "InputFile", 1}));
  // Dst and Kp came in; ACE did not, so there is no configuration.
  EXPECT_TRUE(file_exists("dst-rt-2013_073_18_40.asc"));
  EXPECT_TRUE(file_exists("kp-rt-2013_073_18_40.asc"));
  EXPECT_FALSE(file_exists("velk_nrt.cfg"));
  EXPECT_EQ(directory_entries(".").size(), 3u);
  EXPECT_EQ(
      read_file("errorfile.xml").rfind("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n", 0), 0u);
  ASSERT_EQ(::chdir(".."), 0);
}

TEST_F(Cycle, TwoArgumentsAreTreatedAsNone) {
  write_file("order.xml", order("fc"));
  EXPECT_EQ(run({"order.xml", "extra"}), 0);
  EXPECT_EQ(report_in("errorfile.xml")[0], (ReportPair{"OrderFileInDir", "InputFile", 1}));
  EXPECT_FALSE(file_exists("out/errorfile.xml"));
}

TEST_F(Cycle, MissingOrderFileFallsBackToTheDefaultRun) {
  EXPECT_EQ(run({"absent.xml"}), 0);
  const auto pairs = report_in("errorfile.xml");
  ASSERT_GE(pairs.size(), 3u);
  EXPECT_EQ(pairs[0], (ReportPair{"OrderFileInDir", "InputFile", 0}));
  EXPECT_EQ(pairs[1], (ReportPair{"OrderFileExist", "InputFileExist", 1}));
  EXPECT_EQ(pairs[2].step, "DSTFileDownload");
}

// Fault guarded: an unparsable order file ended the run without any report,
// leaving the operator nothing that says why.
TEST_F(Cycle, UnparsableOrderFileEndsWithStatusOneAndAReport) {
  write_file("velk_nrt.cfg", "old");
  write_file("order.xml", "<Order><File>");
  EXPECT_EQ(run({"order.xml"}), 1);
  EXPECT_EQ(read_file("errorfile.xml"), error_file);
  EXPECT_EQ(report_in("errorfile.xml"),
            (std::vector<ReportPair>{{"OrderFileInDir", "InputFile", 0},
                                     {"OrderFileExist", "InputFileExist", 0},
                                     {"OrderFileReading", "OderFileRead", 1}}));
  const std::string report = read_file("errorfile.xml");
  EXPECT_EQ(report.substr(report.size() - 27), "</Errors>\n</Zuv_errorfile>\n");
  EXPECT_EQ(read_file("velk_nrt.cfg"), "old");
  EXPECT_FALSE(file_exists("Dst_present.txt"));
  EXPECT_FALSE(file_exists("dst.asc"));
}

TEST_F(Cycle, EmptyDirectoryAndAceNamesCheckTheEmptyPathFirst) {
  write_file("order.xml", "<Order/>");
  EXPECT_EQ(run({"order.xml"}), 0);
  const auto pairs = report_in("errorfile.xml");
  std::vector<std::string> steps;
  for (const ReportPair& pair : pairs) steps.push_back(pair.step + ":" + pair.error);
  const auto mag_check = std::find(steps.begin(), steps.end(), "FileRead:''read");
  ASSERT_NE(mag_check, steps.end());
  EXPECT_EQ((mag_check + 1)->rfind("AceMagFileDownload:", 0), 0u);
}

struct PathCase {
  const char* name;
  const char* dir;
  const char* file;
  const char* index_path;
  const char* ace_path;
  const char* forecast_path;
};

class OrderRunPaths : public ::testing::TestWithParam<PathCase> {};

TEST_P(OrderRunPaths, FollowWhatTheOrderFileGave) {
  const PathCase& c = GetParam();
  EXPECT_EQ(index_input_path(c.dir, c.file, "default"), c.index_path);
  EXPECT_EQ(ace_download_path(c.dir, c.file, "default"), c.ace_path);
  EXPECT_EQ(forecast_base_path(c.dir, c.file, "default"), c.forecast_path);
}

INSTANTIATE_TEST_SUITE_P(
    Table, OrderRunPaths,
    ::testing::Values(PathCase{"Both", "d/", "f", "d/f", "d/f", "d/f"},
                      PathCase{"NameOnly", "", "f", "default", "f", "f"},
                      // A directory without a name falls back to the default
                      // name for ACE as it does for Dst and Kp.
                      PathCase{"DirectoryOnly", "d/", "", "default", "default", "default"},
                      PathCase{"Neither", "", "", "default", "default", "default"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
