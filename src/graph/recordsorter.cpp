#include "recordsorter.h"

#include "mappedfile.h"
#include "varint.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace graph {

namespace {

uint64_t prefixOf(std::string_view record)
{
    uint64_t prefix = 0;
    for (size_t i = 0; i < 8; ++i)
        prefix = prefix << 8 | (i < record.size() ? uint8_t(record[i]) : 0);
    return prefix;
}

} // namespace

// A run's records in order, each as the length of what it shares with the one before (names
// sorted share most of theirs), the length of the rest, and the rest: varints and bytes.
struct RecordSorter::Run
{
    explicit Run(const std::string &path) : file(path) { }

    bool advance()
    {
        uint64_t shared = 0, rest = 0;
        if (!file.readVarint(shared) || !file.readVarint(rest))
            return false;
        record.resize(shared);
        record.append(file.peek(rest));
        file.skip(rest);
        return true;
    }

    RunFile file;
    std::string record; // its record last read
};

bool RecordSorter::LaterHead::operator()(size_t a, size_t b) const
{
    return sorter->m_runs[a]->record > sorter->m_runs[b]->record;
}

RecordSorter::RecordSorter(std::string folder, std::string name, size_t memoryBytes)
    : m_folder(std::move(folder)), m_name(std::move(name)), m_memory(memoryBytes)
{
    // Taken whole now, but only as records are written: growing by doubling would take twice.
    m_bytes.reserve(m_memory);
    m_entries.reserve(m_memory / sizeof(Entry));
}

RecordSorter::~RecordSorter()
{
    m_runs.clear();
    for (const std::string &path : m_paths)
        ::unlink(path.c_str());
}

void RecordSorter::add(std::string_view record)
{
    if (!m_entries.empty() && m_bytes.size() + record.size() + (m_entries.size() + 1) * sizeof(Entry) > m_memory)
        spill();
    m_entries.push_back({prefixOf(record), m_bytes.size(), uint32_t(record.size())});
    m_bytes.append(record);
}

// Records often come in order already (a release's vertices are written by name).
void RecordSorter::sortEntries()
{
    const auto before = [this](const Entry &a, const Entry &b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        return std::string_view(m_bytes).substr(a.at, a.size) < std::string_view(m_bytes).substr(b.at, b.size);
    };
    if (!std::is_sorted(m_entries.begin(), m_entries.end(), before))
        std::sort(m_entries.begin(), m_entries.end(), before);
}

void RecordSorter::spill()
{
    sortEntries();
    const std::string path = m_folder + "/" + m_name + "-run-" + std::to_string(m_paths.size());
    m_paths.push_back(path);
    OutputFile run(path);
    std::string coded;
    std::string_view previous;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const std::string_view record = entry(i);
        const size_t shared = size_t(std::mismatch(record.begin(), record.end(), previous.begin(), previous.end()).first - record.begin());
        appendVarint(coded, shared);
        appendVarint(coded, record.size() - shared);
        coded.append(record.substr(shared));
        previous = record;
        if (coded.size() >= (1 << 20)) {
            run.write(coded.data(), coded.size());
            coded.clear();
        }
    }
    run.write(coded.data(), coded.size());
    run.close();
    m_entries.clear();
    m_bytes.clear();
}

void RecordSorter::startMerge()
{
    m_merging = true;
    sortEntries();
    for (const std::string &path : m_paths) {
        m_runs.push_back(std::make_unique<Run>(path));
        if (m_runs.back()->advance())
            m_order.push_back(m_runs.size() - 1);
    }
    std::make_heap(m_order.begin(), m_order.end(), laterHead());
}

bool RecordSorter::next(std::string_view &record)
{
    if (!m_merging)
        startMerge();
    // The run given last moves on only now, so that what it gave stayed valid meanwhile.
    if (m_given != SIZE_MAX && m_runs[m_given]->advance()) {
        m_order.push_back(m_given);
        std::push_heap(m_order.begin(), m_order.end(), laterHead());
    }
    m_given = SIZE_MAX;
    const bool fromMemory = m_inMemory < m_entries.size()
                            && (m_order.empty() || entry(m_inMemory) <= m_runs[m_order.front()]->record);
    if (fromMemory) {
        record = entry(m_inMemory++);
        return true;
    }
    if (m_order.empty())
        return false;
    std::pop_heap(m_order.begin(), m_order.end(), laterHead());
    m_given = m_order.back();
    m_order.pop_back();
    record = m_runs[m_given]->record;
    return true;
}

} // namespace graph
