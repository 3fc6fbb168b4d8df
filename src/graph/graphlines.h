#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The lines of Common Crawl's web-graph files, as tab-separated text:
//   vertices  id, reversed name (and, for domains, the number of hosts)
//   edges     from id, to id
//   ranks     a header line starting "#harmonicc_pos", then harmonic-centrality position and
//             value, PageRank position and value, reversed name (and, for domains, hosts)
namespace graph {

enum class Level { Domain, Host };
enum class FileKind { Vertices, Edges, Ranks };

std::string levelName(Level level);

// What a file holds, told from its first line: the kind, and the level where the kind shows it
// (edges look the same at both levels). Nothing for a line of none of these shapes.
struct FileShape
{
    FileKind kind;
    std::optional<Level> level;
};
std::optional<FileShape> fileShape(std::string_view firstLine);

struct VertexLine
{
    uint64_t id = 0;
    std::string_view name;
    uint64_t hosts = 0; // domains only
};
std::optional<VertexLine> parseVertex(std::string_view line, Level level);

// Called for every edge of a release: kept lean.
bool parseEdge(std::string_view line, uint64_t &from, uint64_t &to);

// A missing position is 0, a missing value NaN: older releases wrote "---" for them.
struct RankLine
{
    uint64_t harmonicPosition = 0;
    double harmonicValue = 0;
    uint64_t pagerankPosition = 0;
    double pagerankValue = 0;
    std::string_view name;
};
std::optional<RankLine> parseRank(std::string_view line, Level level);

// A name as the graphs write it: printable ASCII (IDNA names are punycode), no blank, at most
// kLongestName bytes.
inline constexpr size_t kLongestName = 1000;
bool isSiteName(std::string_view name);

// A value as written back: the shortest text that reads as the same number; empty for NaN.
std::string formatValue(double value);
void appendValue(std::string &out, double value);
// The same text into text, which has room for kLongestValue bytes; returns where it ends. A float
// is written as its floatValue() is, without reading it back.
inline constexpr size_t kLongestValue = 32;
char *writeValue(char *text, double value);
char *writeValue(char *text, float value);

// Common Crawl writes harmonic centrality as single-precision numbers. Whether value is what the
// shortest text of a float reads as (NaN too), and so can be kept as one; and that number.
bool isFloatValue(double value);
double floatValue(float value);

} // namespace graph
