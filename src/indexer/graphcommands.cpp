#include "commands.h"

#include "archive/errors.h"
#include "graph/graphbuilder.h"
#include "graph/grapherror.h"
#include "graph/graphstore.h"
#include "graph/lineinput.h"
#include "graph/release.h"
#include "index/domain.h"
#include "index/schema.h"
#include "progress.h"
#include "readinputs.h"

#include <chrono>
#include <fstream>

namespace indexer {

namespace {

// The files of a release as Common Crawl serves them. At host level the vertices and edges come
// in parts, listed (as paths from base) in a file of paths each.
std::vector<std::string> releaseFiles(const std::string &base, const std::string &release, graph::Level level)
{
    const std::string levelName = graph::levelName(level);
    const std::string folder = base + "/projects/hyperlinkgraph/" + release + "/" + levelName + "/" + release + "-"
                               + levelName + "-";
    if (level == graph::Level::Domain)
        return {folder + "vertices.txt.gz", folder + "edges.txt.gz", folder + "ranks.txt.gz"};
    std::vector<std::string> files;
    for (const char *kind : {"vertices", "edges"}) {
        const std::string list = folder + kind + ".paths.gz";
        try {
            graph::LineInput paths(list);
            for (std::string_view block = paths.next(); !block.empty(); block = paths.next())
                for (size_t at = 0; at < block.size();) {
                    const size_t end = block.find('\n', at);
                    const std::string path(block.substr(at, end - at));
                    at = end + 1;
                    if (!path.empty())
                        files.push_back(graph::isUrl(path) ? path : base + "/" + path);
                }
        } catch (const archive::InputError &error) {
            throw graph::GraphError(list + ": " + error.what());
        }
    }
    files.push_back(folder + "ranks.txt.gz");
    return files;
}

// The domains of a --targets file as the index keeps hosts.
std::vector<std::string> readTargets(const std::string &file)
{
    std::ifstream in(file);
    if (!in)
        throw graph::GraphError("cannot read the targets file " + file);
    std::vector<std::string> hosts;
    for (std::string line; std::getline(in, line);) {
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        const std::optional<std::string> host = linkindex::domainHost(line);
        if (!host)
            throw graph::GraphError(file + ": \"" + line + "\" is not a domain");
        hosts.push_back(*host);
    }
    if (hosts.empty())
        throw graph::GraphError("the targets file " + file + " names no domain");
    return hosts;
}

} // namespace

int addGraph(const std::string &index, const GraphAdd &add)
{
    const auto start = std::chrono::steady_clock::now();
    const graph::GraphStore store(index);
    std::string built;
    try {
        // The index itself exists once a graph is in it, so that the service can be pointed at it.
        linkindex::openIndex(index, linkindex::Database::Access::ReadWrite);
        graph::BuildRequest request;
        request.inputs = add.files.empty() ? releaseFiles(add.base, *add.release, add.level) : add.files;
        request.release = add.release;
        if (!add.targetsFile.empty())
            request.targets = readTargets(add.targetsFile);

        ProgressLine progress(stderr, progressMode(add.quiet));
        const auto shown = [&](const graph::BuildProgress &read) {
            if (!read.done && !progress.due(read.seconds))
                return;
            InputProgress line{read.input, read.bytesRead, read.size, int64_t(read.lines), 0, 0, read.seconds};
            line.words = {read.counted, nullptr, nullptr};
            read.done ? progress.done(line) : progress.update(line);
        };
        built = store.startBuild();
        const graph::BuildSummary summary = graph::buildRelease(request, built, shown, stopOnSignals());
        store.put(built, summary.release, summary.level);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%s (%s level): %s vertices, %s edges, %s ranked", summary.release.c_str(),
                    graph::levelName(summary.level).c_str(), groupedNumber(int64_t(summary.vertices)).c_str(),
                    groupedNumber(int64_t(summary.edges)).c_str(), groupedNumber(int64_t(summary.ranked)).c_str());
        if (summary.ranksPassedOver)
            std::printf(" (%s ranks rows of names that are no vertex passed over)",
                        groupedNumber(int64_t(summary.ranksPassedOver)).c_str());
        std::printf(", added to %s in %.1f s\n", index.c_str(), seconds);
        return 0;
    } catch (const graph::BuildStopped &) {
        store.discard(built);
        std::fprintf(stderr, "\nlinkvane-index: stopped: the release was not added, the index %s is as it was\n",
                     index.c_str());
        return 130;
    } catch (const std::runtime_error &error) {
        if (!built.empty())
            store.discard(built);
        std::fprintf(stderr, "\nlinkvane-index: %s\nlinkvane-index: the release was not added: the index %s is as it was\n",
                     error.what(), index.c_str());
        return 1;
    }
}

int removeGraph(const std::string &index, const std::string &release, std::optional<graph::Level> level)
{
    try {
        if (graph::GraphStore(index).remove(release, level))
            return 0;
        std::fprintf(stderr, "linkvane-index: the index %s holds no %s%s\n", index.c_str(), release.c_str(),
                     level ? (" at " + graph::levelName(*level) + " level").c_str() : "");
    } catch (const graph::GraphError &error) {
        std::fprintf(stderr, "linkvane-index: %s\n", error.what());
    }
    return 1;
}

} // namespace indexer
