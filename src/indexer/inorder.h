#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace indexer {

// Makes the texts of parts 0 to count - 1 on all cores, a few parts ahead of the one written, and
// hands each to write in order. make writes a part's text into the string it is given, which
// holds an earlier part's text to be cleared: its memory is used again. An exception from make
// comes out of here, in the order of parts.
void writeInOrder(size_t count, const std::function<void(size_t part, std::string &text)> &make,
                  const std::function<void(std::string_view text)> &write);

} // namespace indexer
