#pragma once

#include "graph/graphlines.h"
#include "index/backlinks.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The commands of linkvane-index; each returns the program's exit status.
namespace indexer {

int add(const std::string &index, const std::vector<std::string> &inputs, unsigned threads, bool quiet);
int extract(const std::vector<std::string> &inputs, const std::string &targetsFile, unsigned threads);
int backlinks(const std::string &index, const std::string &domain, linkindex::BacklinkReader::Pages pages,
              const std::string &format);
int stats(const std::string &index);

// A domain's link profile from the pages in the index; format is tsv, csv or json, and for
// domains also disavow.
// lost counts lost links too; broken lists only linked pages whose latest capture is 404 or 410.
int domains(const std::string &index, const std::string &domain, bool lost, const std::string &format);
int anchors(const std::string &index, const std::string &domain, bool lost, const std::string &format);
int targets(const std::string &index, const std::string &domain, bool lost, bool broken, const std::string &format);
int report(const std::string &index, const std::string &domain, const std::string &file);

// Where Common Crawl serves its files.
inline constexpr const char *kCommonCrawlBase = "https://data.commoncrawl.org";

struct GraphAdd
{
    std::vector<std::string> files; // none: fetch the release
    std::optional<std::string> release;
    graph::Level level;             // of a release fetched
    std::string base;               // where a release is fetched from
    std::string targetsFile;        // empty: all sites
    bool quiet = false;
};
int addGraph(const std::string &index, const GraphAdd &add);
int removeGraph(const std::string &index, const std::string &release, std::optional<graph::Level> level);

// Which release a query of the web graphs reads, and how it writes.
struct SiteQuery
{
    std::optional<std::string> release;
    std::optional<graph::Level> level;
    std::string format;
};
int referring(const std::string &index, const std::string &domain, const SiteQuery &query);
int gap(const std::string &index, const std::string &domain, const std::vector<std::string> &competitors,
        unsigned minimum, const SiteQuery &query);
// Links to the domain gained and lost within [since, until] by the pages in the index, then the
// sites gained and lost between two web-graph releases.
struct ChangesQuery
{
    std::optional<int64_t> since, until; // microseconds since 1970 UTC
    std::optional<std::string> from, to; // releases
    std::optional<graph::Level> level;
    std::string format;
};
int changes(const std::string &index, const std::string &domain, const ChangesQuery &query);

} // namespace indexer
