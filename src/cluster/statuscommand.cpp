#include "commands.h"
#include "slurm.h"
#include "taskstates.h"

#include <cstdio>

namespace cluster {

int status(const QString &partsFolder)
{
    const PartsFolder folder(partsFolder);
    const std::optional<JobSettings> settings = folder.settings();
    if (!settings) {
        std::fprintf(stderr, "linkvane-cluster: no job was submitted with --parts %s\n", qPrintable(folder.path()));
        return 1;
    }
    const TaskStates states = judgeTasks(folder, settings->tasks);
    std::printf("%d tasks: %lld done, %lld queued or running, %lld failed, %lld missing\n", settings->tasks,
                static_cast<long long>(states.done.size()), static_cast<long long>(states.queued.size()),
                static_cast<long long>(states.failed.size()), static_cast<long long>(states.missing.size()));
    for (int task : states.failed)
        std::printf("failed: task %d, log %s\n", task, qPrintable(folder.log(task)));
    if (!states.queued.isEmpty())
        std::printf("queued or running: tasks %s\n", qPrintable(arraySpec(states.queued)));
    if (!states.missing.isEmpty())
        std::printf("missing: tasks %s\n", qPrintable(arraySpec(states.missing)));
    if (states.done.size() == settings->tasks) {
        std::printf("every part is done; add them with: linkvane-index add %s\n", qPrintable(folder.path()));
        return 0;
    }
    if (states.queued.isEmpty())
        std::printf("the same linkvane-cluster slurm command again submits the failed and missing tasks\n");
    return 1;
}

} // namespace cluster
