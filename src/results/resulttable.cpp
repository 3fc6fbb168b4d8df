#include "resulttable.h"

#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include <array>

namespace resulttable {
namespace {

struct Column
{
    QString header;
    int width; // pixels
};

const std::array<Column, 3> &columns()
{
    static const std::array<Column, 3> all{{
        {QStringLiteral("序号"), 40},
        {QStringLiteral("  网络带外链的页面（最多列出1000条）"), 350},
        {QStringLiteral("          页面名字"), 350},
    }};
    return all;
}

// URL and name cells hold match lists, which end in CR LF; a cell shows them on one line.
class SingleLineDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->text = option->text.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).trimmed();
    }
};

} // namespace

void setUpView(QTreeWidget &table)
{
    table.setRootIsDecorated(false);
    table.setItemsExpandable(false);
    table.setUniformRowHeights(true);
    table.setAllColumnsShowFocus(true);
    table.setSelectionBehavior(QAbstractItemView::SelectRows);
    table.setEditTriggers(QAbstractItemView::NoEditTriggers);
    table.header()->setStretchLastSection(false);
    table.setItemDelegate(new SingleLineDelegate(&table));
}

void setUpColumns(QTreeWidget &table)
{
    QStringList headers;
    for (const Column &column : columns())
        headers << column.header;
    table.setHeaderLabels(headers);
    for (int i = 0; i < int(columns().size()); ++i)
        table.header()->resizeSection(i, columns()[size_t(i)].width);
}

void rebuild(QTreeWidget &table, const LinkLists &links)
{
    table.clear();
    table.setColumnCount(0);
    setUpColumns(table);

    QList<QTreeWidgetItem *> rows;
    rows.reserve(links.List3.size());
    for (qsizetype k = 1; k <= links.List3.size(); ++k) {
        // The cells carry placeholders until the link's texts are written; a name missing from
        // List2 leaves its placeholder.
        auto *row = new QTreeWidgetItem(QStringList{QString::number(k), QStringLiteral("1"), QStringLiteral("2")});
        row->setText(1, links.List3.at(k - 1));
        if (k - 1 < links.List2.size())
            row->setText(2, links.List2.at(k - 1));
        rows.append(row);
    }
    table.addTopLevelItems(rows);
}

QString summaryLine(const QString &countText, qsizetype listed)
{
    return QStringLiteral("网络中共") + countText + QStringLiteral("个页面有该站链接。  最多列出1000条！   当前已列出")
           + QString::number(listed) + QStringLiteral("条");
}

} // namespace resulttable
