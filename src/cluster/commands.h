#pragma once

#include "fetchextract.h"
#include "partsfolder.h"

#include <QString>

// The commands of linkvane-cluster; each returns the program's exit status, or throws
// std::runtime_error for a file it cannot read.
namespace cluster {

struct SlurmRequest
{
    QString pathsFile;
    QString partsFolder;
    QString targetsFile; // empty: every link
    JobSettings settings; // tasks 0: one a path, up to kDefaultTasks
    int throttle = 0;     // 0: as many tasks at once as Slurm allows
};

// Slurm refuses array indexes from its MaxArraySize on, 1001 unless the cluster sets another.
inline constexpr int kDefaultTasks = 1000;

int slurm(const SlurmRequest &request);
int status(const QString &partsFolder);
// Task task of the job whose parts go to partsFolder: its part, written whole or not at all.
int extractTask(const QString &partsFolder, int task);
// The paths on standard input, their links on standard output: a mapper of Spark or Hadoop.
int extractStream(const FetchSettings &settings);

} // namespace cluster
