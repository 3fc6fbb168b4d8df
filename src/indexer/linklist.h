#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Link lists: UTF-8 text, one link a line, fields separated by tabs, under a header line. The
// three-column form is the one the demo list and hand-made lists use; the six-column form is what
// extract and backlinks write, and what add reads back with nothing lost. A line with an empty
// target_url is a capture with no links to other hosts: it still replaces older captures.
namespace indexer {

inline constexpr std::string_view kShortListHeader = "source_url\tsource_title\ttarget_url";
inline constexpr std::string_view kListHeader = "source_url\tsource_title\ttarget_url\tanchor_text\tnofollow\tcaptured";

struct ListRow
{
    std::string_view sourceUrl;
    std::string_view sourceTitle;
    std::string_view targetUrl;
    std::string_view anchorText;
    bool nofollow = false;
    std::optional<int64_t> captured; // microseconds since 1970 UTC
};

// The number of columns a header line announces: 3, 6, or none when it is no list header.
std::optional<int> listColumns(std::string_view header);

// One line (without its line end) of a list with that many columns; nothing when it is malformed.
std::optional<ListRow> parseListRow(std::string_view line, int columns);

// A six-column line, line feed included. Tabs and line breaks inside a field become blanks.
std::string listLine(const ListRow &row);

} // namespace indexer
