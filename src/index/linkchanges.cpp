#include "linkchanges.h"

#include <algorithm>
#include <tuple>

namespace linkindex {

namespace {

struct Found
{
    bool gained;
    int64_t date;
    const DomainLinks::Link *link;
};

std::vector<Found> changesWithin(const DomainLinks &links, std::optional<int64_t> since, std::optional<int64_t> until)
{
    const auto within = [&](std::optional<int64_t> date) {
        return date && (!since || *date >= *since) && (!until || *date <= *until);
    };
    std::vector<Found> found;
    for (const DomainLinks::Link &link : links.links()) {
        if (within(link.firstSeen))
            found.push_back({true, *link.firstSeen, &link});
        if (within(link.lostAt))
            found.push_back({false, *link.lostAt, &link});
    }
    return found;
}

// The changes found, their pages' URLs read from the index, in order.
std::vector<LinkChange> inOrder(Database &db, const std::vector<Found> &found)
{
    Transaction read(db, Transaction::Kind::Read);
    Statement pageUrl(db, "SELECT url FROM pages WHERE id = ?1");
    std::vector<LinkChange> changes;
    for (const Found &each : found) {
        pageUrl.bind(1, each.link->pageId);
        pageUrl.step();
        changes.push_back({each.gained, each.date, std::string(pageUrl.text(0)), DomainLinks::targetUrl(*each.link),
                           *each.link->anchor,
                           each.gained ? std::nullopt : each.link->lost});
        pageUrl.reset();
    }
    std::sort(changes.begin(), changes.end(), [](const LinkChange &a, const LinkChange &b) {
        return std::tie(a.date, b.gained, a.sourceUrl, a.targetUrl, a.anchorText)
               < std::tie(b.date, a.gained, b.sourceUrl, b.targetUrl, b.anchorText);
    });
    return changes;
}

} // namespace

std::vector<LinkChange> linkChanges(Database &db, const DomainLinks &links, std::optional<int64_t> since,
                                    std::optional<int64_t> until)
{
    return inOrder(db, changesWithin(links, since, until));
}

std::vector<LinkChange> latestLinkChanges(Database &db, const DomainLinks &links, size_t count)
{
    std::vector<Found> found = changesWithin(links, std::nullopt, std::nullopt);
    // Only the changes of the latest dates need their pages' URLs, to be put in order: those as
    // late as the count-th latest, all of them, as changes of one date are ordered by URL.
    if (found.size() > count && count > 0) {
        std::nth_element(found.begin(), found.begin() + ptrdiff_t(count - 1), found.end(),
                         [](const Found &a, const Found &b) { return a.date > b.date; });
        const int64_t earliest = found[count - 1].date;
        std::erase_if(found, [earliest](const Found &each) { return each.date < earliest; });
    }
    std::vector<LinkChange> changes = inOrder(db, found);
    std::reverse(changes.begin(), changes.end());
    changes.resize(std::min(changes.size(), count));
    return changes;
}

} // namespace linkindex
