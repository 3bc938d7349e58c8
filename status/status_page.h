// index.html: the cycle's status as one self-contained page that an operator
// reads at a glance, on a desk or a phone.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace velk::status {

// `picture_png` is the last good forecast's picture, embedded so that the page
// needs no other file; empty when there is none to show.
std::string status_page(const nlohmann::ordered_json& status, const std::string& picture_png);

}  // namespace velk::status
