#pragma once

#include "links/page.h"

#include <cstdint>
#include <optional>

namespace linkindex {

// One capture of a page: what it said, and when it was taken.
struct Capture
{
    links::Page page;
    std::optional<int64_t> captured; // microseconds since 1970 UTC; none in an undated link list
};

} // namespace linkindex
