#pragma once

#include <QPoint>
#include <QUrl>

#include <optional>

class ResultTable;

// The page a double-click on the result table opens, for the mouse cursor at cursor (global
// coordinates): the selected row's URL, when the cursor is on a row and right of a column's left
// edge. Only an absolute http URL on the first line of the URL cell is opened; a cell holding
// anything else (the no-match text, an empty text) opens nothing.
std::optional<QUrl> linkToOpen(const ResultTable &table, QPoint cursor);
