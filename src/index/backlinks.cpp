#include "backlinks.h"

#include "domain.h"
#include "hostkey.h"
#include "linkflags.h"
#include "linkurl.h"
#include "pagehalves.h"

#include <algorithm>
#include <climits>

namespace linkindex {

BacklinkReader::BacklinkReader(Database &db, Pages pages)
    : m_db(db),
      m_pages(pages),
      m_latestInput(db),
      m_hostRange(db, "SELECT id FROM hosts WHERE reversed >= ?1 AND reversed < ?2"),
      m_pageUrl(db, "SELECT url FROM pages WHERE id = ?1"),
      // Undated links (from link lists without dates) count as seen at the earliest moment; only
      // their order among a page's links matters here.
      m_linkPlace(db, "SELECT ifnull(last_seen, -9223372036854775807), pos, url, anchor, flags FROM links "
                      "WHERE page_id = ?1 AND host_id = ?3 AND ord = ?2"),
      m_row(db, "SELECT p.url, p.title, p.captured, l.url, l.anchor, l.flags, h.reversed, l.first_seen, l.last_seen, c.state "
                "FROM pages p JOIN links l ON l.page_id = p.id AND l.host_id = ?3 AND l.ord = ?2 JOIN hosts h ON h.id = l.host_id "
                "LEFT JOIN captures c ON c.page_id = p.id AND c.captured = l.lost_at WHERE p.id = ?1")
{ }

int64_t BacklinkReader::count(std::string_view domain)
{
    Transaction read(m_db, Transaction::Kind::Read);
    return int64_t(listing(domain).entries.size());
}

void BacklinkReader::list(std::string_view domain, size_t offset, size_t limit,
                          const std::function<void(const Backlink &)> &row)
{
    Transaction read(m_db, Transaction::Kind::Read);
    Listing &pages = listing(domain);
    const size_t from = std::min(offset, pages.entries.size());
    const size_t to = from + std::min(limit, pages.entries.size() - from);
    orderThrough(pages, to);
    orderTies(pages, from, to);
    for (size_t i = from; i < to; ++i) {
        const Entry &entry = pages.entries[i];
        m_row.bind(1, entry.pageId).bind(2, entry.ord).bind(3, entry.hostId);
        if (!m_row.step())
            throw IndexError("the index " + m_db.path() + " is damaged: a listed link is missing");
        const std::optional<int64_t> stateAfter = m_row.optionalInteger(9);
        const Backlink backlink{std::string(m_row.text(0)),
                                std::string(m_row.text(1)),
                                linkUrlFromStored(m_row.text(3), hostFromKey(m_row.text(6))),
                                std::string(m_row.text(4)),
                                relOfFlags(m_row.integer(5)),
                                typeOfFlags(m_row.integer(5)),
                                m_row.optionalInteger(2),
                                m_row.optionalInteger(7),
                                m_row.optionalInteger(8),
                                stateAfter ? std::optional(lostReasonOf(links::PageState(*stateAfter))) : std::nullopt};
        m_row.reset();
        row(backlink);
    }
}

BacklinkReader::Listing &BacklinkReader::listing(std::string_view domain)
{
    const int64_t version = m_latestInput();
    std::optional<std::string> host = domainHost(domain);
    if (m_cached.version == version && m_cached.host == host)
        return m_cached;
    m_cached = Listing{std::move(host), version, {}, 0, {}};
    if (m_cached.host)
        gather(m_cached);
    return m_cached;
}

void BacklinkReader::gather(Listing &listing)
{
    const auto [first, last] = domainKeyRange(*listing.host);
    std::vector<int64_t> hosts;
    m_hostRange.bind(1, first).bind(2, last);
    while (m_hostRange.step())
        hosts.push_back(m_hostRange.integer(0));
    // A domain has a host or a few: a sorted list is looked up faster than a hash set, and this
    // is done for every row.
    std::vector<int64_t> underDomain = hosts;
    std::sort(underDomain.begin(), underDomain.end());

    std::vector<Entry> halves[2];
    readInPageHalves(m_db, hosts, [&](Database &on, int64_t firstPage, int64_t lastPage, int half) {
        // Undated pages, first in listings, read as the earliest moment there is.
        Statement pagesLinkingTo(on, "SELECT page_id, ord, source_host_id, ifnull(first_captured, ?2), live FROM backlinks "
                                     "WHERE host_id = ?1 AND page_id BETWEEN ?3 AND ?4");
        for (const int64_t host : hosts) {
            pagesLinkingTo.bind(1, host).bind(2, int64_t(INT64_MIN)).bind(3, firstPage).bind(4, lastPage);
            while (pagesLinkingTo.step()) {
                // A site's links among its own hosts are no backlinks of it.
                if (std::binary_search(underDomain.begin(), underDomain.end(), pagesLinkingTo.integer(2)))
                    continue;
                const bool live = pagesLinkingTo.integer(4) != 0;
                // Of a domain of one host, only the pages listed are kept; of one of several, a
                // page's links to each are weighed first.
                if (hosts.size() == 1 && !listed(live))
                    continue;
                halves[half].push_back({pagesLinkingTo.integer(3), pagesLinkingTo.integer(0), host,
                                        pagesLinkingTo.integer(1), live});
            }
        }
    });
    std::vector<Entry> &entries = listing.entries;
    entries = std::move(halves[0]);
    entries.insert(entries.end(), halves[1].begin(), halves[1].end());
    if (hosts.size() > 1) {
        listOncePerPage(entries);
        std::erase_if(entries, [this](const Entry &entry) { return !listed(entry.live); });
    }
}

bool BacklinkReader::listed(bool live) const
{
    return m_pages == Pages::All || live == (m_pages == Pages::Linking);
}

// A page linking to several hosts of the domain is listed once, with the link a listing of one
// host would show: the first that stands on its latest capture, else the one lost last.
void BacklinkReader::listOncePerPage(std::vector<Entry> &entries)
{
    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) { return a.pageId < b.pageId; });
    std::vector<Entry> once;
    for (size_t start = 0, end; start < entries.size(); start = end) {
        end = start + 1;
        while (end < entries.size() && entries[end].pageId == entries[start].pageId)
            ++end;
        if (end - start == 1) {
            once.push_back(entries[start]);
            continue;
        }
        using Place = std::tuple<bool, int64_t, int64_t, std::string, std::string, int64_t>;
        std::optional<Place> best;
        for (size_t i = start; i < end; ++i) {
            m_linkPlace.bind(1, entries[i].pageId).bind(2, entries[i].ord).bind(3, entries[i].hostId);
            m_linkPlace.step();
            // Standing first, then the latest seen, then the first on the page (links of two
            // records of one capture may stand in the same place).
            const Place place{!entries[i].live,         -m_linkPlace.integer(0),         m_linkPlace.integer(1),
                              std::string(m_linkPlace.text(2)), std::string(m_linkPlace.text(3)), m_linkPlace.integer(4)};
            m_linkPlace.reset();
            if (!best || place < *best) {
                if (best)
                    once.pop_back();
                best = place;
                once.push_back(entries[i]);
            }
        }
    }
    entries = std::move(once);
}

// The first result page of a domain with many backlinks is what a user waits for: it orders
// only the pages it shows, and the rest of the listing is ordered once a later page needs it.
void BacklinkReader::orderThrough(Listing &listing, size_t to)
{
    std::vector<Entry> &entries = listing.entries;
    if (to <= listing.ordered)
        return;
    const auto listedBefore = [](const Entry &a, const Entry &b) {
        return std::tie(a.firstCaptured, a.pageId) < std::tie(b.firstCaptured, b.pageId);
    };
    const auto rest = entries.begin() + ptrdiff_t(listing.ordered);
    if (listing.ordered > 0 || to > entries.size() / 4) {
        std::sort(rest, entries.end(), listedBefore);
        listing.ordered = entries.size();
        return;
    }
    std::partial_sort(rest, entries.begin() + ptrdiff_t(to), entries.end(), listedBefore);
    // The pages first captured at the same moment as the last one shown come next, in order, so
    // that they can be put in URL order with it.
    const int64_t last = entries[to - 1].firstCaptured;
    const auto tied = std::partition(entries.begin() + ptrdiff_t(to), entries.end(),
                                     [last](const Entry &entry) { return entry.firstCaptured == last; });
    std::sort(entries.begin() + ptrdiff_t(to), tied, listedBefore);
    listing.ordered = size_t(tied - entries.begin());
}

void BacklinkReader::orderTies(Listing &listing, size_t from, size_t to)
{
    std::vector<Entry> &entries = listing.entries;
    const auto sameMoment = [&](size_t a, size_t b) { return entries[a].firstCaptured == entries[b].firstCaptured; };
    size_t start = from;
    while (start > 0 && start < entries.size() && sameMoment(start - 1, start))
        --start;
    while (start < to) {
        size_t end = start + 1;
        while (end < entries.size() && sameMoment(start, end))
            ++end;
        // Undated pages (from link lists without dates) keep the order they were added in.
        const bool undated = entries[start].firstCaptured == INT64_MIN;
        if (end - start > 1 && !undated && listing.orderedTies.insert(start).second) {
            std::vector<std::pair<std::string, Entry>> run;
            for (size_t i = start; i < end; ++i) {
                m_pageUrl.bind(1, entries[i].pageId);
                m_pageUrl.step();
                run.emplace_back(m_pageUrl.text(0), entries[i]);
                m_pageUrl.reset();
            }
            std::sort(run.begin(), run.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
            for (size_t i = start; i < end; ++i)
                entries[i] = run[i - start].second;
        }
        start = end;
    }
}

} // namespace linkindex
