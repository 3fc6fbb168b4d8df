#pragma once

#include "graph/graphstore.h"
#include "graph/release.h"
#include "index/backlinks.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

// The sites that link to a domain in the index's newest web-graph release, listed after the
// domain's pages, as rows of the result page: "http://<site>/", named "整站链接：<site>（排名 N）".
// Sites that a page row already comes from are left out. Releases added while the service runs
// are seen at the next search.
class SiteRows
{
public:
    SiteRows(linkindex::Database &db, const std::string &indexPath);

    // The rows of host (as the index keeps hosts) whose page rows number pages: how many there are,
    // and from offset on, at most limit of them.
    uint64_t count(const std::string &host, int64_t pages);
    std::vector<linkindex::Backlink> rows(const std::string &host, int64_t pages, uint64_t offset, uint64_t limit);

private:
    struct Listing
    {
        std::string host;
        int64_t pages = -1;
        std::shared_ptr<const graph::Release> release;
        std::vector<uint32_t> sites;
    };
    const Listing &listing(const std::string &host, int64_t pages);
    std::shared_ptr<const graph::Release> open(const graph::GraphStore::Stored &stored);

    linkindex::Database &m_db;
    graph::GraphStore m_store;
    std::map<std::string, std::pair<uint64_t, std::shared_ptr<const graph::Release>>> m_open; // by folder, with its inode
    Listing m_cached;
};
