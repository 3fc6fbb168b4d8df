#pragma once

#include "domainlinks.h"
#include "sqlite.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace linkindex {

// A domain's link profile: its backlinks summed up by the domains they come from, by their
// anchor text and by the pages they lead to. Every count is over the links the index holds (a
// page linking twice is two links and one page), from pages not on the domain, as backlinks
// lists them: the links that stand, or with `lost` those lost too. Times are microseconds since
// 1970 UTC, none for undated captures.

struct ReferringDomain
{
    std::string domain; // registrable (registrabledomain.h)
    int64_t pages = 0;
    int64_t links = 0;
    int64_t dofollowLinks = 0;
    std::optional<int64_t> firstSeen; // the first capture that held one of its links
    std::optional<int64_t> lastSeen;  // the latest
    std::string topAnchor;            // its most used anchor text (the first in text order of a tie)
};

struct AnchorUse
{
    std::string anchor;
    int64_t links = 0;
    int64_t pages = 0;
    int64_t domains = 0;
};

struct LinkedPage
{
    std::string url;
    int64_t pages = 0;
    int64_t domains = 0;
    // Its own latest capture as the index holds it: a page (200, noindex or not), a redirect,
    // a 404 or 410; none when the index holds no capture of it.
    enum class Capture { None, Page, Redirect, Gone } capture = Capture::None;
};

// Ordered by pages, most first, then by domain.
std::vector<ReferringDomain> referringDomains(const DomainLinks &links, bool lost);
// Ordered by links, most first, then by anchor text.
std::vector<AnchorUse> anchorUses(const DomainLinks &links, bool lost);
// Ordered by linking pages, most first, then by URL; db is the index links were read from.
std::vector<LinkedPage> linkedPages(Database &db, const DomainLinks &domainLinks, bool lost);

} // namespace linkindex
