#pragma once

#include "links/page.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Link lists: UTF-8 text, one link a line, fields separated by tabs, under a header line. The
// three-column form is the one the demo list and hand-made lists use; the nine-column form is
// what extract writes, and what add reads back with nothing lost; the six-column form is what
// extract wrote before it kept rel, type and state. The twelve columns of a backlinks listing
// read as the latest capture of each page that still links; its lost links are no capture's. A line with an empty target_url is a capture
// with no links to other hosts: it still replaces older captures.
namespace indexer {

inline constexpr std::string_view kShortListHeader = "source_url\tsource_title\ttarget_url";
inline constexpr std::string_view kSixColumnListHeader = "source_url\tsource_title\ttarget_url\tanchor_text\tnofollow\tcaptured";
inline constexpr std::string_view kListHeader =
    "source_url\tsource_title\ttarget_url\tanchor_text\tnofollow\tcaptured\trel\ttype\tstate";
inline constexpr std::string_view kBacklinksListHeader = "source_url\tsource_title\ttarget_url\tanchor_text\tnofollow\t"
                                                         "captured\trel\ttype\tfirst_seen\tlast_seen\tlost\tlost_reason";

struct ListRow
{
    std::string_view sourceUrl{};
    std::string_view sourceTitle{};
    std::string_view targetUrl{};
    std::string_view anchorText{};
    std::optional<int64_t> captured{}; // microseconds since 1970 UTC
    links::Rel rel{};                  // its nofollow column is rel.nofollow
    links::LinkType type = links::LinkType::Text;
    links::PageState state = links::PageState::Ok;
    bool lost = false; // a lost link of a backlinks listing
};

// The number of columns a header line announces: 3, 6, 9, 12, or none when it is no list header.
std::optional<int> listColumns(std::string_view header);

// One line (without its line end) of a list with that many columns; nothing when it is malformed.
// A line of three or six columns is of an Ok page and a text link, but for a six-column line that
// older extracts wrote for a redirect: the anchor text "(redirect)" under an empty title.
std::optional<ListRow> parseListRow(std::string_view line, int columns);

// A nine-column line, line feed included. Tabs and line breaks inside a field become blanks.
std::string listLine(const ListRow &row);

} // namespace indexer
