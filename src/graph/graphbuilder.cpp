#include "graphbuilder.h"

#include "archive/errors.h"
#include "edgesorter.h"
#include "eliasfano.h"
#include "grapherror.h"
#include "lineinput.h"
#include "mappedfile.h"
#include "numberfile.h"
#include "packedcolumn.h"
#include "recordsorter.h"
#include "releasefiles.h"
#include "releasename.h"
#include "sitename.h"
#include "varint.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <unistd.h>

namespace graph {

namespace {

constexpr uint32_t kNone = UINT32_MAX;
// What the stage that sorts the links may hold in all, under the 2 GB a build keeps within: the
// site numbers of the ids (4 bytes a vertex) when they are held, and, in what is left, the links
// sorted at once.
constexpr uint64_t kLinkStageBytes = uint64_t(1800) << 20;
constexpr size_t kLeastEdgesAtOnce = size_t(1) << 22;

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

// How far a stage after the files has come, counted in sites (or links): joining and numbering
// the sites of a large release takes a minute or more. Stopping is looked at here too.
class Stage
{
public:
    Stage(std::string name, const Progress &progress, const std::atomic<bool> &stop, const char *counted = "sites")
        : m_progress(progress), m_stop(stop), m_start(std::chrono::steady_clock::now())
    {
        m_shown.input = std::move(name);
        m_shown.counted = counted;
    }
    void at(uint64_t count)
    {
        if (count % (1 << 20) != 0)
            return;
        if (m_stop)
            throw BuildStopped();
        show(count);
    }
    void done(uint64_t count)
    {
        m_shown.done = true;
        show(count);
    }

private:
    void show(uint64_t count)
    {
        m_shown.lines = count;
        m_shown.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
        m_progress(m_shown);
    }

    const Progress &m_progress;
    const std::atomic<bool> &m_stop;
    const std::chrono::steady_clock::time_point m_start;
    BuildProgress m_shown;
};

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

// Where lines read from several files were: they are numbered together from 0, in the order
// read, and a number is told back as its file and line.
class Lines
{
public:
    void startFile(const std::string &file) { m_files.emplace_back(m_count, file); }
    uint32_t add(const std::string &file, uint64_t line, const char *what)
    {
        if (m_count >= kNone)
            refuse(file, line, std::string("more ") + what + " than this program can number");
        return uint32_t(m_count++);
    }
    uint64_t count() const { return m_count; }
    std::string where(uint32_t number) const
    {
        const auto [file, line] = at(number);
        return file + ", line " + std::to_string(line);
    }
    [[noreturn]] void refuseAt(uint32_t number, const std::string &what) const
    {
        const auto [file, line] = at(number);
        refuse(file, line, what);
    }

private:
    std::pair<std::string, uint64_t> at(uint32_t number) const
    {
        const auto file = std::prev(std::upper_bound(m_files.begin(), m_files.end(), number,
                                                     [](uint64_t n, const auto &start) { return n < start.first; }));
        return {file->second, number - file->first + 1};
    }

    std::vector<std::pair<uint64_t, std::string>> m_files; // the number of each file's first line
    uint64_t m_count = 0;
};

// Records are sorted as bytes: a name ends at a zero byte, which no name holds, and the numbers
// that order records of one name are written big-endian.
void appendOrdered(std::string &record, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        record.push_back(char(value >> shift));
}

template <typename T> void appendBytes(std::string &record, const T &value)
{
    record.append(reinterpret_cast<const char *>(&value), sizeof value);
}

uint32_t orderedAt(std::string_view record, size_t at)
{
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value = value << 8 | uint8_t(record[at + i]);
    return value;
}

template <typename T> T bytesAt(std::string_view record, size_t at)
{
    T value;
    std::memcpy(&value, record.data() + at, sizeof value);
    return value;
}

// A vertex or ranks record: the name, then the number of its line, then what the line says.
std::string_view nameOf(std::string_view record)
{
    return record.substr(0, record.find('\0'));
}

// What the name order tells of each vertex, kept on disk in that order while sites are numbered.
struct NamedVertex
{
    uint32_t id;
    uint32_t line;
    uint32_t hosts;
};

class Builder
{
public:
    Builder(const BuildRequest &request, const std::string &folder, const Progress &progress,
            const std::atomic<bool> &stop)
        : m_request(request), m_folder(folder), m_progress(progress), m_stop(stop), m_inputs(sortInputs(request))
    {
        for (const std::string &target : request.targets)
            m_reversedTargets.push_back(reversedName(target));
    }

    ~Builder()
    {
        for (const char *file : {kByName, kNumbersByPosition, kNumbersById})
            ::unlink(path(file).c_str());
    }

    BuildSummary build()
    {
        {
            RecordSorter ranked(m_folder, "ranked", sortMemory());
            {
                RecordSorter vertices(m_folder, "vertices", sortMemory());
                readVertices(vertices);
                RecordSorter ranks(m_folder, "ranks", sortMemory());
                readRanks(ranks);
                joinByName(vertices, ranks, ranked);
            }
            number(ranked);
        }
        if (m_inputs.level == Level::Domain)
            writeHosts();
        const std::string idNumbers = numbersOfIds();
        m_summary.edges = readEdges(idNumbers, targetIds());
        if (m_stop)
            throw BuildStopped();
        // Once the numbers of the sites are let go of: the values are read through memory.
        if (m_harmonicFalling)
            writeFallingHarmonicValues();
        writeMeta();
        return m_summary;
    }

private:
    static constexpr const char *kByName = "vertices.byname";
    // The site number of each name position, and of each id when ids are not the positions
    // (NumberFile).
    static constexpr const char *kNumbersByPosition = "numbers.byposition";
    static constexpr const char *kNumbersById = "numbers.byid";

    // Each of the three sorts of names and ranks may hold this much at once, and the first two
    // are still held while the third fills.
    size_t sortMemory() const { return m_request.memoryEdges * 8; }

    void readVertices(RecordSorter &sorter)
    {
        const Level level = m_inputs.level;
        std::string record;
        for (const std::string &input : m_inputs.vertices) {
            m_vertexLines.startFile(input);
            eachLine(input, m_progress, m_stop, [&](std::string_view text, uint64_t line) {
                const std::optional<VertexLine> vertex = parseVertex(text, level);
                if (!vertex)
                    refuse(input, line, "not a vertex line (id, name" + std::string(level == Level::Domain ? ", hosts" : "")
                                            + "): " + archive::excerpt(text));
                const uint32_t number = m_vertexLines.add(input, line, "vertices");
                if (vertex->id >= kNone)
                    refuse(input, line, "more vertices than this program can number");
                record.assign(vertex->name);
                record.push_back('\0');
                appendOrdered(record, number);
                appendBytes(record, NamedVertex{uint32_t(vertex->id), number,
                                                uint32_t(std::min<uint64_t>(vertex->hosts, kNone))});
                sorter.add(record);
            });
        }
        m_summary.vertices = m_vertexLines.count();
    }

    void readRanks(RecordSorter &sorter)
    {
        std::string record;
        for (const std::string &input : m_inputs.ranks) {
            m_rankLines.startFile(input);
            eachLine(input, m_progress, m_stop, [&](std::string_view text, uint64_t line) {
                const uint32_t number = m_rankLines.add(input, line, "ranks");
                if (line == 1)
                    return; // the header, which told the file apart
                const std::optional<RankLine> row = parseRank(text, m_inputs.level);
                if (!row)
                    refuse(input, line, "not a ranks line: " + archive::excerpt(text));
                record.assign(row->name);
                record.push_back('\0');
                appendOrdered(record, number);
                appendBytes(record, row->harmonicPosition);
                appendBytes(record, row->pagerankPosition);
                appendBytes(record, row->harmonicValue);
                appendBytes(record, row->pagerankValue);
                sorter.add(record);
                m_largestPagerankPosition = std::max(m_largestPagerankPosition, row->pagerankPosition);
            });
        }
    }

    std::string path(const char *file) const { return m_folder + "/" + file; }

    // Vertices and ranks rows meet by name. The names are written in their order, front-coded,
    // with what the numbering needs of each vertex beside them; ranked vertices go on to be
    // sorted by rank.
    void joinByName(RecordSorter &vertices, RecordSorter &ranks, RecordSorter &ranked)
    {
        OutputFile names(path(files::kNames));
        OutputFile blocks(path(files::kNameBlocks));
        OutputFile byName(path(kByName));
        std::string coded, previous, record;
        uint32_t previousLine = 0;
        Stage stage("names and ranks, joined", m_progress, m_stop);
        std::string_view vertex, rank;
        bool rankLeft = ranks.next(rank);
        for (uint32_t position = 0; vertices.next(vertex); ++position) {
            const std::string_view name = nameOf(vertex);
            const auto named = bytesAt<NamedVertex>(vertex, name.size() + 5);
            if (position > 0 && name == previous)
                m_vertexLines.refuseAt(named.line, "the name " + std::string(name) + " was given before, at "
                                                        + m_vertexLines.where(previousLine));
            for (; rankLeft && nameOf(rank) < name; rankLeft = ranks.next(rank))
                ++m_summary.ranksPassedOver;
            for (bool first = true; rankLeft && nameOf(rank) == name; rankLeft = ranks.next(rank), first = false) {
                const uint32_t line = orderedAt(rank, name.size() + 1);
                if (!first)
                    m_rankLines.refuseAt(line, "the name " + std::string(name) + " was ranked before");
                const auto harmonic = bytesAt<uint64_t>(rank, name.size() + 5);
                const auto pagerank = bytesAt<uint64_t>(rank, name.size() + 13);
                if (harmonic >= kNone || pagerank >= kNone)
                    m_rankLines.refuseAt(line, "a position past what this program can number");
                record.clear();
                // Rows without a position after the others, in the order of the files.
                appendOrdered(record, uint32_t(harmonic - 1));
                appendOrdered(record, line);
                appendBytes(record, position);
                appendBytes(record, files::RankRecord{uint32_t(harmonic), uint32_t(pagerank),
                                                      bytesAt<double>(rank, name.size() + 21),
                                                      bytesAt<double>(rank, name.size() + 29)});
                ranked.add(record);
                ++m_summary.ranked;
            }

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
            byName.put(named);
            m_idsAreNamePositions = m_idsAreNamePositions && named.id == position;
            if (isTarget(name))
                m_targetPositions.push_back(position);
            previous.assign(name);
            previousLine = named.line;
            stage.at(position);
        }
        for (; rankLeft; rankLeft = ranks.next(rank))
            ++m_summary.ranksPassedOver;
        names.write(coded.data(), coded.size());
        names.close();
        blocks.close();
        byName.close();
        stage.done(m_summary.vertices);
    }

    // Whether a reversed name is one that --targets asks for, or, at host level, under one
    // ("com.example" and "com.example.blog", not "com.example-shop").
    bool isTarget(std::string_view name) const
    {
        return std::any_of(m_reversedTargets.begin(), m_reversedTargets.end(), [&](const std::string &reversed) {
            return m_inputs.level == Level::Host ? isUnder(name, reversed) : name == reversed;
        });
    }

    // Ranked sites by harmonic-centrality position, then the unranked by name. Writes the site
    // number of each name position, packed for the release and whole for the stages after: the
    // ranked sites' numbers come in rank order and are sorted into name order on disk, since a
    // host level's hundreds of millions of them would take gigabytes of memory.
    void number(RecordSorter &ranked)
    {
        const auto count = uint32_t(m_summary.vertices);
        std::vector<bool> isRanked(count);
        EdgeSorter rankedNumbers(m_folder, "numbers", m_request.memoryEdges);
        PackedColumnWriter positions(path(files::kPositions), count - 1);
        Stage stage("sites, numbered by rank", m_progress, m_stop);
        uint32_t next = 0;
        if (m_summary.ranked > 0) {
            m_harmonicFalling = true;
            OutputFile harmonicPositions(path(files::kHarmonicPositions));
            OutputFile harmonicValues(path(files::kHarmonicValues));
            PackedColumnWriter pagerankPositions(path(files::kPagerankPositions), m_largestPagerankPosition);
            OutputFile pagerankValues(path(files::kPagerankValues));
            bool positionIsNumber = true;
            double lastHarmonic = std::numeric_limits<double>::infinity();
            for (std::string_view record; ranked.next(record);) {
                stage.at(next);
                const auto position = bytesAt<uint32_t>(record, 8);
                const auto rank = bytesAt<files::RankRecord>(record, 12);
                positionIsNumber = positionIsNumber && rank.harmonicPosition == next + 1;
                isRanked[position] = true;
                rankedNumbers.add(next++, position);
                positions.put(position);
                harmonicPositions.put(rank.harmonicPosition);
                harmonicValues.put(rank.harmonicValue);
                m_harmonicFalling = m_harmonicFalling && isFallingFloat(rank.harmonicValue, lastHarmonic);
                lastHarmonic = rank.harmonicValue;
                pagerankPositions.put(rank.pagerankPosition);
                pagerankValues.put(rank.pagerankValue);
            }
            harmonicPositions.close();
            harmonicValues.close();
            pagerankPositions.close();
            pagerankValues.close();
            if (positionIsNumber)
                std::filesystem::remove(path(files::kHarmonicPositions));
        }
        for (uint32_t position = 0; position < count; ++position)
            if (!isRanked[position])
                positions.put(position);
        positions.close();
        stage.done(count);

        Stage inNameOrder("site numbers, in name order", m_progress, m_stop);
        PackedColumnWriter packed(path(files::kNumbers), count - 1);
        OutputFile whole(path(kNumbersByPosition));
        uint32_t position = 0;
        const auto put = [&](uint32_t number) {
            packed.put(number);
            whole.put(number);
            inNameOrder.at(position++);
        };
        const auto numberUnrankedUpTo = [&](uint32_t end) {
            while (position < end)
                put(next++);
        };
        rankedNumbers.finish([&](uint32_t at, uint32_t number) {
            numberUnrankedUpTo(at);
            put(number);
        });
        numberUnrankedUpTo(count);
        packed.close();
        whole.close();
        inNameOrder.done(count);
    }

    // Whether a harmonic value can be kept as a float's bits that fall from the value before.
    static bool isFallingFloat(double value, double before)
    {
        return !std::signbit(value) && value <= before && isFloatValue(value); // NaN is not below
    }

    void writeFallingHarmonicValues() const
    {
        // Read in a few passes from start to end: mapped, a host level's values would fill gigabytes
        // of memory with the file's pages.
        NumberFile<double> values(path(files::kHarmonicValues));
        std::string coded;
        eliasfano::appendIndexed(coded, m_summary.ranked, files::kHarmonicFallingBound, [&](uint64_t site) {
            return 0x7fffffff - std::bit_cast<uint32_t>(float(values.at(site)));
        });
        OutputFile out(path(files::kHarmonicFalling));
        out.write(coded.data(), coded.size());
        out.close();
        std::filesystem::remove(path(files::kHarmonicValues));
    }

    // Calls vertex(position, named) for each vertex in name order.
    template <typename VertexFn> void eachByName(VertexFn &&vertex) const
    {
        RunFile byName(path(kByName));
        uint32_t position = 0;
        for (std::string_view bytes = byName.peek(sizeof(NamedVertex)); !bytes.empty();
             byName.skip(bytes.size()), bytes = byName.peek(sizeof(NamedVertex)))
            vertex(position++, bytesAt<NamedVertex>(bytes, 0));
    }

    void writeHosts() const
    {
        std::vector<uint8_t> hosts(m_summary.vertices);
        std::vector<files::ManyHosts> many;
        NumberFile<uint32_t> numbers(path(kNumbersByPosition));
        eachByName([&](uint32_t position, const NamedVertex &named) {
            const uint32_t site = numbers.at(position);
            hosts[site] = uint8_t(std::min<uint32_t>(named.hosts, files::kManyHosts));
            if (named.hosts >= files::kManyHosts)
                many.push_back({site, named.hosts});
        });
        std::sort(many.begin(), many.end(), [](const files::ManyHosts &a, const files::ManyHosts &b) { return a.site < b.site; });
        OutputFile out(path(files::kHosts));
        out.write(hosts.data(), hosts.size());
        out.close();
        OutputFile over(path(files::kHostsOver));
        over.write(many.data(), many.size() * sizeof(files::ManyHosts));
        over.close();
    }

    // With --targets nearly every link is passed over, told by its target's id from a bitmap
    // that stays in the cache before any site number is looked up. Empty without --targets.
    std::vector<bool> targetIds() const
    {
        std::vector<bool> ids;
        if (m_request.targets.empty())
            return ids;
        ids.resize(m_summary.vertices);
        auto target = m_targetPositions.begin(); // in name order, as joinByName found them
        eachByName([&](uint32_t position, const NamedVertex &named) {
            if (target != m_targetPositions.end() && *target == position) {
                ids[named.id] = true;
                ++target;
            }
        });
        return ids;
    }

    // Ids number the vertices from 0, each once. Common Crawl numbers them in name order: the
    // numbers by name position are then those by id. Otherwise they are sorted by id on disk.
    // Returns the file of the site number of each id.
    std::string numbersOfIds() const
    {
        if (m_idsAreNamePositions)
            return path(kNumbersByPosition);
        const auto count = uint32_t(m_summary.vertices);
        EdgeSorter idNumbers(m_folder, "ids", m_request.memoryEdges);
        {
            NumberFile<uint32_t> numbers(path(kNumbersByPosition));
            eachByName([&](uint32_t position, const NamedVertex &named) {
                if (named.id >= count)
                    m_vertexLines.refuseAt(named.line, "id " + std::to_string(named.id) + " is past the "
                                                           + std::to_string(count)
                                                           + " vertices of the release, which number them from 0");
                idNumbers.add(numbers.at(position), named.id);
            });
        }
        // As many ids as vertices, none past them: each is there once unless one comes twice.
        OutputFile out(path(kNumbersById));
        uint32_t next = 0;
        idNumbers.finish([&](uint32_t id, uint32_t number) {
            if (id < next)
                refuseIdTwice(id);
            next = id + 1;
            out.put(number);
        });
        out.close();
        return path(kNumbersById);
    }

    [[noreturn]] void refuseIdTwice(uint32_t id) const
    {
        std::vector<uint32_t> lines;
        eachByName([&](uint32_t, const NamedVertex &named) {
            if (named.id == id)
                lines.push_back(named.line);
        });
        std::sort(lines.begin(), lines.end());
        m_vertexLines.refuseAt(lines[1], "id " + std::to_string(id) + " was given before, at "
                                             + m_vertexLines.where(lines[0]));
    }

    // Calls edge(from, to) with the ids of each line of the edges, but those --targets passes over.
    template <typename EdgeFn> void eachEdge(const std::vector<bool> &targetIds, EdgeFn &&edge) const
    {
        const uint64_t count = m_summary.vertices;
        for (const std::string &input : m_inputs.edges) {
            eachLine(input, m_progress, m_stop, [&](std::string_view text, uint64_t line) {
                uint64_t from = 0, to = 0;
                if (!parseEdge(text, from, to))
                    refuse(input, line, "not an edge line (from id, to id): " + archive::excerpt(text));
                if (from >= count || to >= count)
                    refuse(input, line, "an edge " + std::string(from >= count ? "from" : "to") + " the unknown id "
                                            + std::to_string(from >= count ? from : to));
                if (targetIds.empty() || targetIds[to])
                    edge(uint32_t(from), uint32_t(to));
            });
        }
    }

    // Whether the site numbers of the ids are held in memory while the links are read: when they
    // take no more than the links sorted at once (4 bytes an id, 16 a link). Else the links are
    // sorted by each id in turn, on disk, to look its number up in id order.
    bool idNumbersHeld() const { return m_summary.vertices < m_request.memoryEdges * 4; }

    // Calls each(number, other) for the pairs of sorted, which come by id: the id's site number
    // read from the file idNumbers in the same order.
    template <typename Each>
    void numberInIdOrder(EdgeSorter &sorted, const std::string &idNumbers, const char *stageName, Each &&each) const
    {
        Stage stage(stageName, m_progress, m_stop, "links");
        NumberFile<uint32_t> numbers(idNumbers);
        uint64_t numbered = 0;
        sorted.finish([&](uint32_t id, uint32_t other) {
            each(numbers.at(id), other);
            stage.at(++numbered);
        });
        stage.done(numbered);
    }

    uint64_t readEdges(const std::string &idNumbers, const std::vector<bool> &targetIds)
    {
        const uint32_t count = m_summary.vertices;
        EdgeSorter sorter(m_folder, "links", edgesAtOnce());
        const auto add = [&](uint32_t source, uint32_t target) {
            if (source != target)
                sorter.add(source, target);
        };
        if (idNumbersHeld()) {
            std::vector<uint32_t> numbers(count);
            NumberFile<uint32_t> file(idNumbers);
            for (uint32_t id = 0; id < count; ++id)
                numbers[id] = file.at(id);
            eachEdge(targetIds, [&](uint32_t from, uint32_t to) { add(numbers[from], numbers[to]); });
        } else {
            EdgeSorter byTargetId(m_folder, "links-by-target-id", m_request.memoryEdges);
            {
                EdgeSorter bySourceId(m_folder, "links-by-source-id", m_request.memoryEdges);
                eachEdge(targetIds, [&](uint32_t from, uint32_t to) { bySourceId.add(to, from); });
                numberInIdOrder(bySourceId, idNumbers, "links, numbered by source",
                                [&](uint32_t source, uint32_t to) { byTargetId.add(source, to); });
            }
            numberInIdOrder(byTargetId, idNumbers, "links, numbered by target",
                            [&](uint32_t target, uint32_t source) { add(source, target); });
        }

        OutputFile sources(path(files::kSources));
        OutputFile offsets(path(files::kSourceOffsets));
        std::vector<uint32_t> list;
        uint32_t listed = 0; // sites whose list is written
        std::string coded;
        const auto writeList = [&] {
            if (listed % files::kListsPerOffset == 0)
                offsets.put(uint64_t(sources.written()));
            ++listed;
            coded.clear();
            appendVarint(coded, list.size());
            eliasfano::append(coded, list, count);
            sources.write(coded.data(), coded.size());
            list.clear();
        };
        uint32_t current = kNone;
        // Merging and writing a release's edges takes a while after the last line is read: Ctrl+C
        // there stops the add too.
        const uint64_t edges = sorter.finish([&](uint32_t target, uint32_t source) {
            if (target != current && current != kNone) {
                writeList();
                if (m_stop)
                    throw BuildStopped();
            }
            while (listed < target)
                writeList(); // sites no site links to
            current = target;
            list.push_back(source);
        });
        if (current != kNone)
            writeList();
        while (listed < count)
            writeList();
        offsets.put(uint64_t(sources.written()));
        sources.close();
        offsets.close();
        return edges;
    }

    // The links sorted at once, 16 bytes each: beside the site numbers of the ids when they are
    // held (and, with --targets, a bit a vertex), fewer than the most asked.
    size_t edgesAtOnce() const
    {
        const uint64_t held = (idNumbersHeld() ? m_summary.vertices * 4 : 0)
                              + (m_request.targets.empty() ? 0 : m_summary.vertices / 8);
        const uint64_t left = held < kLinkStageBytes ? (kLinkStageBytes - held) / 16 : 0;
        return std::min(m_request.memoryEdges, std::max<size_t>(left, kLeastEdgesAtOnce));
    }

    void writeMeta()
    {
        std::string meta = "format " + std::to_string(files::kFormat) + "\nrelease " + m_inputs.release + "\nlevel "
                           + levelName(m_inputs.level) + "\nvertices " + std::to_string(m_summary.vertices) + "\nedges " + std::to_string(m_summary.edges)
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

    Lines m_vertexLines;
    Lines m_rankLines;
    uint64_t m_largestPagerankPosition = 0;
    bool m_idsAreNamePositions = true;
    bool m_harmonicFalling = false; // harmonic values fall from site to site, each a float's
    std::vector<std::string> m_reversedTargets;
    std::vector<uint32_t> m_targetPositions; // name positions of the sites --targets asks for
};

} // namespace

BuildSummary buildRelease(const BuildRequest &request, const std::string &folder, const Progress &progress,
                          const std::atomic<bool> &stop)
{
    return Builder(request, folder, progress, stop).build();
}

} // namespace graph
