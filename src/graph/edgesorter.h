#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace graph {

// Turns pairs of numbers around: takes (from, to) pairs in any order, with repeats, and gives them
// back by to, then by from, once each. The edges of a release come back by target through it,
// and, when their ids' site numbers are too many to hold, are sorted by each id in turn to be
// numbered. Pairs beyond what memory holds are sorted in runs written delta-coded to files in a
// folder, and merged at the end.
class EdgeSorter
{
public:
    // folder: where runs go, named after name (removed with it). memoryEdges: how many pairs to
    // sort at once.
    EdgeSorter(std::string folder, std::string name, size_t memoryEdges);
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
    std::string m_name;
    size_t m_capacity;
    // Allocated whole but written as edges come: pages never written are never taken.
    std::unique_ptr<uint64_t[]> m_keys;
    std::unique_ptr<uint64_t[]> m_scratch;
    size_t m_count = 0;
    std::vector<std::string> m_runs;
};

} // namespace graph
