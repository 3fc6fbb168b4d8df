#pragma once

#include "query/linklists.h"

#include <QString>

class QTreeWidget;

// The result table: a numbered report view of the links the query has listed.
namespace resulttable {

// A flat, numbered report view: rows selected whole, never edited, each cell drawn on one line.
void setUpView(QTreeWidget &table);

// The three columns at their designed widths.
void setUpColumns(QTreeWidget &table);

// Rebuilds the whole table, columns included, from the link lists: row k shows the URL and the
// page name of link k. Selection, scrolling and dragged column widths start afresh.
void rebuild(QTreeWidget &table, const LinkLists &links);

// The status line after a refresh: the claimed total as cut, and how many links are listed.
QString summaryLine(const QString &countText, qsizetype listed);

} // namespace resulttable
