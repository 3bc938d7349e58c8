#include "run/error_report.h"

std::string error_file;

void report_start() {
  error_file =
      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
      "<Zuv_errorfile>\n"
      "<filename>Preprocessing error file</filename>\n"
      "<productname>Geomagnetic forecast preprocessing module</productname>\n"
      "<stationname>diverse global</stationname>\n"
      "<code>L2</code>\n"
      "<project>KORVELT</project>\n"
      "<Errors>\n";
}

void report_open_step(const std::string& step_name) {
  error_file += "<Step>\n<StepName>" + step_name + "</StepName>\n";
}

void report_pair(const std::string& error_name, int value) {
  error_file +=
      "<ErrorName>" + error_name + "</ErrorName>\n<Value>" + std::to_string(value) + "</Value>\n";
}

void report_close_step() {
  error_file += "</Step>\n";
}

void report_record(const std::string& step_name, const std::string& error_name, int value) {
  report_open_step(step_name);
  report_pair(error_name, value);
  report_close_step();
}

void report_close() {
  error_file += "</Errors>\n</Zuv_errorfile>\n";
}

void report_reset() {
  error_file.clear();
}
