// velk_status: writes status.json and index.html for the cycle that the cycle
// script just ran, in the current directory, and prints its log line.
#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <map>
#include <set>
#include <string>

#include "common/program_info.h"
#include "common/whole_file.h"
#include "status/cycle_status.h"
#include "status/status_page.h"

namespace {

const char kProgram[] = "velk_status";
const char* const kUsage =
    "Usage: velk_status --time UTC --variant V --outcome NAME --exit N [--order-file]\n"
    "                   [--message TEXT] [--report FILE] [--table FILE --metadata FILE]\n"
    "                   [--picture FILE] [--ace-mag FILE] [--ace-swepam FILE] [--dst FILE]\n"
    "                   [--kp FILE] [--stale-hours H] [--alert-file FILE]\n"
    "Writes status.json and index.html in the current directory (each replaced\n"
    "atomically), then prints the cycle's log line. The input files named give\n"
    "the newest row of each input; the previous status.json tells how long each\n"
    "newest row has not advanced (stale after H hours, default 3) and which was\n"
    "the last good forecast. A forecast's hours to come are kept in\n"
    ".forecast-ledger and scored once observed. --alert-file writes the storm\n"
    "levels this cycle's forecasts reach as one line of JSON (only after a\n"
    "forecast). Exit status 0; 1 when a file could not be written (no log line);\n"
    "64 on bad usage.\n"
    "velk_status --help or --version (alone) prints this text or the version.\n";

const std::set<std::string> kValueOptions = {
    "--time",       "--variant", "--outcome",     "--exit",    "--message",
    "--report",     "--table",   "--metadata",    "--picture", "--ace-mag",
    "--ace-swepam", "--dst",     "--stale-hours", "--kp",      "--alert-file"};

constexpr std::size_t kMaxPictureBytes = std::size_t{8} << 20;

// The previous cycle's status, or null: a missing or damaged one only means
// that nothing is carried on.
nlohmann::ordered_json previous_status() {
  std::string text;
  if (!velk::read_whole_file("status.json", velk::kMaxTextBytes, text)) return nullptr;
  auto status = nlohmann::ordered_json::parse(text, nullptr, false);
  return status.is_object() ? status : nlohmann::ordered_json(nullptr);
}

std::string last_good_picture(const nlohmann::ordered_json& status) {
  const auto good = status.find("last_good_forecast");
  if (good == status.end() || !good->is_object()) return "";
  const auto picture = good->find("picture");
  if (picture == good->end() || !picture->is_string()) return "";
  // Only a picture of the working directory: the name may come from an older
  // status.json, and the page is served to others.
  const std::string name = picture->get<std::string>();
  std::string bytes;
  if (name.empty() || name.find('/') != std::string::npos ||
      !velk::read_whole_file(name, kMaxPictureBytes, bytes) ||
      bytes.compare(0, 4, "\x89PNG") != 0) {
    return "";
  }
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  if (const auto status =
          velk::answer_information_request(argc, argv, kProgram, kUsage, std::cout)) {
    return *status;
  }
  std::map<std::string, std::string> values;
  bool order_file_given = false;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--order-file") {
      order_file_given = true;
    } else if (kValueOptions.count(option) != 0 && i + 1 < argc) {
      values[option.substr(2)] = argv[++i];
    } else {
      return velk::usage_error(kProgram, "bad argument '" + option + "'", kUsage, std::cerr);
    }
  }
  for (const char* required : {"time", "variant", "outcome", "exit"}) {
    if (values.count(required) == 0) {
      return velk::usage_error(kProgram, std::string("--") + required + " is missing", kUsage,
                               std::cerr);
    }
  }
  velk_status::CycleRun run;
  run.time = values["time"];
  run.variant = values["variant"];
  run.outcome = values["outcome"];
  char* end = nullptr;
  const long exit_status = std::strtol(values["exit"].c_str(), &end, 10);
  if (values["exit"].empty() || *end != '\0' || exit_status < 0 || exit_status > 255) {
    return velk::usage_error(kProgram,
                             "--exit needs an exit status 0..255, not '" + values["exit"] + "'",
                             kUsage, std::cerr);
  }
  run.exit_status = static_cast<int>(exit_status);
  run.order_file_given = order_file_given;
  run.message = values["message"];
  run.report = values["report"];
  run.table = values["table"];
  run.metadata = values["metadata"];
  run.picture = values["picture"];
  for (const char* source : {"ace_mag", "ace_swepam", "dst", "kp"}) {
    std::string option = source;
    std::replace(option.begin(), option.end(), '_', '-');
    run.inputs[source] = values[option];
  }
  if (values.count("stale-hours") != 0) {
    const std::string& hours = values["stale-hours"];
    const double parsed = std::strtod(hours.c_str(), &end);
    if (hours.empty() || *end != '\0' || !(parsed > 0 && parsed <= 8760)) {
      return velk::usage_error(
          kProgram, "--stale-hours needs hours above 0 (at most 8760), not '" + hours + "'", kUsage,
          std::cerr);
    }
    run.stale_hours = parsed;
  }
  run.previous = previous_status();
  run.ledger = ".forecast-ledger";
  const auto status = velk_status::cycle_status(run);
  try {
    velk_status::replace_file("status.json", status.dump(1) + "\n");
    velk_status::replace_file("index.html",
                              velk_status::status_page(status, last_good_picture(status)));
    if (values.count("alert-file") != 0 && status["alerts"].is_object()) {
      auto alert = status["alerts"];
      alert["variant"] = status["variant"];
      alert["cycle_time"] = status["cycle_time"];
      velk_status::replace_file(values["alert-file"], alert.dump() + "\n");
    }
  } catch (const std::exception& e) {
    std::cerr << "velk_status: " << e.what() << "\n";
    return 1;
  }
  // Printed last: the line stands for a status that was written.
  std::cout << velk_status::log_line(status) << std::endl;
  return 0;
}
