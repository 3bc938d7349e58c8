// The steps every acquisition takes for each of its two months.
#pragma once

#include <string>

class InputData_analysis;

// Downloads one month into its working file under a report step `step_name`,
// test-opens it ("FileRead" record), reads it (trimmed when `trim`), and hands
// the text to `analyser`. A working file left by an earlier run is removed
// before the download, so it is never read as fresh data. Returns false when
// the working file could not be read; `text` then stays empty.
bool fetch_month(const std::string& step_name, const std::string& url,
                 const std::string& working_file, bool trim, InputData_analysis& analyser,
                 std::string& text);
