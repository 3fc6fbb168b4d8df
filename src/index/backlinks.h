#pragma once

#include "latestinput.h"
#include "lostreason.h"
#include "sqlite.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace linkindex {

// A page that links to a domain, with its first link there. Times are microseconds since 1970
// UTC, none for undated captures.
struct Backlink
{
    std::string sourceUrl;
    std::string sourceTitle;
    std::string targetUrl;
    std::string anchorText;
    links::Rel rel;
    links::LinkType type = links::LinkType::Text;
    std::optional<int64_t> captured; // the page's latest capture
    std::optional<int64_t> firstSeen, lastSeen; // the first and the latest capture holding the link
    std::optional<LostReason> lost;             // none while the page links to the domain
};

// The backlinks of a domain D as a user types it (any case, Unicode or punycode): the pages with
// a link to D or to a host under D, leaving out pages on D or under it. Each page is listed once,
// with its first such link, in the order of its first capture, pages first captured at the same
// moment in the order of their URLs: an order that does not depend on the order in which inputs
// were added. Undated pages, from link lists without dates, come first, in the order they were
// added.
//
// A page links to the domain while a link there stands on its latest capture; a page whose
// links there are all lost is a lost backlink, listed with the link it lost last.
class BacklinkReader
{
public:
    enum class Pages { Linking, Lost, All };
    explicit BacklinkReader(Database &db, Pages pages = Pages::Linking);

    // How many pages link to domain.
    int64_t count(std::string_view domain);
    // The backlinks of domain from the offset-th on (from 0), at most limit of them.
    void list(std::string_view domain, size_t offset, size_t limit, const std::function<void(const Backlink &)> &row);

private:
    struct Entry
    {
        int64_t firstCaptured; // INT64_MIN when unknown
        int64_t pageId;
        int64_t hostId;
        int64_t ord;
        bool live;
    };
    // A domain's pages, as of one state of the index, put in listing order only as far as
    // listings reach: entries before `ordered` are in order and come before all the others.
    // Pages first captured at the same moment are put in URL order only where a listing reaches
    // them.
    struct Listing
    {
        std::optional<std::string> host;
        int64_t version = -1;
        std::vector<Entry> entries;
        size_t ordered = 0;
        std::set<size_t> orderedTies; // starts of the runs already in URL order
    };

    Listing &listing(std::string_view domain);
    void gather(Listing &listing);
    void listOncePerPage(std::vector<Entry> &entries);
    bool listed(bool live) const; // whether a page that links, or no more, is of the listing
    void orderThrough(Listing &listing, size_t to);
    void orderTies(Listing &listing, size_t from, size_t to);

    Database &m_db;
    Pages m_pages;
    LatestInput m_latestInput;
    Statement m_hostRange, m_pageUrl, m_linkPlace, m_row;
    Listing m_cached;
};

} // namespace linkindex
