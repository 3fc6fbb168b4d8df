#include "partsfolder.h"

#include "archive/decodingsource.h"
#include "archive/errors.h"
#include "archive/filesource.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cstdio>
#include <stdexcept>

namespace cluster {

namespace {

// Five digits keep the parts in task order when listed by name up to 100,000 tasks.
QString taskNumber(int task)
{
    return QStringLiteral("%1").arg(task, 5, 10, QLatin1Char('0'));
}

} // namespace

PartsFolder::PartsFolder(const QString &path) : m_path(QDir(path).absolutePath())
{
}

QString PartsFolder::part(int task) const
{
    return file(QStringLiteral("part-%1.tsv").arg(taskNumber(task)));
}

QString PartsFolder::covers(int task) const
{
    return file(QStringLiteral("covers-%1.txt").arg(taskNumber(task)));
}

QString PartsFolder::log(int task) const
{
    return file(QStringLiteral("logs/task-%1.log").arg(task));
}

std::optional<JobSettings> PartsFolder::settings() const
{
    if (!QFileInfo::exists(settingsFile()))
        return std::nullopt;
    const QSettings stored(settingsFile(), QSettings::IniFormat);
    return JobSettings{stored.value("tasks").toInt(), stored.value("base").toString(), stored.value("retries").toInt()};
}

bool PartsFolder::saveSettings(const JobSettings &settings) const
{
    QSettings stored(settingsFile(), QSettings::IniFormat);
    stored.setValue("tasks", settings.tasks);
    stored.setValue("base", settings.base);
    stored.setValue("retries", settings.retries);
    stored.sync();
    if (stored.status() == QSettings::NoError)
        return true;
    std::fprintf(stderr, "linkvane-cluster: cannot write %s\n", qPrintable(settingsFile()));
    return false;
}

QStringList PartsFolder::submittedJobs() const
{
    QFile jobs(jobIds());
    if (!jobs.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(jobs.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

bool PartsFolder::recordJob(const QString &id) const
{
    QFile jobs(jobIds());
    if (jobs.open(QIODevice::Append) && jobs.write((id + u'\n').toLatin1()) > 0 && jobs.flush())
        return true;
    std::fprintf(stderr, "linkvane-cluster: cannot write %s: %s\n", qPrintable(jobIds()), qPrintable(jobs.errorString()));
    return false;
}

QStringList PartsFolder::paths() const
{
    return readLines(pathList());
}

bool PartsFolder::done(int task, const QStringList &paths) const
{
    const QFileInfo partFile(part(task));
    if (!partFile.isFile())
        return false;
    QFile marker(covers(task));
    if (!marker.open(QIODevice::ReadOnly))
        return false;
    const QStringList lines = QString::fromUtf8(marker.readAll()).split(u'\n');
    return lines.value(0) == QStringLiteral("bytes %1").arg(partFile.size())
        && lines.mid(1) == paths;
}

QStringList readLines(const QString &file)
{
    std::string bytes;
    try {
        archive::FileSource raw(file.toStdString());
        archive::DecodingSource decoded(raw);
        char buffer[1 << 16];
        while (const std::size_t got = decoded.read(buffer, sizeof buffer))
            bytes.append(buffer, got);
    } catch (const archive::InputError &error) {
        throw std::runtime_error(error.what());
    }
    QStringList lines = QString::fromStdString(bytes).split(u'\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    for (QString &line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    return lines;
}

std::pair<qsizetype, qsizetype> taskLines(qsizetype count, int task, int tasks)
{
    return {count * task / tasks, count * (task + 1) / tasks};
}

QStringList taskShare(const QStringList &all, int task, int tasks)
{
    const auto [first, end] = taskLines(all.size(), task, tasks);
    return all.mid(first, end - first);
}

} // namespace cluster
