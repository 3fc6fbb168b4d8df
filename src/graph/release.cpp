#include "release.h"

#include "eliasfano.h"
#include "grapherror.h"
#include "varint.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace graph {

namespace {

constexpr uint32_t kBlock = files::kNamesPerBlock;

} // namespace

Release::Release(const std::string &folder) : m_folder(folder)
{
    std::ifstream meta(folder + "/" + files::kMeta);
    if (!meta)
        throw GraphError("no complete release in " + folder);
    std::string line;
    uint64_t ranked = 0;
    int format = 0;
    bool hasLevel = false;
    while (std::getline(meta, line)) {
        std::istringstream fields(line);
        std::string key;
        fields >> key;
        if (key == "format")
            fields >> format;
        else if (key == "release")
            fields >> m_name;
        else if (key == "level") {
            std::string level;
            fields >> level;
            hasLevel = level == "domain" || level == "host";
            m_level = level == "host" ? Level::Host : Level::Domain;
        } else if (key == "vertices")
            fields >> m_vertices;
        else if (key == "edges")
            fields >> m_edges;
        else if (key == "ranked")
            fields >> ranked;
        else if (key == "targets")
            for (std::string host; fields >> host;)
                m_targets.push_back(host);
    }
    if (m_name.empty() || !hasLevel || m_vertices == 0)
        throw GraphError("the release in " + folder + " is damaged: its meta file is not whole");
    if (format != files::kFormat)
        throw GraphError("the release " + m_name + " in " + folder
                         + " was added by another version of linkvane-index: remove it (remove-graph) and add it again");

    const auto map = [&](const char *file, uint64_t expected) {
        m_files.push_back(std::make_unique<MappedFile>(folder + "/" + file));
        if (expected != UINT64_MAX && m_files.back()->size() != expected)
            throw GraphError("the release in " + folder + " is damaged: " + file + " is not of its size");
        return m_files.back()->data();
    };
    m_blockCount = (m_vertices + kBlock - 1) / kBlock;
    m_names = map(files::kNames, UINT64_MAX);
    m_blocks = reinterpret_cast<const uint64_t *>(map(files::kNameBlocks, m_blockCount * 8));
    const auto column = [&](const char *file, uint64_t count) {
        const uint8_t *data = map(file, UINT64_MAX);
        const PackedColumn packed(data, m_files.back()->size());
        if (!packed.holds(count))
            throw GraphError("the release in " + folder + " is damaged: " + file + " is not of its size");
        return packed;
    };
    m_numbers = column(files::kNumbers, m_vertices);
    m_positions = column(files::kPositions, m_vertices);
    if (ranked > 0) {
        if (std::filesystem::exists(folder + "/" + files::kHarmonicPositions))
            m_harmonicPositions = reinterpret_cast<const uint32_t *>(map(files::kHarmonicPositions, ranked * 4));
        if (std::filesystem::exists(folder + "/" + files::kHarmonicFalling))
            m_harmonicFalling = eliasfano::IndexedList(
                map(files::kHarmonicFalling, eliasfano::indexedBytes(ranked, files::kHarmonicFallingBound)), ranked,
                files::kHarmonicFallingBound);
        else
            m_harmonicValues = reinterpret_cast<const double *>(map(files::kHarmonicValues, ranked * 8));
        m_pagerankPositions = column(files::kPagerankPositions, ranked);
        m_pagerankValues = reinterpret_cast<const double *>(map(files::kPagerankValues, ranked * 8));
        m_rankCount = ranked;
    }
    if (m_level == Level::Domain) {
        m_hosts = map(files::kHosts, m_vertices);
        const uint8_t *many = map(files::kHostsOver, UINT64_MAX);
        if (m_files.back()->size() % sizeof(files::ManyHosts) != 0)
            throw GraphError("the release in " + folder + " is damaged: " + files::kHostsOver + " is not of its size");
        m_manyHosts = {reinterpret_cast<const files::ManyHosts *>(many), m_files.back()->size() / sizeof(files::ManyHosts)};
    }
    const uint64_t offsets = (m_vertices + files::kListsPerOffset - 1) / files::kListsPerOffset;
    m_offsets = reinterpret_cast<const uint64_t *>(map(files::kSourceOffsets, (offsets + 1) * 8));
    m_sources = map(files::kSources, m_offsets[offsets]);
}

uint64_t Release::bytesOnDisk() const
{
    uint64_t bytes = 0;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(m_folder, error))
        bytes += entry.file_size(error);
    return bytes;
}

std::string Release::nameAt(uint32_t position) const
{
    const uint64_t marked = uint64_t(1) << (position % 64);
    std::string name;
    markedNames({&marked, 1}, position - position % 64, [&name](std::string_view found) { name = found; });
    return name;
}

uint32_t Release::lowerBound(std::string_view reversed) const
{
    // The block whose first name is the last not above reversed, then within it.
    uint64_t low = 0, high = m_blockCount;
    while (high - low > 1) {
        const uint64_t middle = (low + high) / 2;
        const uint8_t *at = m_names + m_blocks[middle];
        const uint64_t length = readVarint(at);
        if (std::string_view(reinterpret_cast<const char *>(at), length) <= reversed)
            low = middle;
        else
            high = middle;
    }
    auto position = uint32_t(low * kBlock);
    const auto end = uint32_t(std::min<uint64_t>(m_vertices, (low + 1) * kBlock));
    while (position < end && nameAt(position) < reversed)
        ++position;
    return position;
}

std::optional<uint32_t> Release::find(std::string_view reversed) const
{
    const uint32_t position = lowerBound(reversed);
    if (position < m_vertices && nameAt(position) == reversed)
        return m_numbers[position];
    return std::nullopt;
}

std::vector<uint32_t> Release::under(std::string_view reversed) const
{
    std::vector<uint32_t> sites;
    if (const std::optional<uint32_t> site = find(reversed))
        sites.push_back(*site);
    // The names under it are those from "com.example." to "com.example/", '/' coming after '.'.
    const uint32_t end = lowerBound(std::string(reversed) + '/');
    for (uint32_t position = lowerBound(std::string(reversed) + '.'); position < end; ++position)
        sites.push_back(m_numbers[position]);
    return sites;
}

std::string Release::reversedName(uint32_t site) const
{
    return nameAt(m_positions[site]);
}

void Release::markedNames(std::span<const uint64_t> marked, uint64_t first,
                          const std::function<void(std::string_view)> &name) const
{
    // Each block of names that holds a marked one is read once, up to its last marked name.
    static_assert(64 % kBlock == 0);
    constexpr uint64_t kBlockMarks = (uint64_t(1) << kBlock) - 1;
    std::array<char, kLongestName> current;
    uint64_t length = 0;
    for (size_t word = 0; word < marked.size(); ++word)
        for (unsigned shift = 0; shift < 64; shift += kBlock) {
            const uint64_t marks = (marked[word] >> shift) & kBlockMarks;
            if (marks == 0)
                continue;
            const uint8_t *at = m_names + m_blocks[(first + word * 64 + shift) / kBlock];
            for (uint64_t i = 0; i < std::bit_width(marks); ++i) {
                const uint64_t shared = i == 0 ? 0 : readVarint(at);
                const uint64_t rest = readVarint(at);
                if (shared > length || rest > current.size() - shared)
                    throw GraphError("the release in " + m_folder + " is damaged: " + files::kNames + " is not whole");
                std::memcpy(current.data() + shared, at, rest);
                length = shared + rest;
                at += rest;
                if (marks >> i & 1)
                    name(std::string_view(current.data(), length));
            }
        }
}

uint32_t Release::harmonicPosition(uint32_t site) const
{
    return m_harmonicPositions ? m_harmonicPositions[site] : site + 1;
}

float Release::harmonicFloat(uint32_t site) const
{
    return std::bit_cast<float>(uint32_t(0x7fffffff - m_harmonicFalling[site]));
}

files::RankRecord Release::rank(uint32_t site) const
{
    if (site < m_rankCount)
        return {harmonicPosition(site), m_pagerankPositions[site],
                m_harmonicValues ? m_harmonicValues[site] : floatValue(harmonicFloat(site)), m_pagerankValues[site]};
    return {0, 0, std::nan(""), std::nan("")};
}

char *Release::writeRankCells(char *text, uint32_t site) const
{
    if (site >= m_rankCount)
        return std::fill_n(text, 3, '\t');
    const auto writePosition = [](char *at, uint32_t position) {
        return position == 0 ? at : std::to_chars(at, at + 10, position).ptr;
    };
    char *at = writePosition(text, harmonicPosition(site));
    *at++ = '\t';
    at = m_harmonicValues ? writeValue(at, m_harmonicValues[site]) : writeValue(at, harmonicFloat(site));
    *at++ = '\t';
    at = writePosition(at, m_pagerankPositions[site]);
    *at++ = '\t';
    return writeValue(at, m_pagerankValues[site]);
}

std::optional<uint32_t> Release::hosts(uint32_t site) const
{
    if (!m_hosts)
        return std::nullopt;
    if (m_hosts[site] < files::kManyHosts)
        return m_hosts[site];
    const auto found = std::lower_bound(m_manyHosts.begin(), m_manyHosts.end(), site,
                                        [](const files::ManyHosts &many, uint32_t site) { return many.site < site; });
    if (found == m_manyHosts.end() || found->site != site)
        throw GraphError("the release in " + m_folder + " is damaged: " + files::kHostsOver + " is not whole");
    return found->hosts;
}

const uint8_t *Release::listOf(uint32_t site) const
{
    const uint8_t *at = m_sources + m_offsets[site / files::kListsPerOffset];
    for (uint32_t before = site % files::kListsPerOffset; before > 0; --before)
        at += eliasfano::bytes(readVarint(at), m_vertices);
    return at;
}

uint64_t Release::sourceCount(uint32_t site) const
{
    const uint8_t *at = listOf(site);
    return readVarint(at);
}

void Release::sources(uint32_t site, std::vector<uint32_t> &out, uint64_t limit) const
{
    const uint8_t *at = listOf(site);
    const uint64_t count = readVarint(at);
    const uint64_t wanted = std::min(count, limit);
    // The lists of all the hosts of a domain are added into one vector, one after another:
    // reserving just enough for each would copy it over at every list.
    if (out.capacity() < out.size() + wanted)
        out.reserve(std::max<uint64_t>(out.size() + wanted, 2 * out.capacity()));
    eliasfano::Reader list(at, count, m_vertices);
    for (uint64_t i = 0; i < wanted; ++i)
        out.push_back(list.next());
}

} // namespace graph
