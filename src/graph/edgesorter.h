#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace graph {

// Turns the edges of a release around: takes (from, to) pairs in any order, with repeats, and
// gives them back by target, then by source, once each. Edges beyond what memory holds are
// sorted in runs written delta-coded to files in a folder, and merged at the end.
class EdgeSorter
{
public:
    // folder: where runs go (removed with it). memoryEdges: how many edges to sort at once.
    EdgeSorter(std::string folder, size_t memoryEdges);
    ~EdgeSorter();

    void add(uint32_t from, uint32_t to)
    {
        m_keys[m_count++] = uint64_t(to) << 32 | from;
        if (m_count == m_capacity)
            spill();
    }

    // Every edge once, by target then source. Returns how many there were.
    uint64_t finish(const std::function<void(uint32_t to, uint32_t from)> &edge);

private:
    void sortKeys();
    void spill();

    std::string m_folder;
    size_t m_capacity;
    // Allocated whole but written as edges come: pages never written are never taken.
    std::unique_ptr<uint64_t[]> m_keys;
    std::unique_ptr<uint64_t[]> m_scratch;
    size_t m_count = 0;
    std::vector<std::string> m_runs;
};

} // namespace graph
