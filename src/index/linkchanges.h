#pragma once

#include "lostreason.h"
#include "sqlite.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace linkindex {

// A link to a domain that appeared or went, from a page elsewhere.
struct LinkChange
{
    bool gained = false;
    int64_t date = 0; // the capture that showed it, microseconds since 1970 UTC
    std::string sourceUrl;
    std::string targetUrl;
    std::string anchorText;
    std::optional<LostReason> reason; // lost links only
};

// The links to domain gained (first seen) and lost within [since, until], either end open when
// not given, in the order of their dates, then gained before lost, then by source and target URL.
std::vector<LinkChange> linkChanges(Database &db, std::string_view domain, std::optional<int64_t> since,
                                    std::optional<int64_t> until);

} // namespace linkindex
