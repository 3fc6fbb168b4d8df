#include "domainlinks.h"

#include "hostkey.h"
#include "linkurl.h"
#include "registrabledomain.h"

#include <climits>
#include <unordered_map>

namespace linkindex {

DomainLinks::DomainLinks(Database &db, std::string_view host, std::optional<int64_t> since, std::optional<int64_t> until)
{
    Transaction read(db, Transaction::Kind::Read);
    const auto [first, last] = domainKeyRange(host);
    std::vector<std::pair<int64_t, std::string>> targets;
    Statement hosts(db, "SELECT id, reversed FROM hosts WHERE reversed >= ?1 AND reversed < ?2");
    hosts.bind(1, first).bind(2, last);
    while (hosts.step())
        targets.emplace_back(hosts.integer(0), hosts.text(1));

    // The hosts of the linking pages are few against their links: each is looked up once, and
    // none (a host of the domain itself) when its links are no backlinks of it.
    Statement hostKey(db, "SELECT reversed FROM hosts WHERE id = ?1");
    std::unordered_map<int64_t, const std::string *> domains;
    const auto domainOf = [&](int64_t id) {
        auto found = domains.find(id);
        if (found == domains.end()) {
            hostKey.bind(1, id);
            hostKey.step();
            const std::string key(hostKey.text(0));
            hostKey.reset();
            const bool own = key >= first && key < last;
            found = domains.emplace(id, own ? nullptr : kept(registrableDomain(hostFromKey(key)))).first;
        }
        return found->second;
    };
    Statement links(db, "SELECT b.source_host_id, b.page_id, l.first_seen, l.last_seen, l.anchor, l.flags, l.url, l.lost_at, "
                        "c.state FROM backlinks b JOIN links l ON l.page_id = b.page_id AND l.host_id = b.host_id "
                        "LEFT JOIN captures c ON c.page_id = l.page_id AND c.captured = l.lost_at WHERE b.host_id = ?1 "
                        "AND (?2 IS NULL OR (ifnull(b.first_captured, ?2) <= ?3 AND EXISTS(SELECT 1 FROM captures s "
                        "WHERE s.page_id = b.page_id AND s.captured BETWEEN ?2 AND ?3)))");
    const bool spanned = since || until;
    for (const auto &[target, targetKey] : targets) {
        const std::string *targetHost = kept(hostFromKey(targetKey));
        links.bind(1, target)
            .bind(2, spanned ? std::optional(since.value_or(INT64_MIN + 1)) : std::nullopt)
            .bind(3, until.value_or(INT64_MAX));
        while (links.step()) {
            const std::string *domain = domainOf(links.integer(0));
            if (!domain)
                continue;
            const std::optional<int64_t> stateAfter = links.optionalInteger(8);
            m_links.push_back({domain, kept(links.text(4)), targetHost, m_storedTargets.emplace_back(links.text(6)),
                               links.integer(1), links.integer(5),
                               links.optionalInteger(2), links.optionalInteger(3), links.optionalInteger(7),
                               stateAfter ? std::optional(lostReasonOf(links::PageState(*stateAfter))) : std::nullopt});
        }
    }
}

std::string DomainLinks::targetUrl(const Link &link)
{
    return linkUrlFromStored(link.storedTarget, *link.targetHost);
}

const std::string *DomainLinks::kept(std::string_view text)
{
    auto found = m_texts.find(text);
    if (found == m_texts.end())
        found = m_texts.emplace(text).first;
    return &*found;
}

} // namespace linkindex
