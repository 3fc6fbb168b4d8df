#include "resulttable.h"

#include <QHeaderView>
#include <QStyledItemDelegate>

#include <array>

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
QString onOneLine(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).trimmed();
}

class SingleLineDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->text = onOneLine(option->text);
    }
};

} // namespace

void ResultModel::setLinks(const QStringList &urls, const QStringList &names)
{
    beginResetModel();
    m_urls = urls;
    m_names = names;
    endResetModel();
}

int ResultModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_urls.size());
}

int ResultModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(columns().size());
}

QVariant ResultModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    const int row = index.row();
    switch (index.column()) {
    case 0:
        return QString::number(row + 1);
    case 1:
        return m_urls.at(row);
    default:
        // A name missing from the lists shows the placeholder its cell starts with.
        return row < m_names.size() ? m_names.at(row) : QStringLiteral("2");
    }
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return columns().at(size_t(section)).header;
}

ResultTable::ResultTable(QWidget *parent) : QTreeView(parent)
{
    setModel(&m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setStretchLastSection(false);
    setItemDelegate(new SingleLineDelegate(this));
}

void ResultTable::setUpColumns()
{
    for (int i = 0; i < int(columns().size()); ++i)
        header()->resizeSection(i, columns()[size_t(i)].width);
}

void ResultTable::rebuild(const LinkLists &links)
{
    m_model.setLinks(links.List3, links.List2);
    setUpColumns();
    scrollToTop();
}

QString ResultTable::cellText(int row, int column) const
{
    return m_model.index(row, column).data().toString();
}

QString ResultTable::shownText(int row, int column) const
{
    return onOneLine(cellText(row, column));
}

std::optional<int> ResultTable::selectedRow() const
{
    const QModelIndexList selected = selectionModel()->selectedRows();
    if (selected.isEmpty())
        return std::nullopt;
    return selected.first().row();
}

QString summaryLine(const QString &countText, qsizetype listed)
{
    return QStringLiteral("网络中共") + countText + QStringLiteral("个页面有该站链接。  最多列出1000条！   当前已列出")
           + QString::number(listed) + QStringLiteral("条");
}
