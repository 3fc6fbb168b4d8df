#include "commands.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>

namespace cluster {

int extractTask(const QString &partsFolder, int task)
{
    const PartsFolder folder(partsFolder);
    const std::optional<JobSettings> settings = folder.settings();
    if (!settings) {
        std::fprintf(stderr, "linkvane-cluster: no job was submitted with --parts %s\n", qPrintable(folder.path()));
        return 1;
    }
    if (task < 0 || task >= settings->tasks) {
        std::fprintf(stderr, "linkvane-cluster: the job in %s has tasks 0 to %d, not %d\n", qPrintable(folder.path()),
                     settings->tasks - 1, task);
        return 2;
    }
    const QStringList paths = taskShare(folder.paths(), task, settings->tasks);
    // An earlier attempt of this task that was killed while writing left its temporary files.
    const QFileInfo partFile(folder.part(task)), coversFile(folder.covers(task));
    QDir dir(folder.path());
    for (const QString &leftover : dir.entryList({partFile.fileName() + QStringLiteral(".*"),
                                                  coversFile.fileName() + QStringLiteral(".*")},
                                                 QDir::Files | QDir::Hidden))
        dir.remove(leftover);

    const FetchSettings fetch{settings->base, QFileInfo::exists(folder.targets()) ? folder.targets() : QString(),
                              settings->retries};
    QSaveFile part(partFile.filePath());
    if (!part.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "linkvane-cluster: cannot write %s: %s\n", qPrintable(part.fileName()),
                     qPrintable(part.errorString()));
        return 1;
    }
    if (!fetchAndExtract(paths, fetch, part))
        return 1;
    // The marker goes in before the part: a part in place is always one whose marker is there.
    QSaveFile covers(coversFile.filePath());
    const QByteArray marker = QStringLiteral("bytes %1\n%2").arg(part.pos()).arg(paths.join(u'\n')).toUtf8();
    if (!covers.open(QIODevice::WriteOnly) || covers.write(marker) != marker.size() || !covers.commit()
        || !part.commit()) {
        std::fprintf(stderr, "linkvane-cluster: cannot write %s: %s\n", qPrintable(part.fileName()),
                     qPrintable(covers.error() ? covers.errorString() : part.errorString()));
        return 1;
    }
    std::fprintf(stderr, "linkvane-cluster: %s is whole: %lld paths, %lld bytes\n", qPrintable(part.fileName()),
                 static_cast<long long>(paths.size()), static_cast<long long>(QFileInfo(part.fileName()).size()));
    return 0;
}

int extractStream(const FetchSettings &settings)
{
    QFile in, out;
    if (!in.open(stdin, QIODevice::ReadOnly) || !out.open(stdout, QIODevice::WriteOnly))
        return 1;
    const QStringList paths = QString::fromUtf8(in.readAll()).split(u'\n');
    return fetchAndExtract(paths, settings, out) && out.flush() ? 0 : 1;
}

} // namespace cluster
