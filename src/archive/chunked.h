#pragma once

#include <string>
#include <string_view>

namespace archive {

// body with its chunked transfer coding undone, into out. A body that stops early (its record
// was truncated) gives the chunks it holds. Returns false, out then undefined, when body is not
// chunked after all: servers send the header over bytes they never chunked, and those are
// better kept as they are.
bool dechunk(std::string_view body, std::string &out);

} // namespace archive
