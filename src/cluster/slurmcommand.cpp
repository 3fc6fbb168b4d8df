#include "commands.h"
#include "slurm.h"
#include "taskstates.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace cluster {

namespace {

QString shellQuoted(QString text)
{
    return u'\'' + text.replace(u'\'', QStringLiteral("'\\''")) + u'\'';
}

bool writeWhole(const QString &path, const QByteArray &bytes, QFileDevice::Permissions permissions = {})
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()
        && (!permissions || file.setPermissions(permissions)) && file.commit())
        return true;
    std::fprintf(stderr, "linkvane-cluster: cannot write %s: %s\n", qPrintable(path), qPrintable(file.errorString()));
    return false;
}

std::optional<QByteArray> readWhole(const QString &path)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        return file.readAll();
    std::fprintf(stderr, "linkvane-cluster: cannot read %s: %s\n", qPrintable(path), qPrintable(file.errorString()));
    return std::nullopt;
}

// The array job's script: each task runs this program's extract on its share of the list.
QByteArray jobScript(const PartsFolder &folder)
{
    return QStringLiteral("#!/bin/sh\n"
                          "# linkvane-cluster slurm: each array task writes its part of the links in this folder.\n"
                          "exec %1 extract --parts %2 --task \"$SLURM_ARRAY_TASK_ID\"\n")
        .arg(shellQuoted(QCoreApplication::applicationFilePath()), shellQuoted(folder.path()))
        .toUtf8();
}

// Writes the job's list, targets and settings into a new folder, or checks that a folder of an
// earlier submission holds the same: other lines or settings would make its parts another job's.
bool settle(const PartsFolder &folder, const QStringList &paths, const std::optional<QByteArray> &targets,
            const JobSettings &settings)
{
    if (!QDir().mkpath(folder.path() + QStringLiteral("/logs"))) {
        std::fprintf(stderr, "linkvane-cluster: cannot make the folder %s/logs\n", qPrintable(folder.path()));
        return false;
    }
    if (const std::optional<JobSettings> earlier = folder.settings()) {
        QFile earlierTargets(folder.targets());
        const bool targetsSame = earlierTargets.open(QIODevice::ReadOnly) ? targets == earlierTargets.readAll()
                                                                          : !targets;
        if (*earlier == settings && targetsSame && folder.paths() == paths)
            return true;
        std::fprintf(stderr,
                     "linkvane-cluster: %s holds the parts of another job (other paths, targets, --base, --tasks or "
                     "--retries); run that job's command again, or give another --parts folder\n",
                     qPrintable(folder.path()));
        return false;
    }
    return writeWhole(folder.pathList(), (paths.join(u'\n') + u'\n').toUtf8())
        && (!targets || writeWhole(folder.targets(), *targets)) && folder.saveSettings(settings);
}

} // namespace

int slurm(const SlurmRequest &request)
{
    const PartsFolder folder(request.partsFolder);
    QStringList paths = readLines(request.pathsFile);
    if (std::all_of(paths.begin(), paths.end(), [](const QString &path) { return path.trimmed().isEmpty(); })) {
        std::fprintf(stderr, "linkvane-cluster: %s names no path\n", qPrintable(request.pathsFile));
        return 1;
    }
    // Tasks start in the folder sbatch was run from; a rerun may be run from another.
    if (request.settings.base.isEmpty()) {
        for (QString &path : paths) {
            if (!path.trimmed().isEmpty())
                path = QFileInfo(path.trimmed()).absoluteFilePath();
        }
    }
    std::optional<QByteArray> targets;
    if (!request.targetsFile.isEmpty() && !(targets = readWhole(request.targetsFile)))
        return 1;
    JobSettings settings = request.settings;
    const int lines = int(std::min<qsizetype>(paths.size(), std::numeric_limits<int>::max()));
    settings.tasks = std::min(settings.tasks ? settings.tasks : kDefaultTasks, lines);
    if (!settle(folder, paths, targets, settings) || !writeWhole(folder.script(), jobScript(folder),
                                                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                                      | QFileDevice::ExeOwner | QFileDevice::ReadGroup
                                                                      | QFileDevice::ExeGroup | QFileDevice::ReadOther
                                                                      | QFileDevice::ExeOther))
        return 1;

    const TaskStates states = judgeTasks(folder, settings.tasks);
    if (!states.queued.isEmpty()) {
        std::fprintf(stderr,
                     "linkvane-cluster: %lld tasks of job %s are still queued or running; submit again when they "
                     "have ended (linkvane-cluster status --parts %s), or scancel them\n",
                     static_cast<long long>(states.queued.size()), qPrintable(folder.submittedJobs().join(u',')),
                     qPrintable(folder.path()));
        return 1;
    }
    QList<int> todo = states.failed + states.missing;
    std::sort(todo.begin(), todo.end());
    if (todo.isEmpty()) {
        std::printf("all %d parts are done; add them with: linkvane-index add %s\n", settings.tasks,
                    qPrintable(folder.path()));
        return 0;
    }
    const std::optional<QString> job = submitArray(folder.script(), todo, request.throttle, folder.logPattern());
    if (!job || !folder.recordJob(*job))
        return 1;
    std::printf("submitted job %s: %lld of %d tasks (%s); see how far they are with: linkvane-cluster status "
                "--parts %s\n",
                qPrintable(*job), static_cast<long long>(todo.size()), settings.tasks, qPrintable(arraySpec(todo)),
                qPrintable(folder.path()));
    return 0;
}

} // namespace cluster
