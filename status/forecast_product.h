// The forecast intervals of a cycle's forecast product (the JSON beside its
// forecast table), read back for the status and live verification.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace velk::status {

// A forecast's central 68 % and 95 % interval.
struct Intervals {
  double low_68 = 0, high_68 = 0, low_95 = 0, high_95 = 0;
};

// Per lead, in the product's order (the table's columns), the intervals by
// valid time (seconds since the epoch); a row whose interval is null is
// left out. Throws std::runtime_error when the file cannot be read or is not
// a product.
using LeadIntervals = std::vector<std::map<long long, Intervals>>;
LeadIntervals read_product_intervals(const std::string& path);

// The intervals of lead `lead` (0-based) for `valid_time` (ISO 8601 UTC), if
// the product gave that forecast any.
std::optional<Intervals> intervals_at(const LeadIntervals& leads, std::size_t lead,
                                      const std::string& valid_time);

}  // namespace velk::status
