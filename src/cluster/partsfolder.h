#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace cluster {

// What a job over a path list was asked to do. A rerun in the same parts folder must ask the
// same, or its tasks would cover other lines than the parts already there.
struct JobSettings
{
    int tasks = 0;
    QString base; // empty: the paths are files on a shared file system
    int retries = 0;

    bool operator==(const JobSettings &) const = default;
};

// The parts folder of a job: the path list and settings it was submitted with, the array job's
// script, the ids of the jobs submitted, and for every task its part, the marker of the paths the
// part covers, and its log. A part is there only when whole: it is renamed into place last.
class PartsFolder
{
public:
    explicit PartsFolder(const QString &path);

    QString path() const { return m_path; }
    QString pathList() const { return file(QStringLiteral("paths")); }
    QString targets() const { return file(QStringLiteral("targets")); }
    QString script() const { return file(QStringLiteral("job.sh")); }
    QString jobIds() const { return file(QStringLiteral("jobs")); }
    QString settingsFile() const { return file(QStringLiteral("job.ini")); }
    QString part(int task) const;
    QString covers(int task) const;
    QString log(int task) const;
    // The log name as sbatch's --output takes it.
    QString logPattern() const { return file(QStringLiteral("logs/task-%a.log")); }

    // The settings a job was submitted with; none before the first submission.
    std::optional<JobSettings> settings() const;
    // False after naming on standard error what could not be written.
    bool saveSettings(const JobSettings &settings) const;
    // The ids of the jobs submitted for this folder, oldest first.
    QStringList submittedJobs() const;
    bool recordJob(const QString &id) const;
    // The paths the folder's list holds, one a line, blank lines kept so that line numbers stay.
    // Throws std::runtime_error when the list cannot be read.
    QStringList paths() const;
    // Whether task's part is there, whole, and covers exactly paths, the task's share of the list.
    bool done(int task, const QStringList &paths) const;

private:
    QString file(const QString &name) const { return m_path + u'/' + name; }

    QString m_path;
};

// The lines of a path list (plain, gzip or zstd, as Common Crawl publishes wat.paths.gz), without
// the line breaks. Throws std::runtime_error when it cannot be read.
QStringList readLines(const QString &file);

// Lines [first, end) of count lines that task of tasks reads: the same lines on every run.
std::pair<qsizetype, qsizetype> taskLines(qsizetype count, int task, int tasks);

// Task's share of all the lines of a path list.
QStringList taskShare(const QStringList &all, int task, int tasks);

} // namespace cluster
