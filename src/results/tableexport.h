#pragma once

#include <QString>

class ResultTable;

// The result table as other programs take it: one row on the clipboard, every row in a file.

// A row as it is copied: its number, URL and name as the cells show them, separated by tabs and
// ended by a line feed.
QString copiedRow(const ResultTable &table, int row);

// Saves every row of the table, as shown, in a CSV file at path, written whole or not at all.
// Returns why it could not be written; empty when it was.
QString saveCsvFile(const ResultTable &table, const QString &path);
