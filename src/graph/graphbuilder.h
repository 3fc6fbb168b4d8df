#pragma once

#include "graphlines.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace graph {

struct BuildRequest
{
    std::vector<std::string> inputs; // paths or http(s) URLs, in any order
    std::optional<std::string> release; // else told by the files' names
    // Domains as a user types them: only links to these (and, at host level, to hosts under
    // them) are kept. Empty: all.
    std::vector<std::string> targets;
    size_t memoryEdges = size_t(1) << 26; // edges sorted in memory at once (16 bytes each)
};

struct BuildSummary
{
    std::string release;
    Level level = Level::Domain;
    uint64_t vertices = 0;
    uint64_t edges = 0;
    uint64_t ranked = 0;
    uint64_t ranksPassedOver = 0; // ranks rows of names that are no vertex
};

// How far reading one input, or a stage of the work after them, has come.
struct BuildProgress
{
    std::string input;
    uint64_t bytesRead = 0;
    std::optional<uint64_t> size;
    uint64_t lines = 0;
    const char *counted = "lines"; // what lines counts: the sites of the stages after the files
    double seconds = 0;
    bool done = false;
};

// The build was stopped on request (Ctrl+C).
class BuildStopped : public std::runtime_error
{
public:
    BuildStopped() : std::runtime_error("stopped") { }
};

// Reads a release's files (vertices, edges and optionally ranks, told apart by their first line)
// and writes the release into folder, which must exist and be empty. Throws GraphError naming the
// file and line of anything that is not as a release's files must be: the folder is then left for
// the caller to remove.
BuildSummary buildRelease(const BuildRequest &request, const std::string &folder,
                          const std::function<void(const BuildProgress &)> &progress, const std::atomic<bool> &stop);


} // namespace graph
