#pragma once

#include "capture.h"
#include "sqlite.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace linkindex {

// What adding one capture did to the index.
enum class Added {
    NewPage,   // a URL the index did not know
    Later,     // a later capture of a known URL: it is now the one listings show
    Earlier,   // an earlier capture of a known URL: it adds to the page's history
    SameMoment // another record of a capture the index holds (the same record twice, a page's
               // lines of a link list, a WARC and its WAT): only links it did not have are added
};

// Adds the captures of one input after another, each input in one transaction: until commit()
// nothing of it is seen by readers, and an input that is not committed leaves no trace.
//
// Every capture of a URL adds to its history (schema.cpp says what the index keeps); whatever
// order the captures come in, the index they make is the same.
class IndexWriter
{
public:
    explicit IndexWriter(Database &db);
    ~IndexWriter();

    void beginInput();
    Added add(const Capture &capture);
    // Records the input under name with its totals and makes it visible.
    void commitInput(std::string_view name, int64_t records, int64_t pages, int64_t links);
    void rollbackInput();

    int64_t linksAdded() const { return m_linksAdded; } // in this input so far

private:
    // A link of a page as the index holds it.
    struct StoredLink
    {
        int64_t ord = 0;
        int64_t hostId = 0;
        std::string url; // as stored (linkurl.h)
        std::string anchor;
        int64_t flags = 0;
        std::optional<int64_t> firstSeen, lastSeen;
        int64_t pos = 0;
        std::optional<int64_t> lostAt;
        bool isNew = false;
        bool changed = false;
    };
    struct PageRow
    {
        int64_t id = 0;
        std::string title;
        std::optional<int64_t> titled, captured, firstCaptured;
        int64_t state = 0;
    };

    // The state the index keeps for a moment of a page, and whether it held a capture of that
    // moment before.
    struct Moment
    {
        int64_t state;
        bool known;
    };

    Added addToPage(const PageRow &page, const Capture &capture);
    Moment recordCapture(int64_t pageId, std::optional<int64_t> captured, int64_t state);
    std::vector<StoredLink> linksOf(int64_t pageId);
    void applyCapture(std::vector<StoredLink> &stored, int64_t pageId, const Capture &capture);
    std::optional<int64_t> captureAfter(int64_t pageId, std::optional<int64_t> captured);
    void writeLinks(int64_t pageId, const std::vector<StoredLink> &before, const std::vector<StoredLink> &links);
    void chooseBacklinks(int64_t pageId, int64_t sourceHostId, std::optional<int64_t> firstCaptured,
                         const std::vector<StoredLink> &before, const std::vector<StoredLink> &after);
    int64_t hostId(const std::string &host);
    bool hostLinked(int64_t hostId);
    int64_t linkedHostChange();

    Database &m_db;
    std::unique_ptr<Transaction> m_transaction;
    Statement m_findPage, m_insertPage, m_updatePage;
    Statement m_findCapture, m_insertCapture, m_updateCapture, m_captureAfter;
    Statement m_findHost, m_insertHost;
    Statement m_linksOfPage, m_insertLink, m_updateLink;
    Statement m_setBacklink, m_setBacklinksFirstCaptured, m_hostLinked;
    Statement m_insertInput, m_addToTotals;
    std::unordered_map<std::string, int64_t> m_hostIds;
    int64_t m_linksAdded = 0;
    // What this input changed of the totals, which count what stands: pages and links are
    // counted as they are written; hosts whose backlinks changed, with whether any stood before
    // it, are looked at again when it is committed.
    int64_t m_newPages = 0;
    int64_t m_linkChange = 0;
    std::unordered_map<int64_t, bool> m_linkedBefore;
};

} // namespace linkindex
