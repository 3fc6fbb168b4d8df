#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace archive {

// A WARC-Date, "2024-05-18T01:58:10Z" or with a fraction of a second ("…10.25Z", up to nine
// digits, kept to the microsecond), as microseconds since 1970-01-01T00:00:00Z; nullopt for
// anything else, an impossible date included.
std::optional<std::int64_t> parseWarcDate(std::string_view text);

// The WARC-Date of microseconds since the epoch, with the shortest fraction that holds them
// exactly and none when they are whole seconds, so that parseWarcDate gives them back.
std::string formatWarcDate(std::int64_t microseconds);

} // namespace archive
