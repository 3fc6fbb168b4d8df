#include "linklist.h"

#include "archive/warcdate.h"

namespace indexer {

namespace {

std::vector<std::string_view> fields(std::string_view line)
{
    std::vector<std::string_view> found;
    for (size_t at = 0;;) {
        const size_t tab = line.find('\t', at);
        found.push_back(line.substr(at, tab == std::string_view::npos ? std::string_view::npos : tab - at));
        if (tab == std::string_view::npos)
            return found;
        at = tab + 1;
    }
}

void appendField(std::string &line, std::string_view field)
{
    for (const char c : field)
        line += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
}

} // namespace

std::optional<int> listColumns(std::string_view header)
{
    if (!header.empty() && header.back() == '\r')
        header.remove_suffix(1);
    if (header == kShortListHeader)
        return 3;
    if (header == kListHeader)
        return 6;
    return std::nullopt;
}

std::optional<ListRow> parseListRow(std::string_view line, int columns)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    const std::vector<std::string_view> found = fields(line);
    if (int(found.size()) != columns)
        return std::nullopt;
    ListRow row{found[0], found[1], found[2], {}, false, std::nullopt};
    if (columns == 6) {
        row.anchorText = found[3];
        if (found[4] != "0" && found[4] != "1")
            return std::nullopt;
        row.nofollow = found[4] == "1";
        if (!found[5].empty()) {
            row.captured = archive::parseWarcDate(found[5]);
            if (!row.captured)
                return std::nullopt;
        }
    }
    return row;
}

std::string listLine(const ListRow &row)
{
    std::string line;
    for (const std::string_view field : {row.sourceUrl, row.sourceTitle, row.targetUrl, row.anchorText}) {
        appendField(line, field);
        line += '\t';
    }
    line += row.nofollow ? "1\t" : "0\t";
    if (row.captured)
        line += archive::formatWarcDate(*row.captured);
    line += '\n';
    return line;
}

} // namespace indexer
