#pragma once

#include "domainlinks.h"
#include "lostreason.h"
#include "sqlite.h"

#include <cstdint>
#include <optional>
#include <string>
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

// The links gained (first seen) and lost within [since, until], either end open when not given,
// in the order of their dates, then gained before lost, then by source and target URL and anchor
// text. db is the index links were read from.
std::vector<LinkChange> linkChanges(Database &db, const DomainLinks &links, std::optional<int64_t> since,
                                    std::optional<int64_t> until);

// The latest count of those changes, the latest first.
std::vector<LinkChange> latestLinkChanges(Database &db, const DomainLinks &links, size_t count);

} // namespace linkindex
