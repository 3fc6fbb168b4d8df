#include "indexwriter.h"

#include "hostkey.h"
#include "linkurl.h"

#include <algorithm>
#include <set>
#include <tuple>

namespace linkindex {

namespace {

// Hosts met while adding are remembered for speed; past this many the memory goes back.
constexpr size_t kHostIdsKept = 1 << 20;

} // namespace

IndexWriter::IndexWriter(Database &db)
    : m_db(db),
      m_findPage(db, "SELECT id, captured, first_captured FROM pages WHERE url = ?1"),
      m_insertPage(db, "INSERT INTO pages(url, title, captured, first_captured) VALUES(?1, ?2, ?3, ?3)"),
      m_replacePage(db, "UPDATE pages SET title = ?2, captured = ?3, first_captured = ?4 WHERE id = ?1"),
      m_setFirstCaptured(db, "UPDATE pages SET first_captured = ?2 WHERE id = ?1"),
      m_findHost(db, "SELECT id FROM hosts WHERE reversed = ?1"),
      m_insertHost(db, "INSERT INTO hosts(reversed) VALUES(?1)"),
      m_insertLink(db, "INSERT INTO links(page_id, ord, host_id, url, anchor, nofollow) VALUES(?1, ?2, ?3, ?4, ?5, ?6)"),
      m_titleOfPage(db, "SELECT title FROM pages WHERE id = ?1"),
      m_linksOfPage(db, "SELECT l.url, l.anchor, l.nofollow, h.reversed FROM links l JOIN hosts h ON h.id = l.host_id "
                         "WHERE l.page_id = ?1 ORDER BY l.ord"),
      m_deleteLinks(db, "DELETE FROM links WHERE page_id = ?1"),
      m_lastOrd(db, "SELECT max(ord) FROM links WHERE page_id = ?1"),
      m_insertBacklink(db, "INSERT OR IGNORE INTO backlinks(host_id, page_id, ord, source_host_id, first_captured) "
                           "VALUES(?1, ?2, ?3, ?4, ?5)"),
      m_deleteBacklinks(db, "DELETE FROM backlinks WHERE page_id = ?1 AND host_id IN "
                            "(SELECT host_id FROM links WHERE page_id = ?1) RETURNING host_id"),
      m_setBacklinksFirstCaptured(db, "UPDATE backlinks SET first_captured = ?2 WHERE page_id = ?1 AND host_id IN "
                                      "(SELECT host_id FROM links WHERE page_id = ?1)"),
      m_hostLinked(db, "SELECT EXISTS(SELECT 1 FROM backlinks WHERE host_id = ?1)"),
      m_insertInput(db, "INSERT INTO inputs(name, records, pages, links, added) "
                        "VALUES(?1, ?2, ?3, ?4, strftime('%Y-%m-%dT%H:%M:%SZ', 'now'))"),
      m_addToTotals(db, "UPDATE totals SET pages = pages + ?1, links = links + ?2, linked_hosts = linked_hosts + ?3")
{ }

IndexWriter::~IndexWriter() = default;

void IndexWriter::beginInput()
{
    m_transaction = std::make_unique<Transaction>(m_db);
    m_written.clear();
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
    m_written.clear();
}

void IndexWriter::rollbackInput()
{
    m_transaction.reset();
    m_written.clear();
    // Hosts first met in this input are gone with it.
    m_hostIds.clear();
}

Added IndexWriter::add(const Capture &capture)
{
    m_findPage.bind(1, capture.page.url);
    if (!m_findPage.step()) {
        m_insertPage.bind(1, capture.page.url).bind(2, capture.page.title).bind(3, capture.captured).run();
        const int64_t pageId = sqlite3_last_insert_rowid(m_db.handle());
        insertLinks(pageId, hostId(capture.page.host), capture, 0, capture.captured);
        m_written.emplace(pageId, capture.captured);
        ++m_newPages;
        return Added::NewPage;
    }
    const int64_t pageId = m_findPage.integer(0);
    const std::optional<int64_t> storedCapture = m_findPage.optionalInteger(1);
    const std::optional<int64_t> storedFirst = m_findPage.optionalInteger(2);
    m_findPage.reset();
    // An unknown time counts as the earliest.
    const std::optional<int64_t> firstCaptured = std::min(storedFirst, capture.captured);

    if (const auto written = m_written.find(pageId); written != m_written.end() && written->second == capture.captured)
        return extend(pageId, capture, firstCaptured);
    if (capture.captured > storedCapture || (capture.captured == storedCapture && before(capture, pageId))) {
        deleteLinks(pageId);
        m_replacePage.bind(1, pageId).bind(2, capture.page.title).bind(3, capture.captured).bind(4, firstCaptured).run();
        insertLinks(pageId, hostId(capture.page.host), capture, 0, firstCaptured);
        m_written[pageId] = capture.captured;
        return Added::Replaced;
    }
    if (firstCaptured != storedFirst)
        moveFirstCapture(pageId, firstCaptured);
    return Added::Unchanged;
}

// Of two captures of a URL at the same moment from different inputs (a WARC and its WAT, say),
// the index keeps the same one whatever order the inputs come in: the one whose title and links
// come first in plain order.
bool IndexWriter::before(const Capture &capture, int64_t pageId)
{
    m_titleOfPage.bind(1, pageId);
    m_titleOfPage.step();
    const std::string storedTitle(m_titleOfPage.text(0));
    m_titleOfPage.reset();
    if (capture.page.title != storedTitle)
        return capture.page.title < storedTitle;
    std::vector<LinkKey> offered;
    for (const links::Link &link : capture.page.links)
        offered.emplace_back(link.url, link.anchorText, link.rel.nofollow);
    return offered < linksOf(pageId);
}

Added IndexWriter::extend(int64_t pageId, const Capture &capture, std::optional<int64_t> firstCaptured)
{
    // The same capture read again (the same record twice, or a page's lines of a link list)
    // adds only the links it does not have yet.
    const std::vector<LinkKey> stored = linksOf(pageId);
    std::set<LinkKey> known(stored.begin(), stored.end());
    Capture added{{capture.page.url, capture.page.host, capture.page.title, {}}, capture.captured};
    for (const links::Link &link : capture.page.links) {
        if (known.emplace(link.url, link.anchorText, link.rel.nofollow).second)
            added.page.links.push_back(link);
    }
    if (added.page.links.empty())
        return Added::Unchanged;
    m_lastOrd.bind(1, pageId);
    m_lastOrd.step();
    const std::optional<int64_t> lastOrd = m_lastOrd.optionalInteger(0);
    m_lastOrd.reset();
    insertLinks(pageId, hostId(capture.page.host), added, lastOrd ? *lastOrd + 1 : 0, firstCaptured);
    return Added::Extended;
}

std::vector<IndexWriter::LinkKey> IndexWriter::linksOf(int64_t pageId)
{
    std::vector<LinkKey> links;
    m_linksOfPage.bind(1, pageId);
    while (m_linksOfPage.step())
        links.emplace_back(linkUrlFromStored(m_linksOfPage.text(0), hostFromKey(m_linksOfPage.text(3))),
                           m_linksOfPage.text(1), m_linksOfPage.integer(2) != 0);
    return links;
}

void IndexWriter::insertLinks(int64_t pageId, int64_t sourceHostId, const Capture &capture, int64_t firstOrd,
                              std::optional<int64_t> firstCaptured)
{
    int64_t ord = firstOrd;
    for (const links::Link &link : capture.page.links) {
        const int64_t targetHostId = hostId(link.host);
        if (!m_linkedBefore.count(targetHostId))
            m_linkedBefore.emplace(targetHostId, hostLinked(targetHostId));
        m_insertLink.bind(1, pageId).bind(2, ord).bind(3, targetHostId).bind(4, storedLinkUrl(link.url, link.host))
            .bind(5, link.anchorText)
            .bind(6, int64_t(link.rel.nofollow)).run();
        // The first link to each host is the one a listing shows; later ones are ignored here.
        m_insertBacklink.bind(1, targetHostId).bind(2, pageId).bind(3, ord).bind(4, sourceHostId).bind(5, firstCaptured)
            .run();
        ++ord;
    }
    m_linksAdded += ord - firstOrd;
    m_linkChange += ord - firstOrd;
}

void IndexWriter::deleteLinks(int64_t pageId)
{
    // A host this input had not changed yet had the backlink that goes.
    m_deleteBacklinks.bind(1, pageId);
    while (m_deleteBacklinks.step())
        m_linkedBefore.emplace(m_deleteBacklinks.integer(0), true);
    m_deleteLinks.bind(1, pageId).run();
    m_linkChange -= sqlite3_changes64(m_db.handle());
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

void IndexWriter::moveFirstCapture(int64_t pageId, std::optional<int64_t> firstCaptured)
{
    m_setFirstCaptured.bind(1, pageId).bind(2, firstCaptured).run();
    m_setBacklinksFirstCaptured.bind(1, pageId).bind(2, firstCaptured).run();
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
