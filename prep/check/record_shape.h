// The record lines of the four sources as the checks know them: length,
// characters and date fields.
#pragma once

#include <cstddef>
#include <string>

#include "prep/check/month_role.h"

namespace velk::prep {

// What a record line of one source looks like. Lengths count the line's
// characters without its line feed.
struct RecordShape {
  Source source;
  std::size_t min_length, max_length;
  std::size_t year_at, year_width;  // four-digit year, or the two last digits
  std::size_t month_at, day_at;     // two characters each
  bool hour;                        // an HHMM time follows the day (ACE)
};

extern const RecordShape kSwepamRecord;
extern const RecordShape kMagRecord;
extern const RecordShape kDstRecord;
extern const RecordShape kKpRecord;

// The ACE list (MAG or SWEPAM) whose record lines are `length` characters
// long with their line feed, or nullptr: the length alone tells the two
// lists apart.
const RecordShape* ace_record_of_line_length(std::size_t length);

// Value of a date field of `width` characters that holds digits, blank-padded
// on the left; -1 when it holds anything else or lies outside the line.
int date_field(const std::string& line, std::size_t at, std::size_t width);

// Year and month as a record line writes them (the year perhaps in two
// digits); both -1 when the line does not have the shape: its length,
// printable characters only (a final carriage return aside), and date fields
// that are numbers naming a real day (and hour, for ACE).
struct YearMonth {
  int year = -1, month = -1;
};
YearMonth record_year_month(const RecordShape& shape, const std::string& line);

// The first line of `text`, from line `first` on (1-based), that is neither
// empty nor a record of `shape` dated `dated` (any date when dated.year < 0).
// Empty lines are the missing rows that the empty-line check counts.
struct BadRecord {
  std::size_t line = 0;  // 0: every line passed
  bool date_only = false;
};
BadRecord first_bad_record(const RecordShape& shape, const std::string& text, std::size_t first,
                           YearMonth dated);

// The report's ErrorName for it: "FileRecord'<line>'structure", or
// "FileRecord'<line>'date" for a record of another month.
std::string bad_record_name(const BadRecord& bad);

// Why it failed, for the report's side file: "broken record at line <n>", or
// "record of another month at line <n>".
std::string bad_record_cause(const BadRecord& bad);

}  // namespace velk::prep
