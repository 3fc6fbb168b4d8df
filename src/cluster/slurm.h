#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace cluster {

// The array indexes of the given jobs that Slurm still has queued or running (squeue); none when
// Slurm cannot be asked, after saying so on standard error.
QSet<int> queuedTasks(const QStringList &jobIds);

// Submits script as one array job of the given indexes, at most throttle running at once (0: as
// many as Slurm allows), each task's output to logPattern. The job's id, or none after naming
// why on standard error.
std::optional<QString> submitArray(const QString &script, const QList<int> &indexes, int throttle,
                                   const QString &logPattern);

// Indexes as sbatch's --array takes them: "0-3,7,9-10".
QString arraySpec(const QList<int> &indexes);

} // namespace cluster
