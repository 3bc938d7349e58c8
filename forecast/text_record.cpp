#include "forecast/text_record.h"

namespace velk {

bool read_record(std::istream& in, std::string& record) {
  if (!std::getline(in, record)) return false;
  if (!record.empty() && record.back() == '\r') record.pop_back();
  return true;
}

}  // namespace velk
