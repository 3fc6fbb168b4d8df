#include "linkopener.h"

#include "net/pagefetcher.h"
#include "resulttable.h"

#include <QHeaderView>

std::optional<QUrl> webAddress(const QString &urlCell)
{
    // A URL cell is a match list: every URL followed by CR LF. Handing anything but a web address
    // to the desktop could open or run a local file of that name.
    const QString first = urlCell.section(QStringLiteral("\r\n"), 0, 0);
    if (!first.startsWith(QStringLiteral("http://"), Qt::CaseInsensitive)
        && !first.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive))
        return std::nullopt;
    const QUrl url = requestUrl(first);
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    return url;
}

std::optional<QUrl> linkToOpen(const ResultTable &table, QPoint cursor)
{
    const QPoint point = table.viewport()->mapFromGlobal(cursor);
    if (!table.indexAt(point).isValid())
        return std::nullopt;

    // A double-click counts only right of a column's left edge, so right of the first column's.
    // The hit test only tells that it landed on a row; the row opened is the selected one, which
    // the first click of the double-click selected.
    const std::optional<int> row = table.selectedRow();
    if (table.header()->sectionViewportPosition(0) >= point.x() || !row)
        return std::nullopt;
    return webAddress(table.cellText(*row, 1));
}
