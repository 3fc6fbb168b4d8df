#include "linkchanges.h"

#include "hostkey.h"
#include "linkprofile.h"
#include "linkurl.h"

#include <algorithm>
#include <tuple>

namespace linkindex {

std::vector<LinkChange> linkChanges(Database &db, std::string_view domain, std::optional<int64_t> since,
                                    std::optional<int64_t> until)
{
    const auto within = [&](std::optional<int64_t> date) {
        return date && (!since || *date >= *since) && (!until || *date <= *until);
    };
    struct Found
    {
        LinkChange change;
        int64_t pageId;
    };
    std::vector<Found> found;
    Transaction read(db, Transaction::Kind::Read);
    forEachProfileLink(db, domain, [&](const ProfileLink &link) {
        const auto change = [&](bool gained, int64_t date, std::optional<LostReason> reason) {
            found.push_back({{gained, date, {}, linkUrlFromStored(link.storedUrl, hostFromKey(link.targetKey)),
                              std::string(link.anchor), reason},
                             link.pageId});
        };
        if (within(link.firstSeen))
            change(true, *link.firstSeen, std::nullopt);
        if (within(link.lostAt))
            change(false, *link.lostAt, link.lost);
    });
    Statement pageUrl(db, "SELECT url FROM pages WHERE id = ?1");
    for (Found &each : found) {
        pageUrl.bind(1, each.pageId);
        pageUrl.step();
        each.change.sourceUrl = pageUrl.text(0);
        pageUrl.reset();
    }
    std::vector<LinkChange> changes;
    for (Found &each : found)
        changes.push_back(std::move(each.change));
    std::sort(changes.begin(), changes.end(), [](const LinkChange &a, const LinkChange &b) {
        return std::tie(a.date, b.gained, a.sourceUrl, a.targetUrl, a.anchorText)
               < std::tie(b.date, a.gained, b.sourceUrl, b.targetUrl, b.anchorText);
    });
    return changes;
}

} // namespace linkindex
