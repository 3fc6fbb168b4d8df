#pragma once

#include "runfile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace graph {

// Sorts byte strings in byte order, repeats kept: the names of a release, and what goes with
// them, are joined and numbered through it. What memory may not hold is sorted in runs written
// to files in a folder, and merged as the records are read back.
class RecordSorter
{
public:
    // folder: where runs go, named after name (removed with it); memoryBytes: how many bytes of
    // records, and of what keeps them in order, to sort at once.
    RecordSorter(std::string folder, std::string name, size_t memoryBytes);
    ~RecordSorter();
    RecordSorter(const RecordSorter &) = delete;
    RecordSorter &operator=(const RecordSorter &) = delete;

    void add(std::string_view record);

    // After the last add: the next record in byte order, false after the last. The record stays
    // valid until the next call.
    bool next(std::string_view &record);

private:
    struct Entry
    {
        uint64_t prefix; // the first eight bytes, big-endian: most comparisons end here
        size_t at;
        uint32_t size;
    };
    struct Run;

    void sortEntries();
    void spill();
    void startMerge();
    struct LaterHead
    {
        const RecordSorter *sorter;
        bool operator()(size_t a, size_t b) const;
    };
    LaterHead laterHead() const { return {this}; }
    std::string_view entry(size_t i) const { return std::string_view(m_bytes).substr(m_entries[i].at, m_entries[i].size); }

    std::string m_folder;
    std::string m_name;
    size_t m_memory;
    std::string m_bytes;
    std::vector<Entry> m_entries;
    std::vector<std::string> m_paths;

    bool m_merging = false;
    std::vector<std::unique_ptr<Run>> m_runs;
    std::vector<size_t> m_order; // a heap of the runs with a record left, the least head on top
    size_t m_inMemory = 0;                    // the next entry still in memory
    size_t m_given = SIZE_MAX;                // the run whose record was given last
};

} // namespace graph
