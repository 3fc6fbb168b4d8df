#pragma once

#include <QString>
#include <QStringList>

class QIODevice;

namespace cluster {

// Where a task's files come from and which links it keeps.
struct FetchSettings
{
    QString base;        // URL the paths are under; empty: the paths are local files
    QString targetsFile; // empty: every link
    int retries = 0;     // curl's retries of a download that fails for a reason that may pass
};

// Fetches the file of every path in turn (curl, from base) or reads it where it is, runs
// linkvane-index extract on it, and writes one link list to out: the header once, then the links
// of every file. Blank paths are passed over; a path may carry Hadoop Streaming's "offset<TAB>"
// in front. Progress and errors go to standard error. False, after naming what failed, when a
// file could not be fetched or read whole, or out could not be written: what out holds is then
// not a whole part.
bool fetchAndExtract(const QStringList &paths, const FetchSettings &settings, QIODevice &out);

} // namespace cluster
