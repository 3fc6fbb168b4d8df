#include "domainlinks.h"

#include "hostkey.h"
#include "linkurl.h"
#include "registrabledomain.h"

#include <climits>
#include <future>
#include <unordered_map>

namespace linkindex {

namespace {

// Below this many page ids between the first and the last linking page, a domain's links are
// read at once; above it in two halves, on two cores.
constexpr int64_t kPagesToSplit = 4096;

// The ids of the first and the last page linking to any of targets, none when no page does.
std::optional<std::pair<int64_t, int64_t>> linkingPages(Database &db, const std::vector<std::pair<int64_t, std::string>> &targets)
{
    Statement first(db, "SELECT min(page_id) FROM backlinks WHERE host_id = ?1");
    Statement last(db, "SELECT max(page_id) FROM backlinks WHERE host_id = ?1");
    std::optional<std::pair<int64_t, int64_t>> pages;
    for (const auto &target : targets) {
        first.bind(1, target.first).step();
        last.bind(1, target.first).step();
        if (const std::optional<int64_t> firstPage = first.optionalInteger(0)) {
            const int64_t lastPage = last.integer(0);
            pages = pages ? std::pair(std::min(pages->first, *firstPage), std::max(pages->second, lastPage))
                          : std::pair(*firstPage, lastPage);
        }
        first.reset();
        last.reset();
    }
    return pages;
}

// Every write of links is an input's transaction, which adds the input: two connections that see
// the same latest input read the same links.
int64_t latestInput(Database &db)
{
    Statement latest(db, "SELECT ifnull(max(id), 0) FROM inputs");
    latest.step();
    const int64_t id = latest.integer(0);
    latest.reset();
    return id;
}

} // namespace

DomainLinks::DomainLinks(Database &db, std::string_view host, std::optional<int64_t> since, std::optional<int64_t> until)
{
    Transaction read(db, Transaction::Kind::Read);
    Query query;
    std::tie(query.first, query.last) = domainKeyRange(host);
    query.since = since;
    query.until = until;
    Statement hosts(db, "SELECT id, reversed FROM hosts WHERE reversed >= ?1 AND reversed < ?2");
    hosts.bind(1, query.first).bind(2, query.last);
    while (hosts.step())
        query.targets.emplace_back(hosts.integer(0), hosts.text(1));

    const std::optional<std::pair<int64_t, int64_t>> pages = linkingPages(db, query.targets);
    if (!pages)
        return;
    const auto [firstPage, lastPage] = *pages;
    // A writer's connection may hold changes no other connection sees yet.
    if (lastPage - firstPage < kPagesToSplit || sqlite3_db_readonly(db.handle(), "main") != 1) {
        this->read(db, query, firstPage, lastPage);
        return;
    }
    // The second half is read over a connection of its own, when that reads the index as db does
    // (no input was added in between).
    Database other(db.path(), Database::Access::ReadOnly);
    Transaction otherRead(other, Transaction::Kind::Read);
    if (latestInput(other) != latestInput(db)) {
        this->read(db, query, firstPage, lastPage);
        return;
    }
    const int64_t middle = firstPage + (lastPage - firstPage) / 2;
    DomainLinks secondHalf;
    std::future<void> readingSecondHalf =
        std::async(std::launch::async, [&] { secondHalf.read(other, query, middle + 1, lastPage); });
    this->read(db, query, firstPage, middle);
    readingSecondHalf.get();
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
