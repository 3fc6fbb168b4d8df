#include "linkprofile.h"

#include "hostkey.h"
#include "linkurl.h"
#include "links/htmlpage.h"
#include "registrabledomain.h"

#include <algorithm>
#include <functional>
#include <map>
#include <unordered_map>
#include <unordered_set>

namespace linkindex {

namespace {

// One link to the domain, from a page elsewhere.
struct ProfileLink
{
    std::string_view sourceKey; // the linking page's host, keyed (hostkey.h)
    int64_t pageId;
    std::optional<int64_t> firstCaptured;
    std::optional<int64_t> captured;
    std::string_view anchor;
    bool nofollow;
    std::string_view storedUrl; // linkurl.h
    std::string_view targetKey;
};

// backlinks names every page with a link to a host of the domain, and where its first such link
// stands: the page's links there are read from that one on, in one pass that all three
// summaries share.
void forEachLink(Database &db, std::string_view host, const std::function<void(const ProfileLink &)> &each)
{
    Statement links(db, "SELECT s.reversed, b.page_id, p.first_captured, p.captured, l.anchor, l.nofollow, l.url, t.reversed "
                        "FROM hosts t JOIN backlinks b ON b.host_id = t.id JOIN hosts s ON s.id = b.source_host_id "
                        "JOIN pages p ON p.id = b.page_id JOIN links l ON l.page_id = b.page_id AND l.ord >= b.ord AND l.host_id = t.id "
                        "WHERE t.reversed >= ?1 AND t.reversed < ?2 AND NOT (s.reversed >= ?1 AND s.reversed < ?2)");
    const auto [first, last] = domainKeyRange(host);
    links.bind(1, first).bind(2, last);
    while (links.step())
        each({links.text(0), links.integer(1), links.optionalInteger(2), links.optionalInteger(3), links.text(4),
              links.integer(5) != 0, links.text(6), links.text(7)});
}

// The registrable domain of each linking host, worked out once a host: a domain's backlinks
// come from a few hosts, many pages each. Each domain is kept once, where it stays, so that a
// summary can tell domains apart by their address.
class DomainsOfHosts
{
public:
    const std::string *of(std::string_view key)
    {
        auto found = m_ofHost.find(std::string(key));
        if (found == m_ofHost.end())
            found = m_ofHost.emplace(key, &*m_domains.insert(registrableDomain(hostFromKey(key))).first).first;
        return found->second;
    }

private:
    std::unordered_set<std::string> m_domains;
    std::unordered_map<std::string, const std::string *> m_ofHost;
};

void keepEarliest(std::optional<int64_t> &kept, std::optional<int64_t> time)
{
    if (time && (!kept || *time < *kept))
        kept = time;
}

void keepLatest(std::optional<int64_t> &kept, std::optional<int64_t> time)
{
    if (time && (!kept || *time > *kept))
        kept = time;
}

} // namespace

std::vector<ReferringDomain> referringDomains(Database &db, std::string_view domain)
{
    struct Tally
    {
        ReferringDomain row;
        std::unordered_set<int64_t> pages;
        std::map<std::string, int64_t, std::less<>> anchors;
    };
    std::unordered_map<const std::string *, Tally> tallies;
    DomainsOfHosts domains;
    Transaction read(db, Transaction::Kind::Read);
    forEachLink(db, domain, [&](const ProfileLink &link) {
        Tally &tally = tallies[domains.of(link.sourceKey)];
        tally.pages.insert(link.pageId);
        ++tally.row.links;
        tally.row.dofollowLinks += link.nofollow ? 0 : 1;
        keepEarliest(tally.row.firstSeen, link.firstCaptured);
        keepLatest(tally.row.lastSeen, link.captured);
        auto anchor = tally.anchors.find(link.anchor);
        if (anchor == tally.anchors.end())
            anchor = tally.anchors.emplace(std::string(link.anchor), 0).first;
        ++anchor->second;
    });
    std::vector<ReferringDomain> rows;
    for (auto &[name, tally] : tallies) {
        tally.row.domain = *name;
        tally.row.pages = int64_t(tally.pages.size());
        int64_t most = 0;
        for (const auto &[anchor, links] : tally.anchors)
            if (links > most) {
                most = links;
                tally.row.topAnchor = anchor;
            }
        rows.push_back(std::move(tally.row));
    }
    std::sort(rows.begin(), rows.end(), [](const ReferringDomain &a, const ReferringDomain &b) {
        return a.pages != b.pages ? a.pages > b.pages : a.domain < b.domain;
    });
    return rows;
}

std::vector<AnchorUse> anchorUses(Database &db, std::string_view domain)
{
    struct Tally
    {
        int64_t links = 0;
        std::unordered_set<int64_t> pages;
        std::unordered_set<const std::string *> domains;
    };
    std::map<std::string, Tally, std::less<>> tallies;
    DomainsOfHosts domains;
    Transaction read(db, Transaction::Kind::Read);
    forEachLink(db, domain, [&](const ProfileLink &link) {
        auto tally = tallies.find(link.anchor);
        if (tally == tallies.end())
            tally = tallies.emplace(std::string(link.anchor), Tally{}).first;
        ++tally->second.links;
        tally->second.pages.insert(link.pageId);
        tally->second.domains.insert(domains.of(link.sourceKey));
    });
    std::vector<AnchorUse> rows;
    for (const auto &[anchor, tally] : tallies)
        rows.push_back({anchor, tally.links, int64_t(tally.pages.size()), int64_t(tally.domains.size())});
    // Anchors come in text order, which a stable sort keeps among anchors of as many links.
    std::stable_sort(rows.begin(), rows.end(), [](const AnchorUse &a, const AnchorUse &b) { return a.links > b.links; });
    return rows;
}

std::vector<LinkedPage> linkedPages(Database &db, std::string_view domain)
{
    struct Tally
    {
        std::unordered_set<int64_t> pages;
        std::unordered_set<const std::string *> domains;
    };
    std::map<std::string, Tally> tallies;
    DomainsOfHosts domains;
    Transaction read(db, Transaction::Kind::Read);
    forEachLink(db, domain, [&](const ProfileLink &link) {
        Tally &tally = tallies[linkUrlFromStored(link.storedUrl, hostFromKey(link.targetKey))];
        tally.pages.insert(link.pageId);
        tally.domains.insert(domains.of(link.sourceKey));
    });
    // The index keeps a redirect as a page with no title and its one link, marked by its anchor.
    Statement capture(db, "SELECT p.title = '' AND (SELECT count(*) FROM (SELECT 1 FROM links l WHERE l.page_id = p.id LIMIT 2)) = 1 "
                          "AND EXISTS(SELECT 1 FROM links l WHERE l.page_id = p.id AND l.anchor = ?2) "
                          "FROM pages p WHERE p.url = ?1");
    std::vector<LinkedPage> rows;
    for (const auto &[url, tally] : tallies) {
        LinkedPage row{url, int64_t(tally.pages.size()), int64_t(tally.domains.size())};
        capture.bind(1, url).bind(2, links::kRedirectAnchor);
        if (capture.step())
            row.capture = capture.integer(0) ? LinkedPage::Capture::Redirect : LinkedPage::Capture::Page;
        capture.reset();
        rows.push_back(std::move(row));
    }
    std::stable_sort(rows.begin(), rows.end(), [](const LinkedPage &a, const LinkedPage &b) { return a.pages > b.pages; });
    return rows;
}

} // namespace linkindex
