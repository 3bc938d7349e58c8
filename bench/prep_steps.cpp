// bench_prep_steps: separates the preprocessor cycle's processing from its
// transfers, with the clock pinned to 2023-04-21 08:30 UT (the recorded
// 2023-03 and 2023-04 months are then the previous and the current month).
//
//   bench_prep_steps processing REPEATS
//   bench_prep_steps transfers REPEATS
//
// Both fetch from the bench's loopback servers (the transfers accept no
// file:// URL, so local files cannot stand in for them).
// processing: runs the library's four acquisitions, so that every step after
// the transfer is the library's own code, and times the same eight downloads
// alone; their difference is the processing. The closing steps (report and
// configuration file) are timed on their own.
// transfers: the eight downloads alone (header probe and fetch).
//
// Works in the current directory, which should be a scratch directory. Prints
// "name milliseconds" lines, medians over REPEATS passes.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "common/program_info.h"
#include "prep/acquire/ace_acquisition.h"
#include "prep/acquire/dst_acquisition.h"
#include "prep/acquire/kp_acquisition.h"
#include "prep/acquire/month_url.h"
#include "prep/acquire/transfer.h"
#include "prep/acquire/upstream_urls.h"
#include "prep/common/date_stamps.h"
#include "prep/common/file_helpers.h"
#include "prep/common/report.h"
#include "prep/config/build_variant.h"
#include "prep/config/config_file.h"

namespace {

using Clock = std::chrono::steady_clock;

std::time_t pinned_moment() {
  std::tm t{};
  t.tm_year = 2023 - 1900;
  t.tm_mon = 3;  // April
  t.tm_mday = 21;
  t.tm_hour = 8;
  t.tm_min = 30;
  return timegm(&t);
}

double time_ms(const std::function<void()>& work) {
  const auto start = Clock::now();
  work();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

// The two URLs (current month, previous month) of each source.
struct SourceUrls {
  std::string dst_present, dst_last, kp_present, kp_last;
  std::string mag_present, mag_last, swepam_present, swepam_last;

  std::vector<std::string> all() const {
    return {dst_present, dst_last, kp_present,     kp_last,
            mag_present, mag_last, swepam_present, swepam_last};
  }
};

SourceUrls loopback_urls() {
  const std::tm now = utc_now();
  const MonthUrls dst = month_urls(dst_url_pattern(), dst_url_pattern(), now);
  const MonthUrls kp = month_urls(kp_url_pattern(), kp_previous_url_pattern(), now);
  const MonthUrls mag = month_urls(ace_mag_url_pattern(), ace_mag_url_pattern(), now);
  const MonthUrls swepam = month_urls(ace_swepam_url_pattern(), ace_swepam_url_pattern(), now);
  return {dst.present, dst.last, kp.present,     kp.last,
          mag.present, mag.last, swepam.present, swepam.last};
}

// The eight downloads alone; returns how many failed.
int download_all(const SourceUrls& urls) {
  int failed = 0;
  int i = 0;
  for (const std::string& url : urls.all()) {
    const std::string local = "transfer_" + std::to_string(i++) + ".txt";
    data_file_downloadftp(url, local);
    if (!file_opens_for_reading(local)) ++failed;
    remove_file(local);
  }
  return failed;
}

const char* const kInputNames[4] = {"dst.asc", "kp.asc", "mag.asc", "swepam.asc"};

// The four acquisitions of a cycle; returns the sum of their failure counts.
int acquire_all(const SourceUrls& urls) {
  return dst_acquisition(kInputNames[0], urls.dst_present, urls.dst_last) +
         kp_acquisition(kInputNames[1], urls.kp_present, urls.kp_last) +
         ace_acquisition(kAceMag, kInputNames[2], urls.mag_present, urls.mag_last, false) +
         ace_acquisition(kAceSwepam, kInputNames[3], urls.swepam_present, urls.swepam_last, false);
}

// What a cycle does after its acquisitions: close and write the report, then
// the configuration file.
void finish_cycle() {
  std::string block;
  const char* keys[4] = {"FNDST", "FNKP", "FNMAG", "FNSWEPAM"};
  for (int i = 0; i < 4; ++i) block += file_name_line(keys[i], kInputNames[i]);
  block += file_name_line("FNMET", "fc.xml") + file_name_line("FNDAT", "fc.asc") + "/\n";
  velk::write_file_atomically(report_document(), "errorfile.xml");
  CongFileCreation(block, "velk_nrt.cfg");
}

int processing(int repeats) {
  const SourceUrls urls = loopback_urls();
  std::vector<double> acquire, copies, finish;
  for (int r = 0; r < repeats; ++r) {
    report_start();
    int failures = 0;
    acquire.push_back(time_ms([&] { failures = acquire_all(urls); }));
    finish.push_back(time_ms(finish_cycle));
    if (failures != 0) {
      std::cerr << "bench_prep_steps: the acquisitions reported " << failures
                << " failures; see errorfile.xml\n";
      return 1;
    }
    report_start();
    int failed = 0;
    copies.push_back(time_ms([&] { failed = download_all(urls); }));
    if (failed != 0) {
      std::cerr << "bench_prep_steps: " << failed << " downloads failed\n";
      return 1;
    }
  }
  const double a = median(acquire), c = median(copies), f = median(finish);
  std::printf("acquisitions_local %.3f\nlocal_copies %.3f\nprocessing %.3f\nfinish %.3f\n", a, c,
              a - c + f, f);
  return 0;
}

int transfers(int repeats) {
  const SourceUrls urls = loopback_urls();
  std::vector<double> times;
  for (int r = 0; r < repeats; ++r) {
    report_start();
    int failed = 0;
    times.push_back(time_ms([&] { failed = download_all(urls); }));
    if (failed != 0) {
      std::cerr << "bench_prep_steps: " << failed << " loopback downloads failed\n";
      return 1;
    }
  }
  std::printf("transfers %.3f\n", median(times));
  return 0;
}

int usage() {
  std::cerr << "usage: bench_prep_steps processing REPEATS\n"
               "       bench_prep_steps transfers REPEATS\n";
  return velk::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  set_clock_source([] { return pinned_moment(); });
  const std::string mode = argv[1];
  const int repeats = std::atoi(argv[argc - 1]);
  if (repeats < 1 || repeats > 10000) return usage();
  if (mode == "processing" && argc == 3) return processing(repeats);
  if (mode == "transfers" && argc == 3) return transfers(repeats);
  return usage();
}
