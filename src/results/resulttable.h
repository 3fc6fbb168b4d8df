#pragma once

#include "query/linklists.h"

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <QTreeView>

#include <optional>

// The rows of the result table: row k (from 1) shows its number, the URL and the page name of
// link k. It holds copies of the link lists' texts.
class ResultModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    void setLinks(const QStringList &urls, const QStringList &names);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QStringList m_urls;
    QStringList m_names;
};

// The result table: a numbered report view of the links the query has listed. Rows are selected
// whole and never edited; every cell is drawn on one line.
class ResultTable : public QTreeView
{
    Q_OBJECT

public:
    explicit ResultTable(QWidget *parent = nullptr);

    // The three columns back at their designed widths.
    void setUpColumns();
    // Rebuilds the whole table from the link lists: selection, scrolling and dragged column
    // widths start afresh.
    void rebuild(const LinkLists &links);

    int rows() const { return m_model.rowCount(); }
    // A cell's text as the link lists hold it, and as the table shows it, on one line.
    QString cellText(int row, int column) const;
    QString shownText(int row, int column) const;
    // The row the user selected, if any: a click selects a whole row, and a refresh selects none.
    std::optional<int> selectedRow() const;

private:
    ResultModel m_model;
};

// The status line after a refresh: the claimed total as cut, and how many links are listed.
QString summaryLine(const QString &countText, qsizetype listed);
