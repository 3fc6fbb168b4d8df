#pragma once

#include <cstdint>

// The files of one stored release, in a folder of its own. Sites are numbered by harmonic-
// centrality position (unranked sites after the ranked ones, in name order), so that a list of
// site numbers sorted as numbers is in rank order, and gaps between them are small where a site
// has many referring sites.
namespace graph::files {

// "key value" lines: format, release, level, vertices, edges, ranked, targets (the domains a
// release added with --targets answers for, space-separated; absent when it answers for all).
inline constexpr const char *kMeta = "meta";
// The way the files below are written; releases written otherwise are not read.
inline constexpr int kFormat = 2;
// The reversed names in name order, front-coded in blocks of kNamesPerBlock: the first name of a
// block whole (its length, then its bytes), each next one as the length it shares with the one
// before, the length of the rest, and the rest; lengths as varints.
inline constexpr const char *kNames = "names";
inline constexpr const char *kNameBlocks = "names.blocks"; // uint64 offset of each block
inline constexpr uint32_t kNamesPerBlock = 16;
// Columns of numbers are packed (packedcolumn.h), others are arrays of their type.
inline constexpr const char *kNumbers = "numbers";     // the site number at each name position
inline constexpr const char *kPositions = "positions"; // the name position of each site number
// The ranks of each ranked site number, a column a file: the pagerank positions packed, harmonic
// positions as uint32, values as doubles. Ranked sites are numbered by harmonic position: its
// column is left out when each is the site's number plus one, as when every row of the ranks file
// names a site. So numbered, sites' harmonic values fall from one to the next; when each also reads
// as a float (as Common Crawl writes them, graphlines.h), kHarmonicFalling holds them instead of
// kHarmonicValues, in an indexed Elias-Fano list (eliasfano.h) below 2^31 of 0x7fffffff less
// each float's bits, which rise as the values fall: 10 bits a site instead of 64.
inline constexpr const char *kHarmonicPositions = "ranks.harmonic-positions";
inline constexpr const char *kHarmonicValues = "ranks.harmonic-values";
inline constexpr const char *kHarmonicFalling = "ranks.harmonic-falling";
inline constexpr uint64_t kHarmonicFallingBound = uint64_t(1) << 31;
inline constexpr const char *kPagerankPositions = "ranks.pagerank-positions";
inline constexpr const char *kPagerankValues = "ranks.pagerank-values";
// At domain level, the hosts of each domain: a byte each, kManyHosts for kManyHosts or more, whose
// numbers kHostsOver holds as ManyHosts in site order.
inline constexpr const char *kHosts = "hosts";
inline constexpr const char *kHostsOver = "hosts.over";
inline constexpr uint8_t kManyHosts = 255;
// For each site number in turn, the numbers of the sites that link to it: a varint count, then
// the list in Elias and Fano's coding (eliasfano.h) with the number of sites as its bound.
// kSourceOffsets holds the uint64 offset of every kListsPerOffset-th site's list, and the size of
// kSources last; the lists between are found by their counts, which tell their sizes.
inline constexpr const char *kSources = "sources";
inline constexpr const char *kSourceOffsets = "sources.offsets";
inline constexpr uint32_t kListsPerOffset = 16;

struct ManyHosts
{
    uint32_t site;
    uint32_t hosts;
};

// The ranks of one site.
struct RankRecord
{
    uint32_t harmonicPosition; // 0: none given
    uint32_t pagerankPosition; // 0: none given
    double harmonicValue;      // NaN: none given
    double pagerankValue;      // NaN: none given
};

} // namespace graph::files
