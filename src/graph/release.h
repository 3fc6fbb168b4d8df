#pragma once

#include "eliasfano.h"
#include "graphlines.h"
#include "mappedfile.h"
#include "packedcolumn.h"
#include "releasefiles.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace graph {

// One stored release of one level, read in place. Sites are known by their number, which is
// their rank order (releasefiles.h).
class Release
{
public:
    // Throws GraphError when the folder holds no complete release.
    explicit Release(const std::string &folder);

    const std::string &name() const { return m_name; }
    Level level() const { return m_level; }
    uint64_t vertices() const { return m_vertices; }
    uint64_t edges() const { return m_edges; }
    bool ranked() const { return m_rankCount > 0; }
    uint64_t bytesOnDisk() const;
    // The hosts it was added for (--targets), which it alone answers for; empty when all.
    const std::vector<std::string> &targets() const { return m_targets; }

    // The number of a site by its reversed name.
    std::optional<uint32_t> find(std::string_view reversed) const;
    // The numbers of a site and of every site under it ("com.example", "com.example.blog").
    std::vector<uint32_t> under(std::string_view reversed) const;

    std::string reversedName(uint32_t site) const;
    // Where the name of site is in name order.
    uint32_t namePosition(uint32_t site) const { return m_positions[site]; }
    // Calls name with the reversed name at each name position marked in marked (bit i of word w
    // marks position first + 64 w + i, first a multiple of 64), in name order.
    void markedNames(std::span<const uint64_t> marked, uint64_t first,
                     const std::function<void(std::string_view)> &name) const;
    files::RankRecord rank(uint32_t site) const;
    // The four rank cells of site as rank() and appendValue show them, tab-separated, into text,
    // which has room for kLongestRankCells bytes; returns where they end. For writing millions:
    // rank() reads each harmonic value kept as a float back from its text.
    static constexpr size_t kLongestRankCells = 2 * 10 + 2 * kLongestValue + 3;
    char *writeRankCells(char *text, uint32_t site) const;
    std::optional<uint32_t> hosts(uint32_t site) const;

    // How many sites link to site, and the numbers of the first limit of them (in rank order),
    // added to out.
    uint64_t sourceCount(uint32_t site) const;
    void sources(uint32_t site, std::vector<uint32_t> &out, uint64_t limit = UINT64_MAX) const;

private:
    std::string nameAt(uint32_t position) const;
    // Of a ranked site.
    uint32_t harmonicPosition(uint32_t site) const;
    float harmonicFloat(uint32_t site) const;
    // Where the list of the sites that link to site starts.
    const uint8_t *listOf(uint32_t site) const;
    // The first name position whose name is not below reversed.
    uint32_t lowerBound(std::string_view reversed) const;

    std::string m_folder;
    std::string m_name;
    Level m_level = Level::Domain;
    uint64_t m_vertices = 0;
    uint64_t m_edges = 0;
    std::vector<std::string> m_targets;
    std::vector<std::unique_ptr<MappedFile>> m_files;
    const uint8_t *m_names = nullptr;
    const uint64_t *m_blocks = nullptr;
    uint64_t m_blockCount = 0;
    PackedColumn m_numbers;   // the site number at each name position
    PackedColumn m_positions; // the name position of each site number
    const uint32_t *m_harmonicPositions = nullptr; // none when each is the site's number plus one
    const double *m_harmonicValues = nullptr;
    eliasfano::IndexedList m_harmonicFalling; // instead of m_harmonicValues, as releasefiles.h says
    PackedColumn m_pagerankPositions;
    const double *m_pagerankValues = nullptr;
    uint64_t m_rankCount = 0;
    const uint8_t *m_hosts = nullptr;
    std::span<const files::ManyHosts> m_manyHosts;
    const uint8_t *m_sources = nullptr;
    const uint64_t *m_offsets = nullptr;
};

} // namespace graph
