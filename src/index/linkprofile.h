#pragma once

#include "lostreason.h"
#include "sqlite.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace linkindex {

// A domain's link profile: its backlinks summed up by the domains they come from, by their
// anchor text and by the pages they lead to. Every count is over the links the index holds (a
// page linking twice is two links and one page), from pages not on the domain, as backlinks
// lists them: the links that stand, or with `lost` those lost too. Times are microseconds since
// 1970 UTC, none for undated captures.

// One link to the domain, from a page elsewhere.
struct ProfileLink
{
    std::string_view sourceKey; // the linking page's host, keyed (hostkey.h)
    int64_t pageId;
    std::optional<int64_t> firstSeen;
    std::optional<int64_t> lastSeen;
    std::string_view anchor;
    int64_t flags; // linkflags.h
    std::string_view storedUrl; // linkurl.h
    std::string_view targetKey;
    std::optional<int64_t> lostAt;
    std::optional<LostReason> lost;
};

// Calls each with every link to domain (a host, as domainHost gives it), lost ones too; in no
// particular order.
void forEachProfileLink(Database &db, std::string_view domain, const std::function<void(const ProfileLink &)> &each);

// The registrable domain of each linking host, worked out once a host: a domain's backlinks
// come from a few hosts, many pages each. Each domain is kept once, where it stays, so that a
// summary can tell domains apart by their address.
class DomainsOfHosts
{
public:
    const std::string *of(std::string_view key);

private:
    std::unordered_set<std::string> m_domains;
    std::unordered_map<std::string, const std::string *> m_ofHost;
};

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
std::vector<ReferringDomain> referringDomains(Database &db, std::string_view domain, bool lost);
// Ordered by links, most first, then by anchor text.
std::vector<AnchorUse> anchorUses(Database &db, std::string_view domain, bool lost);
// Ordered by linking pages, most first, then by URL.
std::vector<LinkedPage> linkedPages(Database &db, std::string_view domain, bool lost);

} // namespace linkindex
