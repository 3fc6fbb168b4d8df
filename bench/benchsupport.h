#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>
#include <optional>

// A result page as the link-search service sends it: the count, then links first to first + count - 1,
// each followed by its snapshot line.
QString resultPage(int first, int count);

// Best wall time of runs of work, in milliseconds.
double bestMs(const std::function<void()> &work, int runs = 5);

// work run in a child process that is killed after cap: for engines that may take hours on
// hostile input, or crash on it.
struct CappedRun
{
    std::optional<double> ms; // the wall time, when it ended normally
    QString outcome;          // the time, or how it ended
};
CappedRun cappedMs(const std::function<void()> &work, std::chrono::seconds cap);

// One row of a printed table.
void printRow(const QString &what, const QString &figure, const QString &note = {});
