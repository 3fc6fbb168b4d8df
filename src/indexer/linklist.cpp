#include "linklist.h"

#include "archive/warcdate.h"
#include "links/htmlpage.h"
#include "links/linknames.h"
#include "links/text.h"

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
    if (header == kSixColumnListHeader)
        return 6;
    if (header == kListHeader)
        return 9;
    if (header == kBacklinksListHeader)
        return 12;
    return std::nullopt;
}

std::optional<ListRow> parseListRow(std::string_view line, int columns)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    const std::vector<std::string_view> found = fields(line);
    if (int(found.size()) != columns)
        return std::nullopt;
    ListRow row{.sourceUrl = found[0], .sourceTitle = found[1], .targetUrl = found[2]};
    if (columns == 3)
        return row;
    row.anchorText = found[3];
    if (found[4] != "0" && found[4] != "1")
        return std::nullopt;
    row.rel.nofollow = found[4] == "1";
    if (!found[5].empty()) {
        row.captured = archive::parseWarcDate(found[5]);
        if (!row.captured)
            return std::nullopt;
    }
    if (columns == 6) {
        if (row.anchorText == links::kRedirectAnchor && row.sourceTitle.empty()) {
            row.type = links::LinkType::Redirect;
            row.state = links::PageState::Redirect;
        }
        return row;
    }
    // The rel column only as listLine writes it: a list that writes it otherwise was not written
    // by extract, and its lines cannot be trusted.
    const links::Rel rel = links::relOf(found[6]);
    const std::optional<links::LinkType> type = links::linkTypeNamed(found[7]);
    if (columns == 12) {
        if (found[10] != "0" && found[10] != "1")
            return std::nullopt;
        row.lost = found[10] == "1";
    }
    const std::optional<links::PageState> state =
        columns == 12 ? std::optional(type == links::LinkType::Redirect ? links::PageState::Redirect : links::PageState::Ok)
                      : links::pageStateNamed(found[8]);
    if (links::relText(rel) != found[6] || rel.nofollow != row.rel.nofollow || !type || !state)
        return std::nullopt;
    row.rel = rel;
    row.type = *type;
    row.state = *state;
    // A link that contradicts its page: a redirect's link on a page that is no redirect, another
    // link on one that is, any link on a page that is gone.
    const bool redirectPage = row.state == links::PageState::Redirect;
    if (!row.targetUrl.empty() && ((row.type == links::LinkType::Redirect) != redirectPage || row.state == links::PageState::Gone))
        return std::nullopt;
    return row;
}

std::string listLine(const ListRow &row)
{
    std::string line;
    for (const std::string_view field : {row.sourceUrl, row.sourceTitle, row.targetUrl, row.anchorText}) {
        appendField(line, field);
        line += '\t';
    }
    line += row.rel.nofollow ? "1\t" : "0\t";
    if (row.captured)
        line += archive::formatWarcDate(*row.captured);
    line += '\t';
    line += links::relText(row.rel);
    line += '\t';
    line += links::linkTypeName(row.type);
    line += '\t';
    line += links::pageStateName(row.state);
    line += '\n';
    return line;
}

} // namespace indexer
