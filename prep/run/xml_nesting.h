// How deeply the elements of an XML text nest, found by a plain scan without
// parsing, so that a document too deep for a recursive parser can be refused
// before the parser sees it.
#pragma once

#include <cstddef>
#include <string>

namespace velk::prep {

// The greatest number of elements open at once: start tags not closed by "/>"
// open one, end tags close one. Comments and CDATA sections are skipped to
// their ends, other markup beginning "<!" or "<?" to its first ">", as the
// parser skips them. Never less than the depth the parser would reach.
std::size_t xml_nesting_depth(const std::string& text);

}  // namespace velk::prep
