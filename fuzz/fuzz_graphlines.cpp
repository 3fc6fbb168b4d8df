// A web-graph release as Common Crawl (or whoever serves the files) could write it: the input is
// its vertices, edges, ranks and names to ask about, separated by NUL bytes. Every line goes
// through the line readers of both levels; then the files are built into a release, with edges
// sorted in runs on disk, which is opened and asked about as linkvane-index and the service ask.
#include "graph/graphbuilder.h"
#include "graph/grapherror.h"
#include "graph/graphlines.h"
#include "graph/release.h"
#include "graph/sitename.h"
#include "graph/sitequeries.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace {

void require(bool holds)
{
    if (!holds)
        std::abort();
}

std::vector<std::string_view> split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    for (size_t at = 0;;) {
        const size_t end = text.find(separator, at);
        parts.push_back(text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
        if (end == std::string_view::npos)
            return parts;
        at = end + 1;
    }
}

bool within(std::string_view part, std::string_view whole)
{
    return part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size();
}

// A value written back reads as the same number.
void roundTrips(double value)
{
    const std::string text = graph::formatValue(value);
    if (std::isnan(value)) {
        require(text.empty());
        return;
    }
    require(std::strtod(text.c_str(), nullptr) == value);
}

void readLine(std::string_view line)
{
    (void)graph::fileShape(line);
    for (graph::Level level : {graph::Level::Domain, graph::Level::Host}) {
        if (const auto vertex = graph::parseVertex(line, level))
            require(within(vertex->name, line) && graph::isSiteName(vertex->name));
        if (const auto rank = graph::parseRank(line, level)) {
            require(within(rank->name, line) && graph::isSiteName(rank->name));
            roundTrips(rank->harmonicValue);
            roundTrips(rank->pagerankValue);
        }
    }
    uint64_t from = 0, to = 0;
    (void)graph::parseEdge(line, from, to);
}

// Where each run writes its files and builds, removed at the end.
fs::path work;

// What a stored release answers must agree with itself.
void askRelease(const graph::Release &release, const std::vector<std::string> &hosts)
{
    const auto sites = uint32_t(std::min<uint64_t>(release.vertices(), 64));
    for (uint32_t site = 0; site < sites; ++site) {
        const std::string name = release.reversedName(site);
        require(release.find(name) == site);
        std::vector<uint32_t> sources;
        release.sources(site, sources);
        require(sources.size() == release.sourceCount(site));
        require(std::adjacent_find(sources.begin(), sources.end(), std::greater_equal<>()) == sources.end());
        require(std::find(sources.begin(), sources.end(), site) == sources.end());
        require(sources.empty() || sources.back() < release.vertices());
        (void)release.rank(site);
        (void)release.hosts(site);
    }
    std::vector<graph::Asked> asked;
    for (const std::string &host : hosts) {
        asked.push_back(graph::ask(release, host));
        const graph::ReferringSites referring(release, asked.back());
        const std::vector<uint32_t> all = referring.all();
        require(all.size() == referring.count());
        const std::vector<uint32_t> page = referring.page(1, 2);
        require(std::equal(page.begin(), page.end(), all.begin() + std::min<size_t>(all.size(), 1)));
        for (uint32_t site : all)
            (void)release.reversedName(site);
        (void)graph::changes(release, release, host);
    }
    if (!asked.empty())
        (void)graph::gap(release, asked.front(), asked, 1);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    std::string name = (fs::temp_directory_path() / "fuzz_graphlines-XXXXXX").string();
    if (!::mkdtemp(name.data()))
        std::abort();
    work = name;
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(work, ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const std::vector<std::string_view> parts = split(input, '\0');
    for (size_t i = 0; i < std::min<size_t>(parts.size(), 3); ++i)
        for (std::string_view line : split(parts[i], '\n'))
            readLine(line);

    graph::BuildRequest request;
    request.release = "cc-main-2025-mar-apr-may";
    request.memoryEdges = 3;
    const char *const names[] = {"vertices.txt", "edges.txt", "ranks.txt"};
    for (size_t i = 0; i < std::min<size_t>(parts.size(), 3); ++i) {
        const fs::path file = work / names[i];
        std::ofstream(file, std::ios::binary | std::ios::trunc).write(parts[i].data(), std::streamsize(parts[i].size()));
        request.inputs.push_back(file.string());
    }
    const fs::path folder = work / "release";
    fs::remove_all(folder);
    fs::create_directory(folder);
    const std::atomic<bool> neverStop = false;
    graph::BuildSummary summary;
    try {
        summary = graph::buildRelease(request, folder.string(), [](const graph::BuildProgress &) {}, neverStop);
    } catch (const graph::GraphError &) {
        return 0;
    }
    // A release built whole opens whole.
    const graph::Release release(folder.string());
    require(release.vertices() == summary.vertices && release.edges() == summary.edges);

    std::vector<std::string> hosts{"example.com", "www.example.com", "com"};
    if (parts.size() > 3)
        for (std::string_view host : split(parts[3], '\n'))
            hosts.emplace_back(host);
    if (release.vertices() > 0)
        hosts.push_back(graph::siteName(release.reversedName(0)));
    hosts.resize(std::min<size_t>(hosts.size(), 8));
    askRelease(release, hosts);
    return 0;
}
