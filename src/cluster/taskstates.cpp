#include "taskstates.h"

#include "slurm.h"

#include <QFileInfo>

namespace cluster {

TaskStates judgeTasks(const PartsFolder &folder, int tasks)
{
    const QSet<int> queued = queuedTasks(folder.submittedJobs());
    const QStringList paths = folder.paths();
    TaskStates states;
    for (int task = 0; task < tasks; ++task) {
        if (folder.done(task, taskShare(paths, task, tasks)))
            states.done << task;
        else if (queued.contains(task))
            states.queued << task;
        else if (QFileInfo::exists(folder.log(task)))
            states.failed << task;
        else
            states.missing << task;
    }
    return states;
}

} // namespace cluster
