#pragma once

#include <QPoint>
#include <QString>
#include <QUrl>

#include <optional>

class ResultTable;

// The page a URL cell opens: the absolute http or https URL on its first line. A cell holding
// anything else (the no-match text, an empty text, a local path) opens nothing.
std::optional<QUrl> webAddress(const QString &urlCell);

// The page a double-click on the result table opens, for the mouse cursor at cursor (global
// coordinates): that of the selected row's URL cell, when the cursor is on a row and right of a
// column's left edge.
std::optional<QUrl> linkToOpen(const ResultTable &table, QPoint cursor);
