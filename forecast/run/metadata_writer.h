// The metadata file: an XML description of the run with the scores of every
// model. It is written in three pieces as the run proceeds (head and target
// block, one block per scored model, closing lines), so that a run ending
// during the model loop leaves the blocks of the models already scored.
#pragma once

#include <ostream>
#include <string>

#include "forecast/model/gap_bridging.h"
#include "forecast/model/hourly_table.h"
#include "forecast/model/scores.h"

namespace velk::forecast {

struct DateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

struct TargetDescription {
  std::string name;   // UN(KY)
  std::string units;  // UU(KY)
  int cadence = 1;    // DT(KY)
  double fill = 0.0;  // UF(KY)
};

// Head and target block. The start time is that of row first_row (the first
// forecast row), the stop time that of row table.rows_read.
std::string metadata_head(const DateTime& created, const HourlyTable& table, int first_row,
                          const TargetDescription& target);

// The block of lead step `lead_step`. A model evaluated with a gap policy
// (gap_counts given) also tells how many of its rows hold a forecast and how
// many of those a fallback model made or a carried value entered.
std::string metadata_model_block(int lead_step, const Scores& scores,
                                 const GapCounts* gap_counts = nullptr);

std::string metadata_closing();

// Writes the closing lines once: at close(), or when it goes out of scope
// before that, as a run that ends early unwinds. The metadata such a run puts
// in place then keeps the blocks of the models scored so far and is still a
// well-formed document.
class MetadataClosing {
 public:
  explicit MetadataClosing(std::ostream& out) : out_(out) {}
  ~MetadataClosing() { close(); }
  MetadataClosing(const MetadataClosing&) = delete;
  MetadataClosing& operator=(const MetadataClosing&) = delete;

  void close();

 private:
  std::ostream& out_;
  bool closed_ = false;
};

}  // namespace velk::forecast
