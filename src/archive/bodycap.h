#pragma once

#include <cstddef>

namespace archive {

// The most of one record's block, or of one decoded payload, that is kept: crawlers cut what
// they store of a response at about this size too, and it bounds memory whatever the input
// claims (a Content-Length of a terabyte, a gzip bomb).
inline constexpr std::size_t kBodyCap = std::size_t(16) << 20;

} // namespace archive
