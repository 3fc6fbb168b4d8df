#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace archive {

// in with one content coding undone ("gzip", "x-gzip", "deflate" with or without its zlib
// wrapper, "br"; names in any case), into out, at most cap bytes of it: a bomb stops there, in
// time and memory bounded by cap. Returns whether the output was cut at cap. Input that stops
// early (its record was truncated) gives what it held. Throws ContentError when in is not in that
// coding, or the coding is none of these.
bool undoContentCoding(std::string_view coding, std::string_view in, std::string &out, std::size_t cap);

} // namespace archive
