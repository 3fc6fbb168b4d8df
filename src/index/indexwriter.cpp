#include "indexwriter.h"

#include "hostkey.h"
#include "linkflags.h"
#include "linkurl.h"

#include <algorithm>
#include <climits>
#include <deque>
#include <map>
#include <tuple>

namespace linkindex {

namespace {

// Hosts met while adding are remembered for speed; past this many the memory goes back.
constexpr size_t kHostIdsKept = 1 << 20;

// Where an undated capture stands among a page's captures: before all others.
int64_t captureKey(std::optional<int64_t> captured)
{
    return captured.value_or(INT64_MIN);
}

std::optional<int64_t> captureOfKey(int64_t key)
{
    return key == INT64_MIN ? std::nullopt : std::optional<int64_t>(key);
}

bool holdsLinks(links::PageState state)
{
    return state == links::PageState::Ok || state == links::PageState::Redirect;
}

// Gone pages and redirects have no title of their own.
bool hasTitle(links::PageState state)
{
    return state == links::PageState::Ok || state == links::PageState::Noindex;
}

// Of two captures of a page at the same moment, the one the index keeps the state of: one that
// holds links over one that does not, whatever order they come in.
int64_t strongerState(int64_t a, int64_t b)
{
    const auto strength = [](int64_t state) {
        switch (links::PageState(state)) {
        case links::PageState::Ok:
            return 3;
        case links::PageState::Redirect:
            return 2;
        case links::PageState::Noindex:
            return 1;
        case links::PageState::Gone:
            break;
        }
        return 0;
    };
    return strength(a) >= strength(b) ? a : b;
}

} // namespace

IndexWriter::IndexWriter(Database &db)
    : m_db(db),
      m_findPage(db, "SELECT id, title, titled, captured, first_captured, state FROM pages WHERE url = ?1"),
      m_insertPage(db, "INSERT INTO pages(url, title, titled, captured, first_captured, state) VALUES(?1, ?2, ?5, ?3, ?3, ?4)"),
      m_updatePage(db, "UPDATE pages SET title = ?2, titled = ?3, captured = ?4, first_captured = ?5, state = ?6 WHERE id = ?1"),
      m_findCapture(db, "SELECT state FROM captures WHERE page_id = ?1 AND captured = ?2"),
      m_insertCapture(db, "INSERT INTO captures(page_id, captured, state) VALUES(?1, ?2, ?3)"),
      m_updateCapture(db, "UPDATE captures SET state = ?3 WHERE page_id = ?1 AND captured = ?2"),
      m_captureAfter(db, "SELECT min(captured) FROM captures WHERE page_id = ?1 AND captured > ?2"),
      m_findHost(db, "SELECT id FROM hosts WHERE reversed = ?1"),
      m_insertHost(db, "INSERT INTO hosts(reversed) VALUES(?1)"),
      m_linksOfPage(db, "SELECT ord, host_id, url, anchor, flags, first_seen, last_seen, pos, lost_at FROM links "
                        "WHERE page_id = ?1 ORDER BY ord"),
      m_insertLink(db, "INSERT INTO links(page_id, ord, host_id, url, anchor, flags, first_seen, last_seen, pos, lost_at) "
                       "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)"),
      m_updateLink(db, "UPDATE links SET first_seen = ?3, last_seen = ?4, pos = ?5, lost_at = ?6 "
                       "WHERE page_id = ?1 AND host_id = ?7 AND ord = ?2"),
      m_setBacklink(db, "INSERT OR REPLACE INTO backlinks(host_id, page_id, ord, source_host_id, first_captured, live) "
                        "VALUES(?1, ?2, ?3, ?4, ?5, ?6)"),
      m_setBacklinksFirstCaptured(db, "UPDATE backlinks SET first_captured = ?2 WHERE page_id = ?1 AND host_id IN "
                                      "(SELECT host_id FROM links WHERE page_id = ?1)"),
      m_hostLinked(db, "SELECT EXISTS(SELECT 1 FROM backlinks WHERE host_id = ?1 AND live)"),
      m_insertInput(db, "INSERT INTO inputs(name, records, pages, links, added) "
                        "VALUES(?1, ?2, ?3, ?4, strftime('%Y-%m-%dT%H:%M:%SZ', 'now'))"),
      m_addToTotals(db, "UPDATE totals SET pages = pages + ?1, links = links + ?2, linked_hosts = linked_hosts + ?3")
{ }

IndexWriter::~IndexWriter() = default;

void IndexWriter::beginInput()
{
    m_transaction = std::make_unique<Transaction>(m_db);
    m_linksAdded = 0;
    m_newPages = 0;
    m_linkChange = 0;
    m_linkedBefore.clear();
}

void IndexWriter::commitInput(std::string_view name, int64_t records, int64_t pages, int64_t links)
{
    m_insertInput.bind(1, name).bind(2, records).bind(3, pages).bind(4, links).run();
    m_addToTotals.bind(1, m_newPages).bind(2, m_linkChange).bind(3, linkedHostChange()).run();
    m_transaction->commit();
    m_transaction.reset();
}

void IndexWriter::rollbackInput()
{
    m_transaction.reset();
    // Hosts first met in this input are gone with it.
    m_hostIds.clear();
}

Added IndexWriter::add(const Capture &capture)
{
    const links::Page &page = capture.page;
    const int64_t state = int64_t(page.state);
    m_findPage.bind(1, page.url);
    if (m_findPage.step()) {
        const PageRow stored{m_findPage.integer(0), std::string(m_findPage.text(1)), m_findPage.optionalInteger(2),
                             m_findPage.optionalInteger(3), m_findPage.optionalInteger(4), m_findPage.integer(5)};
        m_findPage.reset();
        return addToPage(stored, capture);
    }
    m_insertPage.bind(1, page.url).bind(2, page.title).bind(3, capture.captured).bind(4, state)
        .bind(5, hasTitle(page.state) ? capture.captured : std::nullopt).run();
    const int64_t pageId = sqlite3_last_insert_rowid(m_db.handle());
    ++m_newPages;
    recordCapture(pageId, capture.captured, state);
    std::vector<StoredLink> links;
    applyCapture(links, pageId, capture);
    writeLinks(pageId, {}, links);
    chooseBacklinks(pageId, hostId(page.host), capture.captured, {}, links);
    return Added::NewPage;
}

Added IndexWriter::addToPage(const PageRow &stored, const Capture &capture)
{
    const links::Page &page = capture.page;
    const std::optional<int64_t> at = capture.captured;
    const Moment moment = recordCapture(stored.id, at, int64_t(page.state));

    PageRow updated = stored;
    updated.captured = std::max(stored.captured, at);
    // An unknown time counts as the earliest.
    updated.firstCaptured = std::min(stored.firstCaptured, at);
    if (at == updated.captured)
        updated.state = moment.state;
    // The title is that of the latest capture with one; of two at the same moment, the first in
    // plain order.
    if (hasTitle(page.state) && (at > stored.titled || (at == stored.titled && page.title < stored.title))) {
        updated.title = page.title;
        updated.titled = at;
    }
    if (std::tie(updated.title, updated.titled, updated.captured, updated.firstCaptured, updated.state)
        != std::tie(stored.title, stored.titled, stored.captured, stored.firstCaptured, stored.state))
        m_updatePage.bind(1, stored.id).bind(2, updated.title).bind(3, updated.titled).bind(4, updated.captured)
            .bind(5, updated.firstCaptured).bind(6, updated.state).run();

    const std::vector<StoredLink> before = linksOf(stored.id);
    std::vector<StoredLink> links = before;
    applyCapture(links, stored.id, capture);
    writeLinks(stored.id, before, links);
    chooseBacklinks(stored.id, hostId(page.host), updated.firstCaptured, before, links);
    if (updated.firstCaptured != stored.firstCaptured)
        m_setBacklinksFirstCaptured.bind(1, stored.id).bind(2, updated.firstCaptured).run();

    if (moment.known)
        return Added::SameMoment;
    return at > stored.captured ? Added::Later : Added::Earlier;
}

// Records that the page was captured at that moment with that state.
IndexWriter::Moment IndexWriter::recordCapture(int64_t pageId, std::optional<int64_t> captured, int64_t state)
{
    const int64_t key = captureKey(captured);
    m_findCapture.bind(1, pageId).bind(2, key);
    if (!m_findCapture.step()) {
        m_insertCapture.bind(1, pageId).bind(2, key).bind(3, state).run();
        return {state, false};
    }
    const int64_t held = m_findCapture.integer(0);
    m_findCapture.reset();
    const int64_t kept = strongerState(held, state);
    if (kept != held)
        m_updateCapture.bind(1, pageId).bind(2, key).bind(3, kept).run();
    return {kept, true};
}

std::vector<IndexWriter::StoredLink> IndexWriter::linksOf(int64_t pageId)
{
    std::vector<StoredLink> links;
    m_linksOfPage.bind(1, pageId);
    while (m_linksOfPage.step())
        links.push_back({m_linksOfPage.integer(0), m_linksOfPage.integer(1), std::string(m_linksOfPage.text(2)),
                         std::string(m_linksOfPage.text(3)), m_linksOfPage.integer(4), m_linksOfPage.optionalInteger(5),
                         m_linksOfPage.optionalInteger(6), m_linksOfPage.integer(7), m_linksOfPage.optionalInteger(8)});
    return links;
}

// Brings a page's links up to date with one more capture of it. A link the capture holds is
// the same link as a stored one with the same host, URL, anchor text, rel and type; a page that
// links the same way twice holds two such links, matched in order.
void IndexWriter::applyCapture(std::vector<StoredLink> &stored, int64_t pageId, const Capture &capture)
{
    const std::optional<int64_t> at = capture.captured;
    std::optional<std::optional<int64_t>> next; // the page's next capture after this one, once needed
    const auto nextCapture = [&] {
        if (!next)
            next = captureAfter(pageId, at);
        return *next;
    };
    std::vector<bool> held(stored.size(), false);
    // The stored links of each kind, in the order they were stored, for the offered ones to take.
    std::unordered_map<std::string, std::deque<size_t>> unmatched;
    const auto kind = [](const StoredLink &link) {
        return std::to_string(link.hostId) + '\t' + std::to_string(link.flags) + '\t' + link.anchor + '\t' + link.url;
    };
    for (size_t i = 0; i < stored.size(); ++i)
        unmatched[kind(stored[i])].push_back(i);
    if (holdsLinks(capture.page.state)) {
        int64_t nextOrd = stored.empty() ? 0 : stored.back().ord + 1;
        int64_t pos = 0;
        for (const links::Link &link : capture.page.links) {
            StoredLink offered{nextOrd, hostId(link.host), storedLinkUrl(link.url, link.host), link.anchorText,
                               linkFlags(link.rel, link.type), at, at, pos, std::nullopt, true, true};
            std::deque<size_t> *same = nullptr;
            if (!unmatched.empty()) {
                const auto found = unmatched.find(kind(offered));
                if (found != unmatched.end() && !found->second.empty())
                    same = &found->second;
            }
            if (!same) {
                offered.lostAt = nextCapture();
                stored.push_back(std::move(offered));
                held.push_back(true);
                ++nextOrd;
                ++m_linksAdded;
            } else {
                const size_t i = same->front();
                same->pop_front();
                StoredLink &link = stored[i];
                held[i] = true;
                const StoredLink was = link;
                link.firstSeen = std::min(link.firstSeen, at);
                if (at > link.lastSeen) {
                    link.lastSeen = at;
                    link.pos = pos;
                    link.lostAt = nextCapture();
                } else if (at == link.lastSeen) {
                    link.pos = std::min(link.pos, pos);
                }
                link.changed |= std::tie(was.firstSeen, was.lastSeen, was.pos, was.lostAt)
                                != std::tie(link.firstSeen, link.lastSeen, link.pos, link.lostAt);
            }
            ++pos;
        }
    }
    // A link this capture does not hold is lost by it when it comes after the last capture that
    // held it and before whatever capture was known to have lost it.
    for (size_t i = 0; i < held.size(); ++i) {
        StoredLink &link = stored[i];
        if (!held[i] && at > link.lastSeen && (!link.lostAt || at < link.lostAt)) {
            link.lostAt = at;
            link.changed = true;
        }
    }
}

std::optional<int64_t> IndexWriter::captureAfter(int64_t pageId, std::optional<int64_t> captured)
{
    m_captureAfter.bind(1, pageId).bind(2, captureKey(captured));
    m_captureAfter.step();
    const std::optional<int64_t> after = m_captureAfter.optionalInteger(0);
    m_captureAfter.reset();
    return after ? captureOfKey(*after) : std::nullopt;
}

void IndexWriter::writeLinks(int64_t pageId, const std::vector<StoredLink> &before, const std::vector<StoredLink> &links)
{
    for (size_t i = 0; i < links.size(); ++i) {
        const StoredLink &link = links[i];
        m_linkChange += int64_t(!link.lostAt) - int64_t(i < before.size() && !before[i].lostAt);
        if (link.isNew)
            m_insertLink.bind(1, pageId).bind(2, link.ord).bind(3, link.hostId).bind(4, link.url).bind(5, link.anchor)
                .bind(6, link.flags).bind(7, link.firstSeen).bind(8, link.lastSeen).bind(9, link.pos)
                .bind(10, link.lostAt).run();
        else if (link.changed)
            m_updateLink.bind(1, pageId).bind(2, link.ord).bind(3, link.firstSeen).bind(4, link.lastSeen)
                .bind(5, link.pos).bind(6, link.lostAt).bind(7, link.hostId).run();
    }
}

void IndexWriter::chooseBacklinks(int64_t pageId, int64_t sourceHostId, std::optional<int64_t> firstCaptured,
                                  const std::vector<StoredLink> &before, const std::vector<StoredLink> &after)
{
    // The first standing link to each host, else the one lost last.
    const auto chosen = [](const std::vector<StoredLink> &links) {
        std::map<int64_t, const StoredLink *> byHost;
        const auto before = [](const StoredLink &a, const StoredLink &b) {
            if (a.lostAt.has_value() != b.lostAt.has_value())
                return !a.lostAt;
            if (a.lostAt && a.lastSeen != b.lastSeen)
                return a.lastSeen > b.lastSeen;
            // Links of two records of one capture may stand in the same place.
            return std::tie(a.pos, a.url, a.anchor, a.flags, a.ord) < std::tie(b.pos, b.url, b.anchor, b.flags, b.ord);
        };
        for (const StoredLink &link : links) {
            auto [at, added] = byHost.emplace(link.hostId, &link);
            if (!added && before(link, *at->second))
                at->second = &link;
        }
        return byHost;
    };
    const std::map<int64_t, const StoredLink *> was = chosen(before);
    for (const auto &[host, link] : chosen(after)) {
        const auto old = was.find(host);
        if (old != was.end() && old->second->ord == link->ord && old->second->lostAt.has_value() == link->lostAt.has_value())
            continue;
        if (!m_linkedBefore.count(host))
            m_linkedBefore.emplace(host, hostLinked(host));
        m_setBacklink.bind(1, host).bind(2, pageId).bind(3, link->ord).bind(4, sourceHostId).bind(5, firstCaptured)
            .bind(6, int64_t(!link->lostAt)).run();
    }
}

bool IndexWriter::hostLinked(int64_t hostId)
{
    m_hostLinked.bind(1, hostId);
    m_hostLinked.step();
    const bool linked = m_hostLinked.integer(0) != 0;
    m_hostLinked.reset();
    return linked;
}

// How many more hosts have backlinks than before this input.
int64_t IndexWriter::linkedHostChange()
{
    int64_t change = 0;
    for (const auto &[host, before] : m_linkedBefore)
        change += int64_t(hostLinked(host)) - int64_t(before);
    return change;
}

int64_t IndexWriter::hostId(const std::string &host)
{
    if (const auto known = m_hostIds.find(host); known != m_hostIds.end())
        return known->second;
    if (m_hostIds.size() >= kHostIdsKept)
        m_hostIds.clear();
    const std::string key = hostKey(host);
    int64_t id;
    m_findHost.bind(1, key);
    if (m_findHost.step()) {
        id = m_findHost.integer(0);
        m_findHost.reset();
    } else {
        m_insertHost.bind(1, key).run();
        id = sqlite3_last_insert_rowid(m_db.handle());
        m_linkedBefore.emplace(id, false);
    }
    m_hostIds.emplace(host, id);
    return id;
}

} // namespace linkindex
