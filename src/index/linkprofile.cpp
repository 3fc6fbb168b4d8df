#include "linkprofile.h"

#include "linkflags.h"

#include <algorithm>
#include <span>
#include <tuple>

namespace linkindex {

namespace {

using Link = DomainLinks::Link;

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

// The links a summary counts (those that stand, or all of them), put in runs by key, each run's
// links in page order; calls each with every run. A domain has up to millions of links: runs of
// sorted addresses are counted faster than sets of them.
template <typename Key, typename Each>
void forEachRun(const DomainLinks &links, bool lost, Key key, Each each)
{
    std::vector<const Link *> counted;
    for (const Link &link : links.links())
        if (lost || !link.lostAt)
            counted.push_back(&link);
    std::sort(counted.begin(), counted.end(), [&](const Link *a, const Link *b) {
        return std::tuple(key(*a), a->pageId) < std::tuple(key(*b), b->pageId);
    });
    for (size_t start = 0, end; start < counted.size(); start = end) {
        end = start + 1;
        while (end < counted.size() && key(*counted[end]) == key(*counted[start]))
            ++end;
        each(std::span<const Link *const>(counted.data() + start, end - start));
    }
}

// How many pages a run of links in page order comes from.
int64_t pagesOf(std::span<const Link *const> run)
{
    int64_t pages = 0;
    for (size_t i = 0; i < run.size(); ++i)
        pages += i == 0 || run[i]->pageId != run[i - 1]->pageId;
    return pages;
}

// How many distinct texts of one kind (domains, anchors) a run of links has, and the most
// frequent (the first in text order of a tie).
std::pair<int64_t, const std::string *> distinct(std::span<const Link *const> run, const std::string *Link::*text)
{
    std::vector<const std::string *> texts;
    for (const Link *link : run)
        texts.push_back(link->*text);
    std::sort(texts.begin(), texts.end());
    int64_t count = 0, most = 0;
    const std::string *top = nullptr;
    for (size_t start = 0, end; start < texts.size(); start = end) {
        end = start + 1;
        while (end < texts.size() && texts[end] == texts[start])
            ++end;
        ++count;
        const int64_t uses = int64_t(end - start);
        if (uses > most || (uses == most && *texts[start] < *top)) {
            most = uses;
            top = texts[start];
        }
    }
    return {count, top};
}

} // namespace

std::vector<ReferringDomain> referringDomains(const DomainLinks &links, bool lost)
{
    std::vector<ReferringDomain> rows;
    forEachRun(links, lost, [](const Link &link) { return link.domain; }, [&](std::span<const Link *const> run) {
        ReferringDomain row{*run.front()->domain, pagesOf(run), int64_t(run.size()), 0, {}, {}, {}};
        for (const Link *link : run) {
            row.dofollowLinks += relOfFlags(link->flags).nofollow ? 0 : 1;
            keepEarliest(row.firstSeen, link->firstSeen);
            keepLatest(row.lastSeen, link->lastSeen);
        }
        row.topAnchor = *distinct(run, &Link::anchor).second;
        rows.push_back(std::move(row));
    });
    std::sort(rows.begin(), rows.end(), [](const ReferringDomain &a, const ReferringDomain &b) {
        return a.pages != b.pages ? a.pages > b.pages : a.domain < b.domain;
    });
    return rows;
}

std::vector<AnchorUse> anchorUses(const DomainLinks &links, bool lost)
{
    std::vector<AnchorUse> rows;
    forEachRun(links, lost, [](const Link &link) { return link.anchor; }, [&](std::span<const Link *const> run) {
        rows.push_back({*run.front()->anchor, int64_t(run.size()), pagesOf(run), distinct(run, &Link::domain).first});
    });
    std::sort(rows.begin(), rows.end(), [](const AnchorUse &a, const AnchorUse &b) {
        return a.links != b.links ? a.links > b.links : a.anchor < b.anchor;
    });
    return rows;
}

std::vector<LinkedPage> linkedPages(Database &db, const DomainLinks &domainLinks, bool lost)
{
    Transaction read(db, Transaction::Kind::Read);
    Statement capture(db, "SELECT state FROM pages WHERE url = ?1");
    std::vector<LinkedPage> rows;
    const auto target = [](const Link &link) { return std::pair(link.targetHost, std::string_view(link.storedTarget)); };
    forEachRun(domainLinks, lost, target, [&](std::span<const Link *const> run) {
        LinkedPage row{DomainLinks::targetUrl(*run.front()), pagesOf(run), distinct(run, &Link::domain).first};
        capture.bind(1, row.url);
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
    });
    std::sort(rows.begin(), rows.end(), [](const LinkedPage &a, const LinkedPage &b) {
        return a.pages != b.pages ? a.pages > b.pages : a.url < b.url;
    });
    return rows;
}

} // namespace linkindex
