#include "domainlinks.h"

#include "hostkey.h"
#include "linkurl.h"
#include "pagehalves.h"
#include "registrabledomain.h"

#include <climits>
#include <unordered_map>

namespace linkindex {

DomainLinks::DomainLinks(Database &db, std::string_view host, std::optional<int64_t> since, std::optional<int64_t> until)
{
    Transaction read(db, Transaction::Kind::Read);
    Query query;
    std::tie(query.first, query.last) = domainKeyRange(host);
    query.since = since;
    query.until = until;
    Statement hosts(db, "SELECT id, reversed FROM hosts WHERE reversed >= ?1 AND reversed < ?2");
    hosts.bind(1, query.first).bind(2, query.last);
    std::vector<int64_t> ids;
    while (hosts.step()) {
        query.targets.emplace_back(hosts.integer(0), hosts.text(1));
        ids.push_back(hosts.integer(0));
    }
    DomainLinks secondHalf;
    readInPageHalves(db, ids, [&](Database &on, int64_t firstPage, int64_t lastPage, int half) {
        (half == 0 ? *this : secondHalf).read(on, query, firstPage, lastPage);
    });
    take(std::move(secondHalf));
}

void DomainLinks::read(Database &db, const Query &query, int64_t firstPage, int64_t lastPage)
{
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
            const bool own = key >= query.first && key < query.last;
            found = domains.emplace(id, own ? nullptr : kept(registrableDomain(hostFromKey(key)))).first;
        }
        return found->second;
    };
    Statement links(db, "SELECT b.source_host_id, b.page_id, l.first_seen, l.last_seen, l.anchor, l.flags, l.url, l.lost_at, "
                        "c.state FROM backlinks b JOIN links l ON l.page_id = b.page_id AND l.host_id = b.host_id "
                        "LEFT JOIN captures c ON c.page_id = l.page_id AND c.captured = l.lost_at "
                        "WHERE b.host_id = ?1 AND b.page_id BETWEEN ?4 AND ?5 "
                        "AND (?2 IS NULL OR (ifnull(b.first_captured, ?2) <= ?3 AND EXISTS(SELECT 1 FROM captures s "
                        "WHERE s.page_id = b.page_id AND s.captured BETWEEN ?2 AND ?3)))");
    const bool spanned = query.since || query.until;
    for (const auto &[target, targetKey] : query.targets) {
        const std::string *targetHost = kept(hostFromKey(targetKey));
        links.bind(1, target)
            .bind(2, spanned ? std::optional(query.since.value_or(INT64_MIN + 1)) : std::nullopt)
            .bind(3, query.until.value_or(INT64_MAX))
            .bind(4, firstPage)
            .bind(5, lastPage);
        while (links.step()) {
            const std::string *domain = domainOf(links.integer(0));
            if (!domain)
                continue;
            const std::optional<int64_t> stateAfter = links.optionalInteger(8);
            m_links.push_back({domain, kept(links.text(4)), targetHost, std::string(links.text(6)), links.integer(1),
                               links.integer(5), links.optionalInteger(2), links.optionalInteger(3), links.optionalInteger(7),
                               stateAfter ? std::optional(lostReasonOf(links::PageState(*stateAfter))) : std::nullopt});
        }
    }
}

void DomainLinks::take(DomainLinks &&other)
{
    // Texts new to these move over as they are; those already here are found for the links
    // that point to them.
    m_texts.merge(other.m_texts);
    std::unordered_map<const std::string *, const std::string *> ours;
    for (const std::string &text : other.m_texts)
        ours.emplace(&text, &*m_texts.find(text));
    const auto own = [&](const std::string *&text) {
        if (const auto found = ours.find(text); found != ours.end())
            text = found->second;
    };
    m_links.reserve(m_links.size() + other.m_links.size());
    for (Link &link : other.m_links) {
        own(link.domain);
        own(link.anchor);
        own(link.targetHost);
        m_links.push_back(std::move(link));
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
