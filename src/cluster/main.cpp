// linkvane-cluster: extract over a whole crawl on a cluster: a Slurm array job over a crawl's
// path list, safe to run again, and the per-task command that Spark and Hadoop mappers run.

#include "commandline/commandhelp.h"
#include "commands.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace {

const char *const kHeader = R"(Usage: linkvane-cluster COMMAND [OPTIONS]

Runs linkvane-index extract over a whole crawl on a cluster, each task writing one
part of the links; linkvane-index add FOLDER adds the parts to an index.
)";

const char *const kFooter = R"(Run "linkvane-cluster COMMAND --help" for a command's options.

Exit status: 0 when done (for status: every part is done), 1 when a file, a task
or Slurm failed (named on standard error), 2 for a usage error.
)";

const QCommandLineOption kPaths{QStringLiteral("paths"), QStringLiteral("The path list: one path a line."),
                                QStringLiteral("file")};
const QCommandLineOption kParts{QStringLiteral("parts"), QStringLiteral("The folder of the job's parts, shared by every node."),
                                QStringLiteral("folder")};
const QCommandLineOption kBase{QStringLiteral("base"),
                               QStringLiteral("The URL the paths are under (e.g. https://data.commoncrawl.org); "
                                              "without it the paths are files."),
                               QStringLiteral("url")};
const QCommandLineOption kTargets{QStringLiteral("targets"),
                                  QStringLiteral("Keep only links to the domains in this file, one a line."),
                                  QStringLiteral("file")};
const QCommandLineOption kTasks{QStringLiteral("tasks"),
                                QStringLiteral("Split the list among N tasks (default: one a path, up to %1).")
                                    .arg(cluster::kDefaultTasks),
                                QStringLiteral("n")};
const QCommandLineOption kThrottle{QStringLiteral("throttle"),
                                   QStringLiteral("Run at most N tasks at once (default: as Slurm allows)."),
                                   QStringLiteral("n")};
const QCommandLineOption kRetries{QStringLiteral("retries"),
                                  QStringLiteral("Retry a download that fails for a passing reason N times (default: 5)."),
                                  QStringLiteral("n")};
const QCommandLineOption kTask{QStringLiteral("task"), QStringLiteral("The array task's index."), QStringLiteral("n")};

const QList<commandline::CommandInfo> kCommands = {
    {QStringLiteral("slurm"), QStringLiteral("--paths FILE --parts FOLDER [--base URL] [--targets FILE] [OPTIONS]"),
     QStringLiteral("Splits the path list (one a line; plain, gzip or zstd, e.g. Common Crawl's wat.paths.gz) among "
                    "--tasks N tasks by line number and submits one Slurm array job (--throttle N: at most N tasks at "
                    "once), each task fetching its files from URL with curl (--retries N) or reading them where they "
                    "are on a shared file system, and writing its part, FOLDER/part-NNNNN.tsv, whole or not at all. "
                    "The same command again submits only the tasks whose part is missing or failed. sbatch's SBATCH_* "
                    "variables (SBATCH_PARTITION, SBATCH_TIMELIMIT...) reach the job."),
     {kPaths, kParts, kBase, kTargets, kTasks, kThrottle, kRetries}},
    {QStringLiteral("status"), QStringLiteral("--parts FOLDER"),
     QStringLiteral("Tasks done, queued or running, failed (with their logs) and missing, judged by the parts in FOLDER."),
     {kParts}},
    {QStringLiteral("extract"), QStringLiteral("(--parts FOLDER --task N | [--base URL] [--targets FILE] [--retries N])"),
     QStringLiteral("With --parts and --task, what each array task runs: task N's part of the job in FOLDER. Without "
                    "them, reads paths on standard input (one a line, \"offset<TAB>\" in front allowed) and writes the "
                    "links of their files as one link list on standard output: the mapper of Spark's RDD.pipe or "
                    "Hadoop Streaming."),
     {kParts, kTask, kBase, kTargets, kRetries}},
};

[[noreturn]] void usageError(const QString &message)
{
    commandline::usageError(QStringLiteral("linkvane-cluster"), message);
}

// The value of a numeric option, at least minimum; fallback when it is not given.
int number(const QCommandLineParser &parser, const QCommandLineOption &option, int minimum, int fallback)
{
    if (!parser.isSet(option))
        return fallback;
    bool ok = false;
    const int value = parser.value(option).toInt(&ok);
    if (!ok || value < minimum)
        usageError(QStringLiteral("--%1 needs a number from %2 on, not %3")
                       .arg(option.names().first())
                       .arg(minimum)
                       .arg(parser.value(option)));
    return value;
}

QString required(const QCommandLineParser &parser, const QCommandLineOption &option)
{
    if (!parser.isSet(option))
        usageError(QStringLiteral("%1 needs --%2").arg(parser.positionalArguments().value(0), option.names().first()));
    return parser.value(option);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(LINKVANE_VERSION));
    const commandline::Program program{QStringLiteral("linkvane-cluster"), QString::fromUtf8(kHeader), kCommands,
                                       QString::fromUtf8(kFooter)};
    QCommandLineParser parser;
    const QString command = commandline::readCommand(program, QCoreApplication::arguments(), parser).name;
    if (parser.positionalArguments().size() > 1)
        usageError(QStringLiteral("%1 takes no arguments, only options").arg(command));

    const int defaultRetries = 5;
    if ((command == u"slurm" || command == u"extract") && parser.isSet(kBase)) {
        const QUrl url(parser.value(kBase), QUrl::StrictMode);
        if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty())
            usageError(QStringLiteral("--base needs a URL such as https://data.commoncrawl.org, not ") + parser.value(kBase));
    }
    // A command's dispatch; usage errors end the program in it, files that cannot be read come out.
    const auto run = [&]() -> int {
        if (command == u"slurm") {
            cluster::SlurmRequest request{required(parser, kPaths), required(parser, kParts), parser.value(kTargets),
                                          {number(parser, kTasks, 1, 0), parser.value(kBase),
                                           number(parser, kRetries, 0, defaultRetries)},
                                          number(parser, kThrottle, 1, 0)};
            return cluster::slurm(request);
        }
        if (command == u"status")
            return cluster::status(required(parser, kParts));
        if (parser.isSet(kParts) || parser.isSet(kTask)) {
            if (parser.isSet(kBase) || parser.isSet(kTargets) || parser.isSet(kRetries))
                usageError(QStringLiteral("extract --parts takes the job's --base, --targets and --retries from its folder"));
            required(parser, kTask);
            return cluster::extractTask(required(parser, kParts), number(parser, kTask, 0, 0));
        }
        return cluster::extractStream({parser.value(kBase), parser.value(kTargets), number(parser, kRetries, 0, defaultRetries)});
    };
    try {
        return run();
    } catch (const std::runtime_error &error) {
        std::fprintf(stderr, "linkvane-cluster: %s\n", error.what());
        return 1;
    }
}
