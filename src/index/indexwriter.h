#pragma once

#include "capture.h"
#include "sqlite.h"

#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace linkindex {

// What adding one capture did to the index.
enum class Added {
    NewPage,   // a URL the index did not know
    Replaced,  // a later capture of a known URL: its title and links replace the old ones
    Extended,  // more links of a capture already added from this input (link lists give a page
               // a line a link, and the lines need not stand together)
    Unchanged, // an older or the same capture of a known URL
};

// Adds the captures of one input after another, each input in one transaction: until commit()
// nothing of it is seen by readers, and an input that is not committed leaves no trace.
//
// A URL is one page, as its latest capture shows it; an older capture only moves the page's
// place in listings, which is the time of its first capture. Whatever order the inputs come in,
// the index they make is the same.
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
    using LinkKey = std::tuple<std::string, std::string, bool>; // URL, anchor text, nofollow

    int64_t hostId(const std::string &host);
    bool hostLinked(int64_t hostId);
    int64_t linkedHostChange();
    void insertLinks(int64_t pageId, int64_t sourceHostId, const Capture &capture, int64_t firstOrd,
                     std::optional<int64_t> firstCaptured);
    void deleteLinks(int64_t pageId);
    void moveFirstCapture(int64_t pageId, std::optional<int64_t> firstCaptured);
    Added extend(int64_t pageId, const Capture &capture, std::optional<int64_t> firstCaptured);
    bool before(const Capture &capture, int64_t pageId);
    std::vector<LinkKey> linksOf(int64_t pageId); // as added, in page order

    Database &m_db;
    std::unique_ptr<Transaction> m_transaction;
    Statement m_findPage, m_insertPage, m_replacePage, m_setFirstCaptured;
    Statement m_findHost, m_insertHost;
    Statement m_titleOfPage, m_insertLink, m_linksOfPage, m_deleteLinks, m_lastOrd;
    Statement m_insertBacklink, m_deleteBacklinks, m_setBacklinksFirstCaptured, m_hostLinked;
    Statement m_insertInput, m_addToTotals;
    std::unordered_map<std::string, int64_t> m_hostIds;
    // Pages written by this input, with the capture time written.
    std::unordered_map<int64_t, std::optional<int64_t>> m_written;
    int64_t m_linksAdded = 0;
    // What this input changed of the totals: pages and links are counted as they are written;
    // hosts whose backlinks it changed, with whether they had any before it, are looked at again
    // when it is committed.
    int64_t m_newPages = 0;
    int64_t m_linkChange = 0;
    std::unordered_map<int64_t, bool> m_linkedBefore;
};

} // namespace linkindex
