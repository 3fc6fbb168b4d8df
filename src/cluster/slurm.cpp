#include "slurm.h"

#include <QProcess>

#include <cstdio>

namespace cluster {

namespace {

constexpr int kSlurmWaitMs = 60'000;

// Runs a Slurm client to its end; its standard output, or none after naming why it failed.
std::optional<QByteArray> slurmClient(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    const bool ended = process.waitForFinished(kSlurmWaitMs);
    const QByteArray error = process.readAllStandardError().trimmed();
    if (ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return process.readAllStandardOutput();
    std::fprintf(stderr, "linkvane-cluster: %s failed: %s\n", qPrintable(program),
                 error.isEmpty() ? qPrintable(process.errorString()) : error.constData());
    return std::nullopt;
}

} // namespace

QSet<int> queuedTasks(const QStringList &jobIds)
{
    QSet<int> queued;
    if (jobIds.isEmpty())
        return queued;
    // Every array task of this user's on a line of its own, so that no job id that Slurm has
    // already forgotten makes the question fail.
    const std::optional<QByteArray> out = slurmClient(QStringLiteral("squeue"),
                                                      {QStringLiteral("--me"), QStringLiteral("--noheader"),
                                                       QStringLiteral("--array"), QStringLiteral("--format=%F %K")});
    if (!out) {
        std::fprintf(stderr, "linkvane-cluster: tasks still queued or running cannot be told apart from failed ones\n");
        return queued;
    }
    for (const QByteArray &line : out->split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        bool isIndex = false;
        const int index = fields.value(1).toInt(&isIndex);
        if (fields.size() == 2 && isIndex && jobIds.contains(QString::fromLatin1(fields[0])))
            queued.insert(index);
    }
    return queued;
}

std::optional<QString> submitArray(const QString &script, const QList<int> &indexes, int throttle,
                                   const QString &logPattern)
{
    QString array = arraySpec(indexes);
    if (throttle > 0)
        array += u'%' + QString::number(throttle);
    const std::optional<QByteArray> out = slurmClient(
        QStringLiteral("sbatch"), {QStringLiteral("--parsable"), QStringLiteral("--job-name=linkvane-extract"),
                                   QStringLiteral("--array=") + array, QStringLiteral("--output=") + logPattern, script});
    if (!out)
        return std::nullopt;
    // --parsable: "id" or "id;cluster".
    const QString id = QString::fromLatin1(out->trimmed()).section(u';', 0, 0);
    if (id.isEmpty()) {
        std::fprintf(stderr, "linkvane-cluster: sbatch named no job\n");
        return std::nullopt;
    }
    return id;
}

QString arraySpec(const QList<int> &indexes)
{
    QStringList ranges;
    for (qsizetype at = 0; at < indexes.size();) {
        qsizetype end = at + 1;
        while (end < indexes.size() && indexes[end] == indexes[end - 1] + 1)
            ++end;
        ranges << (end - at == 1 ? QString::number(indexes[at])
                                 : QStringLiteral("%1-%2").arg(indexes[at]).arg(indexes[end - 1]));
        at = end;
    }
    return ranges.join(u',');
}

} // namespace cluster
