// linkvane-cluster: extract over a whole crawl on a cluster: a Slurm array job over a crawl's
// path list, safe to run again, and the per-task command that Spark and Hadoop mappers run.

#include "commands.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QUrl>

#include <cstdio>
#include <stdexcept>

namespace {

const char *const kUsage = R"(Usage: linkvane-cluster COMMAND [OPTIONS]

Runs linkvane-index extract over a whole crawl on a cluster, each task writing one
part of the links; linkvane-index add FOLDER adds the parts to an index.

Commands:
  slurm --paths FILE --parts FOLDER [--base URL] [--targets FILE] [OPTIONS]
        Splits the path list (one a line; plain, gzip or zstd, e.g. Common
        Crawl's wat.paths.gz) among --tasks N tasks by line number and submits
        one Slurm array job (--throttle N: at most N tasks at once), each task
        fetching its files from URL with curl (--retries N) or reading them
        where they are on a shared file system, and writing its part,
        FOLDER/part-NNNNN.tsv, whole or not at all. The same command again
        submits only the tasks whose part is missing or failed. sbatch's
        SBATCH_* variables (SBATCH_PARTITION, SBATCH_TIMELIMIT...) reach the job.
  status --parts FOLDER
        Tasks done, queued or running, failed (with their logs) and missing,
        judged by the parts in FOLDER.
  extract --parts FOLDER --task N
        What each array task runs: task N's part of the job in FOLDER.
  extract [--base URL] [--targets FILE] [--retries N]
        Reads paths on standard input (one a line, "offset<TAB>" in front
        allowed) and writes the links of their files as one link list on
        standard output: the mapper of Spark's RDD.pipe or Hadoop Streaming.

Run "linkvane-cluster COMMAND --help" for a command's options.

Exit status: 0 when done (for status: every part is done), 1 when a file, a task
or Slurm failed (named on standard error), 2 for a usage error.
)";

[[noreturn]] void usageError(const QString &message)
{
    std::fprintf(stderr, "linkvane-cluster: %s\nRun \"linkvane-cluster --help\" for help.\n", qPrintable(message));
    std::exit(2);
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
    const QStringList arguments = QCoreApplication::arguments();
    const QString command = arguments.value(1);
    if (command == u"--help" || command == u"-h" || command == u"help" || command.isEmpty()) {
        std::fputs(kUsage, command.isEmpty() ? stderr : stdout);
        return command.isEmpty() ? 2 : 0;
    }
    if (command == u"--version" || command == u"-v") {
        std::printf("linkvane-cluster %s\n", LINKVANE_VERSION);
        return 0;
    }

    const QCommandLineOption paths{QStringLiteral("paths"), QStringLiteral("The path list: one path a line."),
                                   QStringLiteral("file")};
    const QCommandLineOption parts{QStringLiteral("parts"),
                                   QStringLiteral("The folder of the job's parts, shared by every node."),
                                   QStringLiteral("folder")};
    const QCommandLineOption base{QStringLiteral("base"),
                                  QStringLiteral("The URL the paths are under (e.g. https://data.commoncrawl.org); "
                                                 "without it the paths are files."),
                                  QStringLiteral("url")};
    const QCommandLineOption targets{QStringLiteral("targets"),
                                     QStringLiteral("Keep only links to the domains in this file, one a line."),
                                     QStringLiteral("file")};
    const QCommandLineOption tasks{QStringLiteral("tasks"),
                                   QStringLiteral("Split the list among N tasks (default: one a path, up to %1).")
                                       .arg(cluster::kDefaultTasks),
                                   QStringLiteral("n")};
    const QCommandLineOption throttle{QStringLiteral("throttle"),
                                      QStringLiteral("Run at most N tasks at once (default: as Slurm allows)."),
                                      QStringLiteral("n")};
    const QCommandLineOption retries{QStringLiteral("retries"),
                                     QStringLiteral("Retry a download that fails for a passing reason N times "
                                                    "(default: 5)."),
                                     QStringLiteral("n")};
    const QCommandLineOption task{QStringLiteral("task"), QStringLiteral("The array task's index."), QStringLiteral("n")};

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("linkvane-cluster ") + command);
    parser.addHelpOption();
    // The command stands first in the help's synopsis, as it does on the command line.
    parser.addPositionalArgument(command, QStringLiteral("The command."), command);
    if (command == u"slurm")
        parser.addOptions({paths, parts, base, targets, tasks, throttle, retries});
    else if (command == u"status")
        parser.addOption(parts);
    else if (command == u"extract")
        parser.addOptions({parts, task, base, targets, retries});
    else
        usageError(QStringLiteral("no command \"%1\" (slurm, status or extract)").arg(command));
    if (!parser.parse(arguments))
        usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.positionalArguments().size() > 1)
        usageError(QStringLiteral("%1 takes no arguments, only options").arg(command));

    const int defaultRetries = 5;
    if ((command == u"slurm" || command == u"extract") && parser.isSet(base)) {
        const QUrl url(parser.value(base), QUrl::StrictMode);
        if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty())
            usageError(QStringLiteral("--base needs a URL such as https://data.commoncrawl.org, not ") + parser.value(base));
    }
    // A command's dispatch; usage errors end the program in it, files that cannot be read come out.
    const auto run = [&]() -> int {
        if (command == u"slurm") {
            cluster::SlurmRequest request{required(parser, paths), required(parser, parts), parser.value(targets),
                                          {number(parser, tasks, 1, 0), parser.value(base),
                                           number(parser, retries, 0, defaultRetries)},
                                          number(parser, throttle, 1, 0)};
            return cluster::slurm(request);
        }
        if (command == u"status")
            return cluster::status(required(parser, parts));
        if (parser.isSet(parts) || parser.isSet(task)) {
            if (parser.isSet(base) || parser.isSet(targets) || parser.isSet(retries))
                usageError(QStringLiteral("extract --parts takes the job's --base, --targets and --retries from its folder"));
            required(parser, task);
            return cluster::extractTask(required(parser, parts), number(parser, task, 0, 0));
        }
        return cluster::extractStream({parser.value(base), parser.value(targets), number(parser, retries, 0, defaultRetries)});
    };
    try {
        return run();
    } catch (const std::runtime_error &error) {
        std::fprintf(stderr, "linkvane-cluster: %s\n", error.what());
        return 1;
    }
}
