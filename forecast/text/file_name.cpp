#include "forecast/text/file_name.h"

namespace velk::forecast {

std::string with_extension(const std::string& path, const std::string& extension) {
  const std::size_t slash = path.rfind('/');
  const std::size_t name_start = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || dot <= name_start) return path + "." + extension;
  return path.substr(0, dot + 1) + extension;
}

}  // namespace velk::forecast
