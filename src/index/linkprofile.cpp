#include "linkprofile.h"

#include "hostkey.h"
#include "linkflags.h"
#include "linkurl.h"
#include "registrabledomain.h"

#include <algorithm>
#include <functional>
#include <map>
#include <unordered_map>
#include <unordered_set>

namespace linkindex {

// backlinks names every page with a link to a host of the domain: the page's links there are
// read in one pass that all summaries share. The hosts of the linking pages are few against
// their links, and are looked up once each.
void forEachProfileLink(Database &db, std::string_view host, const std::function<void(const ProfileLink &)> &each)
{
    const auto [first, last] = domainKeyRange(host);
    std::vector<std::pair<int64_t, std::string>> targets;
    Statement hosts(db, "SELECT id, reversed FROM hosts WHERE reversed >= ?1 AND reversed < ?2");
    hosts.bind(1, first).bind(2, last);
    while (hosts.step())
        targets.emplace_back(hosts.integer(0), hosts.text(1));

    Statement hostKey(db, "SELECT reversed FROM hosts WHERE id = ?1");
    std::unordered_map<int64_t, std::string> sources;
    const auto sourceKey = [&](int64_t id) -> const std::string & {
        auto found = sources.find(id);
        if (found == sources.end()) {
            hostKey.bind(1, id);
            hostKey.step();
            found = sources.emplace(id, hostKey.text(0)).first;
            hostKey.reset();
        }
        return found->second;
    };
    Statement links(db, "SELECT b.source_host_id, b.page_id, l.first_seen, l.last_seen, l.anchor, l.flags, l.url, l.lost_at, "
                        "c.state FROM backlinks b JOIN links l ON l.page_id = b.page_id AND l.host_id = b.host_id "
                        "LEFT JOIN captures c ON c.page_id = l.page_id AND c.captured = l.lost_at WHERE b.host_id = ?1");
    for (const auto &[target, targetKey] : targets) {
        links.bind(1, target);
        while (links.step()) {
            const std::string &source = sourceKey(links.integer(0));
            // A site's links among its own hosts are no backlinks of it.
            if (source >= first && source < last)
                continue;
            const std::optional<int64_t> stateAfter = links.optionalInteger(8);
            each({source, links.integer(1), links.optionalInteger(2), links.optionalInteger(3), links.text(4),
                  links.integer(5), links.text(6), targetKey, links.optionalInteger(7),
                  stateAfter ? std::optional(lostReasonOf(links::PageState(*stateAfter))) : std::nullopt});
        }
    }
}

const std::string *DomainsOfHosts::of(std::string_view key)
{
    auto found = m_ofHost.find(std::string(key));
    if (found == m_ofHost.end())
        found = m_ofHost.emplace(key, &*m_domains.insert(registrableDomain(hostFromKey(key))).first).first;
    return found->second;
}

namespace {

// The links a summary counts: those that stand, or all of them.
void forEachCounted(Database &db, std::string_view host, bool lost, const std::function<void(const ProfileLink &)> &each)
{
    forEachProfileLink(db, host, [&](const ProfileLink &link) {
        if (lost || !link.lostAt)
            each(link);
    });
}

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

std::vector<ReferringDomain> referringDomains(Database &db, std::string_view domain, bool lost)
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
    forEachCounted(db, domain, lost, [&](const ProfileLink &link) {
        Tally &tally = tallies[domains.of(link.sourceKey)];
        tally.pages.insert(link.pageId);
        ++tally.row.links;
        tally.row.dofollowLinks += relOfFlags(link.flags).nofollow ? 0 : 1;
        keepEarliest(tally.row.firstSeen, link.firstSeen);
        keepLatest(tally.row.lastSeen, link.lastSeen);
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

std::vector<AnchorUse> anchorUses(Database &db, std::string_view domain, bool lost)
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
    forEachCounted(db, domain, lost, [&](const ProfileLink &link) {
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

std::vector<LinkedPage> linkedPages(Database &db, std::string_view domain, bool lost)
{
    struct Tally
    {
        std::unordered_set<int64_t> pages;
        std::unordered_set<const std::string *> domains;
    };
    std::map<std::string, Tally> tallies;
    DomainsOfHosts domains;
    Transaction read(db, Transaction::Kind::Read);
    forEachCounted(db, domain, lost, [&](const ProfileLink &link) {
        Tally &tally = tallies[linkUrlFromStored(link.storedUrl, hostFromKey(link.targetKey))];
        tally.pages.insert(link.pageId);
        tally.domains.insert(domains.of(link.sourceKey));
    });
    Statement capture(db, "SELECT state FROM pages WHERE url = ?1");
    std::vector<LinkedPage> rows;
    for (const auto &[url, tally] : tallies) {
        LinkedPage row{url, int64_t(tally.pages.size()), int64_t(tally.domains.size())};
        capture.bind(1, url);
        if (capture.step()) {
            switch (links::PageState(capture.integer(0))) {
            case links::PageState::Ok:
            case links::PageState::Noindex:
                row.capture = LinkedPage::Capture::Page;
                break;
            case links::PageState::Redirect:
                row.capture = LinkedPage::Capture::Redirect;
                break;
            case links::PageState::Gone:
                row.capture = LinkedPage::Capture::Gone;
                break;
            }
            capture.reset();
        }
        rows.push_back(std::move(row));
    }
    std::stable_sort(rows.begin(), rows.end(), [](const LinkedPage &a, const LinkedPage &b) { return a.pages > b.pages; });
    return rows;
}

} // namespace linkindex
