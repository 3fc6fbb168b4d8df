#include "edgesorter.h"

#include "grapherror.h"
#include "mappedfile.h"
#include "runfile.h"
#include "varint.h"

#include <algorithm>
#include <memory>
#include <queue>
#include <utility>
#include <unistd.h>

namespace graph {

EdgeSorter::EdgeSorter(std::string folder, std::string name, size_t memoryEdges)
    : m_folder(std::move(folder)), m_name(std::move(name)), m_capacity(memoryEdges), m_keys(std::make_unique_for_overwrite<uint64_t[]>(memoryEdges))
{ }

EdgeSorter::~EdgeSorter()
{
    for (const std::string &run : m_runs)
        ::unlink(run.c_str());
}

// Least significant digit first, sixteen bits at a time, passing over digits that all keys share:
// for a graph of fewer than 2^24 sites that leaves two passes a half.
void EdgeSorter::sortKeys()
{
    if (!m_scratch)
        m_scratch = std::make_unique_for_overwrite<uint64_t[]>(m_capacity);
    std::vector<size_t> counts(1 << 16);
    for (int shift = 0; shift < 64; shift += 16) {
        const uint64_t *const keys = m_keys.get();
        std::fill(counts.begin(), counts.end(), 0);
        for (size_t i = 0; i < m_count; ++i)
            ++counts[(keys[i] >> shift) & 0xffff];
        if (std::find(counts.begin(), counts.end(), m_count) != counts.end())
            continue;
        size_t at = 0;
        for (size_t &each : counts)
            at += std::exchange(each, at);
        uint64_t *const sorted = m_scratch.get();
        for (size_t i = 0; i < m_count; ++i)
            sorted[counts[(keys[i] >> shift) & 0xffff]++] = keys[i];
        m_keys.swap(m_scratch);
    }
    m_count = size_t(std::unique(m_keys.get(), m_keys.get() + m_count) - m_keys.get());
}

void EdgeSorter::spill()
{
    sortKeys();
    const std::string path = m_folder + "/" + m_name + "-run-" + std::to_string(m_runs.size());
    m_runs.push_back(path);
    OutputFile run(path);
    std::string coded;
    uint64_t previous = 0;
    for (size_t i = 0; i < m_count; ++i) {
        const uint64_t key = m_keys[i];
        appendVarint(coded, key - previous);
        previous = key;
        if (coded.size() >= (1 << 20)) {
            run.write(coded.data(), coded.size());
            coded.clear();
        }
    }
    run.write(coded.data(), coded.size());
    run.close();
    m_count = 0;
}

namespace {

class RunReader
{
public:
    explicit RunReader(const std::string &path) : m_file(path) { }

    // The next key, false after the last.
    bool next(uint64_t &key)
    {
        uint64_t gap = 0;
        if (!m_file.readVarint(gap))
            return false;
        key += gap;
        return true;
    }

private:
    RunFile m_file;
};

} // namespace

uint64_t EdgeSorter::finish(const std::function<void(uint32_t to, uint32_t from)> &edge)
{
    sortKeys();
    m_scratch.reset();
    // Each run and the edges still in memory, merged; a key in several runs is given once.
    std::vector<std::unique_ptr<RunReader>> runs;
    std::vector<uint64_t> heads;
    for (const std::string &path : m_runs) {
        runs.push_back(std::make_unique<RunReader>(path));
        heads.push_back(0);
    }
    auto later = [&](size_t a, size_t b) { return heads[a] > heads[b]; };
    std::priority_queue<size_t, std::vector<size_t>, decltype(later)> order(later);
    for (size_t i = 0; i < runs.size(); ++i)
        if (runs[i]->next(heads[i]))
            order.push(i);

    uint64_t count = 0;
    uint64_t last = UINT64_MAX;
    auto give = [&](uint64_t key) {
        if (key == last)
            return;
        last = key;
        ++count;
        edge(uint32_t(key >> 32), uint32_t(key));
    };
    size_t inMemory = 0;
    while (!order.empty() || inMemory < m_count) {
        if (order.empty() || (inMemory < m_count && m_keys[inMemory] <= heads[order.top()])) {
            give(m_keys[inMemory++]);
            continue;
        }
        const size_t i = order.top();
        order.pop();
        give(heads[i]);
        if (runs[i]->next(heads[i]))
            order.push(i);
    }
    m_keys.reset();
    return count;
}

} // namespace graph
