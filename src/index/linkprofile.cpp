#include "linkprofile.h"

#include "linkflags.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace linkindex {

namespace {

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

// Calls each with the links a summary counts: those that stand, or all of them.
template <typename Each>
void forEachCounted(const DomainLinks &links, bool lost, Each each)
{
    for (const DomainLinks::Link &link : links.links())
        if (lost || !link.lostAt)
            each(link);
}

} // namespace

std::vector<ReferringDomain> referringDomains(const DomainLinks &links, bool lost)
{
    struct Tally
    {
        ReferringDomain row;
        std::unordered_set<int64_t> pages;
        std::unordered_map<const std::string *, int64_t> anchors;
    };
    std::unordered_map<const std::string *, Tally> tallies;
    forEachCounted(links, lost, [&](const DomainLinks::Link &link) {
        Tally &tally = tallies[link.domain];
        tally.pages.insert(link.pageId);
        ++tally.row.links;
        tally.row.dofollowLinks += relOfFlags(link.flags).nofollow ? 0 : 1;
        keepEarliest(tally.row.firstSeen, link.firstSeen);
        keepLatest(tally.row.lastSeen, link.lastSeen);
        ++tally.anchors[link.anchor];
    });
    std::vector<ReferringDomain> rows;
    for (auto &[name, tally] : tallies) {
        tally.row.domain = *name;
        tally.row.pages = int64_t(tally.pages.size());
        const std::string *top = nullptr;
        int64_t most = 0;
        for (const auto &[anchor, count] : tally.anchors)
            if (count > most || (count == most && *anchor < *top)) {
                most = count;
                top = anchor;
            }
        tally.row.topAnchor = *top;
        rows.push_back(std::move(tally.row));
    }
    std::sort(rows.begin(), rows.end(), [](const ReferringDomain &a, const ReferringDomain &b) {
        return a.pages != b.pages ? a.pages > b.pages : a.domain < b.domain;
    });
    return rows;
}

std::vector<AnchorUse> anchorUses(const DomainLinks &links, bool lost)
{
    struct Tally
    {
        int64_t links = 0;
        std::unordered_set<int64_t> pages;
        std::unordered_set<const std::string *> domains;
    };
    std::unordered_map<const std::string *, Tally> tallies;
    forEachCounted(links, lost, [&](const DomainLinks::Link &link) {
        Tally &tally = tallies[link.anchor];
        ++tally.links;
        tally.pages.insert(link.pageId);
        tally.domains.insert(link.domain);
    });
    std::vector<AnchorUse> rows;
    for (const auto &[anchor, tally] : tallies)
        rows.push_back({*anchor, tally.links, int64_t(tally.pages.size()), int64_t(tally.domains.size())});
    std::sort(rows.begin(), rows.end(), [](const AnchorUse &a, const AnchorUse &b) {
        return a.links != b.links ? a.links > b.links : a.anchor < b.anchor;
    });
    return rows;
}

std::vector<LinkedPage> linkedPages(Database &db, const DomainLinks &domainLinks, bool lost)
{
    struct Tally
    {
        std::unordered_set<int64_t> pages;
        std::unordered_set<const std::string *> domains;
    };
    std::unordered_map<const std::string *, Tally> tallies;
    forEachCounted(domainLinks, lost, [&](const DomainLinks::Link &link) {
        Tally &tally = tallies[link.target];
        tally.pages.insert(link.pageId);
        tally.domains.insert(link.domain);
    });
    Transaction read(db, Transaction::Kind::Read);
    Statement capture(db, "SELECT state FROM pages WHERE url = ?1");
    std::vector<LinkedPage> rows;
    for (const auto &[url, tally] : tallies) {
        LinkedPage row{*url, int64_t(tally.pages.size()), int64_t(tally.domains.size())};
        capture.bind(1, *url);
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
    std::sort(rows.begin(), rows.end(), [](const LinkedPage &a, const LinkedPage &b) {
        return a.pages != b.pages ? a.pages > b.pages : a.url < b.url;
    });
    return rows;
}

} // namespace linkindex
