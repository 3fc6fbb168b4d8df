#include "graphbuilder.h"

#include "archive/errors.h"
#include "edgesorter.h"
#include "grapherror.h"
#include "lineinput.h"
#include "mappedfile.h"
#include "releasefiles.h"
#include "releasename.h"
#include "sitename.h"
#include "varint.h"

#include <algorithm>
#include <chrono>
#include <numeric>

namespace graph {

namespace {

constexpr uint32_t kNone = UINT32_MAX;

using Progress = std::function<void(const BuildProgress &)>;

[[noreturn]] void refuse(const std::string &input, uint64_t line, const std::string &what)
{
    throw GraphError(input + ", line " + std::to_string(line) + ": " + what);
}

// Calls line(text, number) for every line of input, numbered from 1.
template <typename LineFn>
void eachLine(const std::string &input, const Progress &progress, const std::atomic<bool> &stop, LineFn &&line)
{
    const auto start = std::chrono::steady_clock::now();
    BuildProgress shown;
    shown.input = input;
    try {
        LineInput lines(input);
        shown.size = lines.size();
        for (std::string_view block = lines.next(); !block.empty(); block = lines.next()) {
            for (size_t at = 0; at < block.size();) {
                const size_t end = block.find('\n', at);
                line(block.substr(at, end - at), ++shown.lines);
                at = end + 1;
            }
            if (stop)
                throw BuildStopped();
            shown.bytesRead = lines.bytesRead();
            shown.size = lines.size();
            shown.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            progress(shown);
        }
    } catch (const archive::InputError &error) {
        throw GraphError(input + ": " + error.what() + " (after line " + std::to_string(shown.lines) + ")");
    }
    if (shown.lines == 0)
        throw GraphError(input + ": the file is empty");
    shown.done = true;
    progress(shown);
}

FileShape shapeOf(const std::string &input)
{
    try {
        LineInput lines(input);
        const std::string_view block = lines.next();
        const std::string_view first = block.substr(0, block.find('\n'));
        if (const std::optional<FileShape> shape = fileShape(first))
            return *shape;
        if (block.empty())
            throw GraphError(input + ": the file is empty");
        refuse(input, 1, "not a line of a web graph's vertices, edges or ranks: " + archive::excerpt(first));
    } catch (const archive::InputError &error) {
        throw GraphError(input + ": " + error.what());
    }
}

struct Inputs
{
    std::string release;
    Level level = Level::Domain;
    std::vector<std::string> vertices, edges, ranks;
};

Inputs sortInputs(const BuildRequest &request)
{
    Inputs inputs;
    std::optional<std::string> release = request.release;
    std::optional<Level> level;
    for (const std::string &input : request.inputs) {
        const std::optional<std::string> named = releaseOfFile(input);
        if (!request.release && named && release && *named != *release)
            throw GraphError("the files are of two releases, " + *release + " and " + *named + ": add one at a time");
        if (!release)
            release = named;
        const FileShape shape = shapeOf(input);
        if (shape.level && level && *shape.level != *level)
            throw GraphError(input + " is of the " + levelName(*shape.level) + " level, other files of the "
                             + levelName(*level) + " level: add one level at a time");
        if (shape.level)
            level = shape.level;
        (shape.kind == FileKind::Vertices ? inputs.vertices
         : shape.kind == FileKind::Edges  ? inputs.edges
                                          : inputs.ranks)
            .push_back(input);
    }
    if (!release)
        throw GraphError("no file name tells the release (cc-main-…): name it with --release");
    if (!isReleaseName(*release))
        throw GraphError("\"" + *release + "\" is not a release's name, such as cc-main-2025-mar-apr-may");
    if (inputs.vertices.empty() || inputs.edges.empty())
        throw GraphError("a release needs its vertices and its edges; the files given hold "
                         + std::string(inputs.vertices.empty() ? "no vertices" : "no edges"));
    inputs.release = *release;
    inputs.level = *level;
    return inputs;
}

// The vertices of a release in the order read, with their names in one buffer.
struct Vertices
{
    std::string names;
    std::vector<uint64_t> nameAt{0}; // where each name starts, and where the last ends
    std::vector<uint32_t> ids;
    std::vector<uint32_t> hosts;
    std::vector<std::pair<uint32_t, std::string>> files; // the first vertex of each file

    size_t size() const { return nameAt.size() - 1; }
    std::string_view name(uint32_t vertex) const
    {
        return std::string_view(names).substr(nameAt[vertex], nameAt[vertex + 1] - nameAt[vertex]);
    }
    // The file and line a vertex was read from.
    std::pair<std::string, uint64_t> line(uint32_t vertex) const
    {
        const auto file = std::prev(std::upper_bound(files.begin(), files.end(), vertex,
                                                     [](uint32_t v, const auto &start) { return v < start.first; }));
        return {file->second, vertex - file->first + 1};
    }
    std::string where(uint32_t vertex) const
    {
        const auto [file, number] = line(vertex);
        return file + ", line " + std::to_string(number);
    }
    [[noreturn]] void refuseAt(uint32_t vertex, const std::string &what) const
    {
        const auto [file, number] = line(vertex);
        refuse(file, number, what);
    }
};

class Builder
{
public:
    Builder(const BuildRequest &request, const std::string &folder, const Progress &progress,
            const std::atomic<bool> &stop)
        : m_request(request), m_folder(folder), m_progress(progress), m_stop(stop), m_inputs(sortInputs(request))
    { }

    BuildSummary build()
    {
        readVertices();
        checkIds();
        sortByName();
        readRanks();
        number();
        writeVertices();
        const std::vector<bool> targets = targetNumbers();
        const std::vector<uint32_t> idNumbers = numbersOfIds();
        m_vertices = {};
        m_summary.edges = readEdges(idNumbers, targets);
        if (m_stop)
            throw BuildStopped();
        writeMeta();
        return m_summary;
    }

private:
    void readVertices()
    {
        const Level level = m_inputs.level;
        for (const std::string &input : m_inputs.vertices) {
            m_vertices.files.emplace_back(uint32_t(m_vertices.size()), input);
            eachLine(input, m_progress, m_stop, [&](std::string_view text, uint64_t line) {
                const std::optional<VertexLine> vertex = parseVertex(text, level);
                if (!vertex)
                    refuse(input, line, "not a vertex line (id, name" + std::string(level == Level::Domain ? ", hosts" : "")
                                            + "): " + archive::excerpt(text));
                if (vertex->id >= kNone || m_vertices.size() >= kNone - 1)
                    refuse(input, line, "more vertices than this program can number");
                m_vertices.names.append(vertex->name);
                m_vertices.nameAt.push_back(m_vertices.names.size());
                m_vertices.ids.push_back(uint32_t(vertex->id));
                if (level == Level::Domain)
                    m_vertices.hosts.push_back(uint32_t(std::min<uint64_t>(vertex->hosts, kNone)));
            });
        }
        m_summary.vertices = m_vertices.size();
    }

    // Ids number the vertices from 0, each once.
    void checkIds()
    {
        const auto count = uint32_t(m_vertices.size());
        m_idVertex.assign(count, kNone);
        for (uint32_t vertex = 0; vertex < count; ++vertex) {
            const uint32_t id = m_vertices.ids[vertex];
            if (id >= count)
                m_vertices.refuseAt(vertex, "id " + std::to_string(id) + " is past the " + std::to_string(count)
                                                + " vertices of the release, which number them from 0");
            if (m_idVertex[id] != kNone)
                m_vertices.refuseAt(vertex, "id " + std::to_string(id) + " was given before, at "
                                                + m_vertices.where(m_idVertex[id]));
            m_idVertex[id] = vertex;
        }
        m_vertices.ids = {};
    }

    // Names in byte order, as the files should have them: no release is trusted to be sorted.
    void sortByName()
    {
        m_byName.resize(m_vertices.size());
        std::iota(m_byName.begin(), m_byName.end(), 0);
        const auto byName = [this](uint32_t a, uint32_t b) { return m_vertices.name(a) < m_vertices.name(b); };
        if (!std::is_sorted(m_byName.begin(), m_byName.end(), byName))
            std::sort(m_byName.begin(), m_byName.end(), byName);
        for (size_t i = 1; i < m_byName.size(); ++i)
            if (m_vertices.name(m_byName[i]) == m_vertices.name(m_byName[i - 1])) {
                const auto [first, second] = std::minmax(m_byName[i - 1], m_byName[i]);
                m_vertices.refuseAt(second, "the name " + std::string(m_vertices.name(second)) + " was given before, at "
                                                + m_vertices.where(first));
            }
    }

    // The name position of a reversed name, by hashing: ranks rows join vertices by name.
    class NameTable
    {
    public:
        NameTable(const Vertices &vertices, const std::vector<uint32_t> &byName) : m_vertices(vertices), m_byName(byName)
        {
            size_t size = 1;
            while (size < byName.size() * 2)
                size <<= 1;
            m_slots.assign(size, kNone);
            for (uint32_t position = 0; position < byName.size(); ++position)
                m_slots[slot(vertices.name(byName[position]))] = position;
        }
        uint32_t find(std::string_view name) const { return m_slots[slot(name)]; }

    private:
        size_t slot(std::string_view name) const
        {
            size_t at = std::hash<std::string_view>()(name) & (m_slots.size() - 1);
            while (m_slots[at] != kNone && m_vertices.name(m_byName[m_slots[at]]) != name)
                at = (at + 1) & (m_slots.size() - 1);
            return at;
        }
        const Vertices &m_vertices;
        const std::vector<uint32_t> &m_byName;
        std::vector<uint32_t> m_slots;
    };

    void readRanks()
    {
        if (m_inputs.ranks.empty())
            return;
        const NameTable names(m_vertices, m_byName);
        m_ranks.assign(m_vertices.size(), files::RankRecord{0, 0, 0, 0});
        std::vector<uint32_t> rankedAt(m_vertices.size(), kNone);
        for (const std::string &input : m_inputs.ranks) {
            eachLine(input, m_progress, m_stop, [&](std::string_view text, uint64_t line) {
                if (line == 1)
                    return; // the header, which told the file apart
                const std::optional<RankLine> row = parseRank(text, m_inputs.level);
                if (!row)
                    refuse(input, line, "not a ranks line: " + archive::excerpt(text));
                const uint32_t position = names.find(row->name);
                if (position == kNone) {
                    ++m_summary.ranksPassedOver;
                    return;
                }
                if (rankedAt[position] != kNone)
                    refuse(input, line, "the name " + std::string(row->name) + " was ranked before");
                if (row->harmonicPosition >= kNone || row->pagerankPosition >= kNone)
                    refuse(input, line, "a position past what this program can number");
                rankedAt[position] = uint32_t(m_ranked.size());
                m_ranked.push_back(position);
                m_ranks[position] = {uint32_t(row->harmonicPosition), uint32_t(row->pagerankPosition), row->harmonicValue,
                                     row->pagerankValue};
            });
        }
        m_summary.ranked = m_ranked.size();
    }

    // Ranked sites by harmonic-centrality position (rows without one after the others, in file
    // order), then the unranked by name.
    void number()
    {
        const auto byRank = [this](uint32_t a, uint32_t b) {
            return uint32_t(m_ranks[a].harmonicPosition - 1) < uint32_t(m_ranks[b].harmonicPosition - 1);
        };
        if (!std::is_sorted(m_ranked.begin(), m_ranked.end(), byRank))
            std::stable_sort(m_ranked.begin(), m_ranked.end(), byRank);
        const auto count = uint32_t(m_vertices.size());
        m_numbers.assign(count, kNone);
        m_positions.clear();
        m_positions.reserve(count);
        for (uint32_t position : m_ranked) {
            m_numbers[position] = uint32_t(m_positions.size());
            m_positions.push_back(position);
        }
        for (uint32_t position = 0; position < count; ++position)
            if (m_numbers[position] == kNone) {
                m_numbers[position] = uint32_t(m_positions.size());
                m_positions.push_back(position);
            }
    }

    std::string path(const char *file) const { return m_folder + "/" + file; }

    void writeVertices()
    {
        OutputFile names(path(files::kNames));
        OutputFile blocks(path(files::kNameBlocks));
        std::string coded;
        std::string_view previous;
        for (uint32_t position = 0; position < m_byName.size(); ++position) {
            const std::string_view name = m_vertices.name(m_byName[position]);
            size_t shared = 0;
            if (position % files::kNamesPerBlock == 0) {
                names.write(coded.data(), coded.size());
                coded.clear();
                blocks.put(uint64_t(names.written()));
            } else {
                shared = std::mismatch(name.begin(), name.end(), previous.begin(), previous.end()).first - name.begin();
                appendVarint(coded, shared);
            }
            appendVarint(coded, name.size() - shared);
            coded.append(name.substr(shared));
            previous = name;
        }
        names.write(coded.data(), coded.size());
        names.close();
        blocks.close();

        writeArray(files::kNumbers, m_numbers);
        writeArray(files::kPositions, m_positions);
        if (!m_ranked.empty()) {
            OutputFile ranks(path(files::kRanks));
            for (uint32_t position : m_ranked)
                ranks.put(m_ranks[position]);
            ranks.close();
        }
        if (m_inputs.level == Level::Domain) {
            OutputFile hosts(path(files::kHosts));
            for (uint32_t position : m_positions)
                hosts.put(m_vertices.hosts[m_byName[position]]);
            hosts.close();
        }
        m_ranks = {};
        m_ranked = {};
    }

    void writeArray(const char *file, const std::vector<uint32_t> &values)
    {
        OutputFile out(path(file));
        out.write(values.data(), values.size() * sizeof(uint32_t));
        out.close();
    }

    // The name positions of a reversed name, and of the names under it ("com.example" and
    // "com.example.blog", not "com.example-shop").
    std::pair<uint32_t, uint32_t> positionsUnder(const std::string &reversed, bool withHosts) const
    {
        const auto byName = [this](uint32_t vertex, const std::string &name) { return m_vertices.name(vertex) < name; };
        const auto first = std::lower_bound(m_byName.begin(), m_byName.end(), reversed, byName);
        auto last = first;
        if (last != m_byName.end() && m_vertices.name(*last) == reversed)
            ++last;
        if (withHosts) {
            const std::string under = reversed + '.';
            last = std::lower_bound(m_byName.begin(), m_byName.end(), under, byName);
            while (last != m_byName.end() && m_vertices.name(*last).starts_with(under))
                ++last;
        }
        return {uint32_t(first - m_byName.begin()), uint32_t(last - m_byName.begin())};
    }

    std::vector<bool> targetNumbers() const
    {
        std::vector<bool> targets;
        if (m_request.targets.empty())
            return targets;
        targets.assign(m_vertices.size(), false);
        for (const std::string &host : m_request.targets) {
            const auto [first, last] = positionsUnder(reversedName(host), m_inputs.level == Level::Host);
            for (uint32_t position = first; position < last; ++position)
                targets[m_numbers[position]] = true;
        }
        return targets;
    }

    std::vector<uint32_t> numbersOfIds()
    {
        std::vector<uint32_t> positionOfVertex(m_vertices.size());
        for (uint32_t position = 0; position < m_byName.size(); ++position)
            positionOfVertex[m_byName[position]] = position;
        m_byName = {};
        std::vector<uint32_t> numbers(m_idVertex.size());
        for (size_t id = 0; id < m_idVertex.size(); ++id)
            numbers[id] = m_numbers[positionOfVertex[m_idVertex[id]]];
        m_idVertex = {};
        m_numbers = {};
        m_positions = {};
        return numbers;
    }

    uint64_t readEdges(const std::vector<uint32_t> &idNumbers, const std::vector<bool> &targets)
    {
        const size_t count = idNumbers.size();
        // With --targets nearly every link is passed over, told by its target's id from a bitmap
        // that stays in the cache before any site number is looked up.
        std::vector<bool> targetIds;
        if (!targets.empty()) {
            targetIds.resize(count);
            for (size_t id = 0; id < count; ++id)
                targetIds[id] = targets[idNumbers[id]];
        }
        EdgeSorter sorter(m_folder, m_request.memoryEdges);
        for (const std::string &input : m_inputs.edges) {
            eachLine(input, m_progress, m_stop, [&](std::string_view text, uint64_t line) {
                uint64_t from = 0, to = 0;
                if (!parseEdge(text, from, to))
                    refuse(input, line, "not an edge line (from id, to id): " + archive::excerpt(text));
                if (from >= count || to >= count)
                    refuse(input, line, "an edge " + std::string(from >= count ? "from" : "to") + " the unknown id "
                                            + std::to_string(from >= count ? from : to));
                if (!targetIds.empty() && !targetIds[to])
                    return;
                const uint32_t source = idNumbers[from];
                const uint32_t target = idNumbers[to];
                if (source != target)
                    sorter.add(source, target);
            });
        }

        OutputFile sources(path(files::kSources));
        OutputFile offsets(path(files::kSourceOffsets));
        std::vector<uint32_t> list;
        uint32_t listed = 0; // sites whose offset is written
        std::string coded;
        const auto writeList = [&](uint32_t target) {
            for (; listed <= target; ++listed)
                offsets.put(uint64_t(sources.written()));
            coded.clear();
            appendVarint(coded, list.size());
            for (size_t i = 0; i < list.size(); ++i)
                appendVarint(coded, i == 0 ? list[0] : list[i] - list[i - 1] - 1);
            sources.write(coded.data(), coded.size());
            list.clear();
        };
        uint32_t current = kNone;
        // Merging and writing a release's edges takes a while after the last line is read: Ctrl+C
        // there stops the add too.
        const uint64_t edges = sorter.finish([&](uint32_t target, uint32_t source) {
            if (target != current && current != kNone) {
                writeList(current);
                if (m_stop)
                    throw BuildStopped();
            }
            current = target;
            list.push_back(source);
        });
        if (current != kNone)
            writeList(current);
        for (; listed <= count; ++listed)
            offsets.put(uint64_t(sources.written()));
        sources.close();
        offsets.close();
        return edges;
    }

    void writeMeta()
    {
        std::string meta = "release " + m_inputs.release + "\nlevel " + levelName(m_inputs.level) + "\nvertices "
                           + std::to_string(m_summary.vertices) + "\nedges " + std::to_string(m_summary.edges)
                           + "\nranked " + std::to_string(m_summary.ranked) + "\n";
        if (!m_request.targets.empty()) {
            meta += "targets";
            for (const std::string &host : m_request.targets)
                meta += " " + host;
            meta += "\n";
        }
        OutputFile out(path(files::kMeta));
        out.write(meta.data(), meta.size());
        out.close();
        m_summary.release = m_inputs.release;
        m_summary.level = m_inputs.level;
    }

    const BuildRequest &m_request;
    const std::string m_folder;
    const Progress &m_progress;
    const std::atomic<bool> &m_stop;
    const Inputs m_inputs;
    BuildSummary m_summary;

    Vertices m_vertices;
    std::vector<uint32_t> m_idVertex;  // the vertex of each id
    std::vector<uint32_t> m_byName;    // vertices in name order: a name position's vertex
    std::vector<files::RankRecord> m_ranks; // of each name position
    std::vector<uint32_t> m_ranked;    // name positions of ranked vertices, in rank order
    std::vector<uint32_t> m_numbers;   // site number of each name position
    std::vector<uint32_t> m_positions; // name position of each site number
};

} // namespace

BuildSummary buildRelease(const BuildRequest &request, const std::string &folder, const Progress &progress,
                          const std::atomic<bool> &stop)
{
    return Builder(request, folder, progress, stop).build();
}

} // namespace graph
