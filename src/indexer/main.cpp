// linkvane-index: builds the user's own link index from web archives and link lists, and
// answers from it.

#include "commands.h"
#include "index/indexlocation.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

const char *const kUsage = R"(Usage: linkvane-index COMMAND [OPTIONS] ...

Builds your own backlink index from web archives, the index linkvane-start and
linkvane-service answer from, and lists the backlinks of a domain.

Commands:
  add [--index FILE] [--threads N] [--quiet] INPUT...
        Adds the pages of each INPUT to the index, each input whole or not at all:
        WARC files (your own crawls, e.g. wget --warc-file; Common Crawl's WARC
        and WAT files), plain, gzip or zstd, and link lists (TSV with the header
        source_url, source_title, target_url[, anchor_text, nofollow, captured]).
        "-" reads standard input. Shows progress, then a summary.
  backlinks [--index FILE] [--format tsv|csv|json] DOMAIN
        Lists every page that links to DOMAIN or a host under it, with its first
        such link: source_url, source_title, target_url, anchor_text, nofollow,
        captured.
  stats [--index FILE]
        Inputs added, pages, links, distinct hosts linked to, size on disk.
  extract [--targets FILE] [--threads N] INPUT...
        Writes what add would store as a link list on standard output, for
        parts made elsewhere and added later in any order; --targets FILE keeps
        only links to the domains listed in FILE (one a line) and hosts under them.

The index is $XDG_DATA_HOME/linkvane/index.sqlite (~/.local/share/linkvane/
index.sqlite) unless --index names another.

Run "linkvane-index COMMAND --help" for a command's options.

Exit status: 0 when every input was read, 1 when an input could not be read whole
(it is named, with the reason; the other inputs are still added) or the index
could not be used, 2 for a usage error.
)";

// The command's options, or why the command line makes no sense.
struct Options
{
    QCommandLineOption index{QStringLiteral("index"), QStringLiteral("The index file (default: %1).")
                                                          .arg(QString::fromStdString(linkindex::defaultIndexPath())),
                             QStringLiteral("file")};
    QCommandLineOption threads{QStringLiteral("threads"),
                               QStringLiteral("Parse pages on N threads (default: one a core)."), QStringLiteral("n")};
    QCommandLineOption quiet{QStringLiteral("quiet"), QStringLiteral("Show no progress.")};
    QCommandLineOption format{QStringLiteral("format"),
                              QStringLiteral("tsv (default), csv (UTF-8 with BOM, for spreadsheets) or json."),
                              QStringLiteral("format"), QStringLiteral("tsv")};
    QCommandLineOption targets{QStringLiteral("targets"),
                               QStringLiteral("Keep only links to the domains in this file, one a line."),
                               QStringLiteral("file")};
};

[[noreturn]] void usageError(const QString &message)
{
    std::fprintf(stderr, "linkvane-index: %s\nRun \"linkvane-index --help\" for help.\n", qPrintable(message));
    std::exit(2);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(LINKVANE_VERSION));
    QStringList arguments = QCoreApplication::arguments();
    const QString command = arguments.value(1);
    if (command == u"--help" || command == u"-h" || command == u"help" || command.isEmpty()) {
        std::fputs(kUsage, command.isEmpty() ? stderr : stdout);
        return command.isEmpty() ? 2 : 0;
    }
    if (command == u"--version" || command == u"-v") {
        std::printf("linkvane-index %s\n", LINKVANE_VERSION);
        return 0;
    }

    Options options;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("linkvane-index ") + command);
    parser.addHelpOption();
    // The command stands first in the help's synopsis, as it does on the command line.
    parser.addPositionalArgument(command, QStringLiteral("The command."), command);
    QString inputsName = QStringLiteral("INPUT...");
    if (command == u"add") {
        parser.addOptions({options.index, options.threads, options.quiet});
        parser.addPositionalArgument(QStringLiteral("INPUT"), QStringLiteral("WARC, WAT or link list files; - for standard input."),
                                     inputsName);
    } else if (command == u"extract") {
        parser.addOptions({options.targets, options.threads});
        parser.addPositionalArgument(QStringLiteral("INPUT"), QStringLiteral("WARC, WAT or link list files; - for standard input."),
                                     inputsName);
    } else if (command == u"backlinks") {
        parser.addOptions({options.index, options.format});
        parser.addPositionalArgument(QStringLiteral("DOMAIN"), QStringLiteral("The domain, as typed in the window."));
    } else if (command == u"stats") {
        parser.addOption(options.index);
    } else {
        usageError(QStringLiteral("no command \"%1\" (add, backlinks, stats or extract)").arg(command));
    }
    if (!parser.parse(arguments))
        usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);

    const QStringList positional = parser.positionalArguments().mid(1);
    // extract has no --index, and asking the parser about it would warn.
    const std::string index = command != u"extract" && parser.isSet(options.index) ? parser.value(options.index).toStdString()
                                                          : linkindex::defaultIndexPath();
    unsigned threads = 0;
    if ((command == u"add" || command == u"extract") && parser.isSet(options.threads)) {
        bool ok = false;
        threads = parser.value(options.threads).toUInt(&ok);
        if (!ok || threads == 0)
            usageError(QStringLiteral("--threads needs a number above 0, not ") + parser.value(options.threads));
    }

    if (command == u"add" || command == u"extract") {
        if (positional.isEmpty())
            usageError(QStringLiteral("%1 needs at least one INPUT").arg(command));
        std::vector<std::string> inputs;
        for (const QString &input : positional)
            inputs.push_back(input.toStdString());
        if (command == u"add")
            return indexer::add(index, inputs, threads, parser.isSet(options.quiet));
        return indexer::extract(inputs, parser.isSet(options.targets) ? parser.value(options.targets).toStdString()
                                                                       : std::string(),
                                threads);
    }
    if (command == u"backlinks") {
        if (positional.size() != 1)
            usageError(QStringLiteral("backlinks needs one DOMAIN"));
        const QString format = parser.value(options.format);
        if (format != u"tsv" && format != u"csv" && format != u"json")
            usageError(QStringLiteral("--format is tsv, csv or json, not ") + format);
        return indexer::backlinks(index, positional.first().toStdString(), format.toStdString());
    }
    if (!positional.isEmpty())
        usageError(QStringLiteral("stats takes no arguments"));
    return indexer::stats(index);
}
