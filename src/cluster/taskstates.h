#pragma once

#include "partsfolder.h"

#include <QList>

namespace cluster {

// What became of every task of a job, judged by the parts in its folder, not by Slurm's word:
// a task is done when its part is there whole, queued while Slurm still holds it, failed when it
// ran (its log is there) and left no part, missing when it never ran.
struct TaskStates
{
    QList<int> done, queued, failed, missing;
};

// Throws std::runtime_error when the folder's path list cannot be read.
TaskStates judgeTasks(const PartsFolder &folder, int tasks);

} // namespace cluster
