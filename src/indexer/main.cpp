// linkvane-index: builds the user's own link index from web archives, link lists and Common
// Crawl's web graphs, and answers from it.

#include "archive/warcdate.h"
#include "commandline/commandhelp.h"
#include "commands.h"
#include "graph/sitequeries.h"
#include "index/indexlocation.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <functional>

namespace {

const char *const kHeader = R"(Usage: linkvane-index COMMAND [OPTIONS] ...

Builds your own backlink index, the index linkvane-start and linkvane-service
answer from: pages that link to a site, from web archives, and sites that link to
it, from Common Crawl's web graphs.
)";

const char *const kFooter = R"(The index is $XDG_DATA_HOME/linkvane/index.sqlite (~/.local/share/linkvane/
index.sqlite) unless --index names another; web graphs are kept beside it.

Run "linkvane-index COMMAND --help" for a command's options.

Exit status: 0 when every input was read, 1 when an input could not be read whole
(it is named, with the reason; the other inputs are still added) or the index
could not be used, 2 for a usage error.
)";

[[noreturn]] void usageError(const QString &message)
{
    commandline::usageError(QStringLiteral("linkvane-index"), message);
}

QCommandLineOption option(const QString &name, const QString &description, const QString &value = {},
                          const QString &byDefault = {})
{
    return QCommandLineOption(name, description, value, byDefault);
}

// The options, as commands share them.
const QCommandLineOption kIndex = option(QStringLiteral("index"),
                                         QStringLiteral("The index file (default: %1).")
                                             .arg(QString::fromStdString(linkindex::defaultIndexPath())),
                                         QStringLiteral("file"));
const QCommandLineOption kThreads =
    option(QStringLiteral("threads"), QStringLiteral("Parse pages on N threads (default: one a core)."), QStringLiteral("n"));
const QCommandLineOption kQuiet = option(QStringLiteral("quiet"), QStringLiteral("Show no progress."));
const QCommandLineOption kFormat = option(QStringLiteral("format"),
                                          QStringLiteral("tsv (default), csv (UTF-8 with BOM, for spreadsheets) or json."),
                                          QStringLiteral("tsv|csv|json"), QStringLiteral("tsv"));
const QCommandLineOption kDomainsFormat =
    option(QStringLiteral("format"),
           QStringLiteral("tsv (default), csv (UTF-8 with BOM, for spreadsheets), json, or disavow (Google's disavow "
                          "file: a domain:NAME line a domain)."),
           QStringLiteral("tsv|csv|json|disavow"), QStringLiteral("tsv"));
const QCommandLineOption kTargets =
    option(QStringLiteral("targets"), QStringLiteral("Keep only links to the domains in this file, one a line."),
           QStringLiteral("file"));
const QCommandLineOption kRelease = option(QStringLiteral("release"),
                                           QStringLiteral("The web-graph release (default: the newest in the index)."),
                                           QStringLiteral("name"));
const QCommandLineOption kLevel = option(QStringLiteral("level"),
                                         QStringLiteral("The graph's level: domain or host (default: domain where the "
                                                        "domain is one of the release, else host)."),
                                         QStringLiteral("domain|host"));
const QCommandLineOption kAddRelease = option(
    QStringLiteral("release"),
    QStringLiteral("The release the files are of; without files, fetch this release from Common Crawl."),
    QStringLiteral("name"));
const QCommandLineOption kAddLevel =
    option(QStringLiteral("level"), QStringLiteral("The level to fetch with --release: domain or host."),
           QStringLiteral("domain|host"), QStringLiteral("domain"));
const QCommandLineOption kOnlyLevel =
    option(QStringLiteral("level"), QStringLiteral("Only this level: domain or host."), QStringLiteral("domain|host"));
const QCommandLineOption kBase = option(QStringLiteral("base"),
                                        QStringLiteral("Where Common Crawl's files are fetched from, for a mirror."),
                                        QStringLiteral("url"), QString::fromStdString(indexer::kCommonCrawlBase));
const QCommandLineOption kMinimum = option(QStringLiteral("min"),
                                           QStringLiteral("List sites that link to at least N of the competitors."),
                                           QStringLiteral("n"), QStringLiteral("1"));
const QCommandLineOption kAll = option(QStringLiteral("all"), QStringLiteral("Count lost links too."));
const QCommandLineOption kAllPages =
    option(QStringLiteral("all"), QStringLiteral("List pages that link no more (lost backlinks) too."));
const QCommandLineOption kLost = option(QStringLiteral("lost"), QStringLiteral("List only pages that link no more."));
const QCommandLineOption kBroken =
    option(QStringLiteral("broken"), QStringLiteral("List only pages whose latest capture is a 404 or 410."));
const QCommandLineOption kSince = option(QStringLiteral("since"),
                                         QStringLiteral("Links gained or lost on or after this day (YYYY-MM-DD) or moment."),
                                         QStringLiteral("date"));
const QCommandLineOption kUntil = option(QStringLiteral("until"),
                                         QStringLiteral("Links gained or lost on or before this day or moment."),
                                         QStringLiteral("date"));
const QCommandLineOption kOutput(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                 QStringLiteral("The file to write (default: DOMAIN-report.html in the current folder)."),
                                 QStringLiteral("file"));
const QCommandLineOption kFrom =
    option(QStringLiteral("from"), QStringLiteral("The earlier release (default: the one before --to)."), QStringLiteral("name"));
const QCommandLineOption kTo =
    option(QStringLiteral("to"), QStringLiteral("The later release (default: the newest)."), QStringLiteral("name"));

const QList<commandline::CommandInfo> kCommands = {
    {QStringLiteral("add"), QStringLiteral("[--index FILE] [--threads N] [--quiet] INPUT..."),
     QStringLiteral("Adds the pages of each INPUT to the index, each input whole or not at all: WARC files (your own "
                    "crawls, e.g. wget --warc-file; Common Crawl's WARC and WAT files), plain, gzip or zstd, link lists "
                    "(TSV with the header source_url, source_title, target_url[, anchor_text, nofollow, captured[, rel, type, state]]) and "
                    "folders of parts that extract wrote. \"-\" reads standard input. Shows progress, then a summary."),
     {kIndex, kThreads, kQuiet}},
    {QStringLiteral("backlinks"), QStringLiteral("[--index FILE] [--lost | --all] [--format tsv|csv|json] DOMAIN"),
     QStringLiteral("Lists every page that links to DOMAIN or a host under it, with its first such link: "
                    "source_url, source_title, target_url, anchor_text, nofollow, captured (the page's latest "
                    "capture), rel (nofollow, ugc, sponsored), type (text, image, redirect), first_seen and last_seen "
                    "(the first and the latest capture holding the link), lost, lost_reason (removed, page-gone, "
                    "redirected, noindex)."),
     {kIndex, kLost, kAllPages, kFormat}},
    {QStringLiteral("changes"),
     QStringLiteral("[--index FILE] [--since DATE] [--until DATE] [--from NAME] [--to NAME] [--level domain|host] "
                    "[--format tsv|csv|json] DOMAIN"),
     QStringLiteral("Lists the links to DOMAIN that pages in the index gained and lost (kind page, with the date of "
                    "the capture that showed it and why a link was lost), then the sites it gained and lost between "
                    "two web-graph releases of the same level (kind site; default: the two newest, when the index "
                    "holds two): kind, change, date, source, target_url, anchor_text, reason, from_release, "
                    "to_release, from_harmonic_position, to_harmonic_position."),
     {kIndex, kSince, kUntil, kFrom, kTo, kLevel, kFormat}},
    {QStringLiteral("domains"), QStringLiteral("[--index FILE] [--all] [--format tsv|csv|json|disavow] DOMAIN"),
     QStringLiteral("Lists the domains that link to DOMAIN or a host under it (registrable domains, by the public "
                    "suffix list), those with the most linking pages first: domain, pages, links, dofollow_links, "
                    "first_seen, last_seen, top_anchor, harmonic_position (in the newest web-graph release)."),
     {kIndex, kAll, kDomainsFormat}},
    {QStringLiteral("anchors"), QStringLiteral("[--index FILE] [--all] [--format tsv|csv|json] DOMAIN"),
     QStringLiteral("Lists the anchor texts of the links to DOMAIN or a host under it, the most used first: "
                    "anchor_text, links, pages, domains."),
     {kIndex, kAll, kFormat}},
    {QStringLiteral("targets"), QStringLiteral("[--index FILE] [--all] [--broken] [--format tsv|csv|json] DOMAIN"),
     QStringLiteral("Lists the pages of DOMAIN that others link to, those with the most linking pages first: "
                    "target_url, pages, domains, status (200, redirect or gone, when the index holds a capture of "
                    "the page, from a crawl of your own site). --broken lists the gone ones: links you can win "
                    "back with a redirect."),
     {kIndex, kAll, kBroken, kFormat}},
    {QStringLiteral("report"), QStringLiteral("[--index FILE] [-o FILE] DOMAIN"),
     QStringLiteral("Writes a report of DOMAIN's backlinks as one HTML file that opens offline in any browser: "
                    "a summary, charts over time, the referring domains, anchors and linked pages, broken backlinks "
                    "and the latest gains and losses."),
     {kIndex, kOutput}},
    {QStringLiteral("stats"), QStringLiteral("[--index FILE]"),
     QStringLiteral("Inputs added, pages, links, distinct hosts linked to, size on disk, and the web-graph releases "
                    "with their vertices, edges and size."),
     {kIndex}},
    {QStringLiteral("extract"), QStringLiteral("[--targets FILE] [--threads N] INPUT..."),
     QStringLiteral("Writes what add would store as a link list on standard output (source_url, source_title, target_url, anchor_text, "
                    "nofollow, captured, rel, type, state; a capture without links as one line with an empty target_url), "
                    "for parts made elsewhere and "
                    "added later in any order; --targets FILE keeps only links to the domains listed in FILE (one a "
                    "line) and hosts under them."),
     {kTargets, kThreads}},
    {QStringLiteral("add-graph"),
     QStringLiteral("[--index FILE] [--targets FILE] [--quiet] (FILE|URL... | --release NAME [--level domain|host])"),
     QStringLiteral("Adds a release of Common Crawl's host- or domain-level web graph: its vertices, edges and "
                    "(optionally) ranks files, gzip or plain, local or http(s) URLs read as they download, told apart "
                    "by their content; or, with --release alone, the release's files fetched from Common Crawl. "
                    "A release goes in whole or not at all, replacing one of the same name and level. --targets FILE "
                    "keeps only the sites that link to the domains in FILE (yours and your competitors'), which "
                    "is faster and smaller."),
     {kIndex, kAddRelease, kAddLevel, kBase, kTargets, kQuiet}},
    {QStringLiteral("remove-graph"), QStringLiteral("[--index FILE] [--level domain|host] RELEASE"),
     QStringLiteral("Removes a web-graph release from the index (both levels unless --level names one)."),
     {kIndex, kOnlyLevel}},
    {QStringLiteral("referring"), QStringLiteral("[--index FILE] [--release NAME] [--level domain|host] [--format tsv|csv|json] DOMAIN"),
     QStringLiteral("Lists the sites that link to DOMAIN (at host level, to DOMAIN or a host under it), the strongest "
                    "first (by harmonic centrality, unranked sites last): site, harmonic_position, harmonic_value, "
                    "pagerank_position, pagerank_value, hosts, release."),
     {kIndex, kRelease, kLevel, kFormat}},
    {QStringLiteral("gap"),
     QStringLiteral("[--index FILE] [--release NAME] [--level domain|host] [--min N] [--format tsv|csv|json] DOMAIN COMPETITOR..."),
     QStringLiteral("Lists the sites that link to at least N of the competitors but not to DOMAIN, those linking to "
                    "the most competitors first, then the strongest: site, competitors, linked, harmonic_position, "
                    "harmonic_value, pagerank_position, pagerank_value, release."),
     {kIndex, kRelease, kLevel, kMinimum, kFormat}},
};

// The command line of one command, parsed.
class Arguments
{
public:
    explicit Arguments(QCommandLineParser &parser) : m_parser(parser), m_positional(parser.positionalArguments().mid(1)) { }

    bool isSet(const QCommandLineOption &option) const { return m_parser.isSet(option); }
    std::string value(const QCommandLineOption &option) const { return m_parser.value(option).toStdString(); }
    std::optional<std::string> optional(const QCommandLineOption &option) const
    {
        return isSet(option) ? std::optional(value(option)) : std::nullopt;
    }
    // Commands without --index (extract) never read it.
    std::string index() const
    {
        return m_parser.optionNames().contains(u"index") ? value(kIndex) : linkindex::defaultIndexPath();
    }
    std::vector<std::string> positional() const
    {
        std::vector<std::string> values;
        for (const QString &value : m_positional)
            values.push_back(value.toStdString());
        return values;
    }
    // The positional arguments, which must be at least minimum and at most maximum.
    std::vector<std::string> positional(const char *command, size_t minimum, size_t maximum, const char *what) const
    {
        if (size_t(m_positional.size()) < minimum || size_t(m_positional.size()) > maximum)
            usageError(QStringLiteral("%1 needs %2").arg(QLatin1StringView(command), QLatin1StringView(what)));
        return positional();
    }
    // The one DOMAIN a listing of a domain takes.
    std::string domain(const char *command) const { return positional(command, 1, 1, "one DOMAIN").front(); }
    unsigned number(const QCommandLineOption &option, unsigned byDefault) const
    {
        if (!isSet(option) && option.defaultValues().isEmpty())
            return byDefault;
        bool ok = false;
        const unsigned number = m_parser.value(option).toUInt(&ok);
        if (!ok || number == 0)
            usageError(QStringLiteral("--%1 needs a number above 0, not %2").arg(option.names().first(), m_parser.value(option)));
        return number;
    }
    // The format asked, one of those the option names ("tsv|csv|json").
    std::string format(const QCommandLineOption &option = kFormat) const
    {
        const QString format = m_parser.value(option);
        QStringList formats = option.valueName().split(u'|');
        if (!formats.contains(format)) {
            const QString last = formats.takeLast();
            usageError(QStringLiteral("--format is %1 or %2, not %3").arg(formats.join(QStringLiteral(", ")), last, format));
        }
        return format.toStdString();
    }
    std::optional<graph::Level> level(const QCommandLineOption &option) const
    {
        if (!isSet(option) && option.defaultValues().isEmpty())
            return std::nullopt;
        const std::string level = value(option);
        if (level != "domain" && level != "host")
            usageError(QStringLiteral("--level is domain or host, not ") + QString::fromStdString(level));
        return level == "host" ? graph::Level::Host : graph::Level::Domain;
    }
    // A day (YYYY-MM-DD, its first moment, or with end its last) or a moment as WARC files write
    // them; none when the option is not given.
    std::optional<int64_t> date(const QCommandLineOption &option, bool end) const
    {
        if (!isSet(option))
            return std::nullopt;
        const std::string text = value(option);
        if (const std::optional<int64_t> moment = archive::parseWarcDate(text))
            return moment;
        const std::optional<int64_t> day = archive::parseWarcDate(text + "T00:00:00Z");
        if (!day)
            usageError(QStringLiteral("--%1 is a day (YYYY-MM-DD) or a moment (YYYY-MM-DDThh:mm:ssZ), not %2")
                           .arg(option.names().first(), QString::fromStdString(text)));
        constexpr int64_t kDay = int64_t(86400) * 1000000;
        return end ? *day + kDay - 1 : *day;
    }
    indexer::SiteQuery siteQuery() const { return {optional(kRelease), level(kLevel), format()}; }

private:
    QCommandLineParser &m_parser;
    QStringList m_positional;
};

int run(const QString &command, const Arguments &arguments)
{
    const std::string index = arguments.index();
    if (command == u"add")
        return indexer::add(index, arguments.positional("add", 1, SIZE_MAX, "at least one INPUT"),
                            arguments.number(kThreads, 0), arguments.isSet(kQuiet));
    if (command == u"extract")
        return indexer::extract(arguments.positional("extract", 1, SIZE_MAX, "at least one INPUT"),
                                arguments.isSet(kTargets) ? arguments.value(kTargets) : std::string(),
                                arguments.number(kThreads, 0));
    if (command == u"backlinks") {
        if (arguments.isSet(kLost) && arguments.isSet(kAllPages))
            usageError(QStringLiteral("backlinks takes --lost or --all, not both"));
        using Pages = linkindex::BacklinkReader::Pages;
        return indexer::backlinks(index, arguments.domain("backlinks"),
                                  arguments.isSet(kLost)       ? Pages::Lost
                                  : arguments.isSet(kAllPages) ? Pages::All
                                                               : Pages::Linking,
                                  arguments.format());
    }
    if (command == u"domains")
        return indexer::domains(index, arguments.domain("domains"), arguments.isSet(kAll), arguments.format(kDomainsFormat));
    if (command == u"anchors")
        return indexer::anchors(index, arguments.domain("anchors"), arguments.isSet(kAll), arguments.format());
    if (command == u"targets")
        return indexer::targets(index, arguments.domain("targets"), arguments.isSet(kAll), arguments.isSet(kBroken),
                                arguments.format());
    if (command == u"report") {
        const std::string domain = arguments.domain("report");
        return indexer::report(index, domain, arguments.isSet(kOutput) ? arguments.value(kOutput) : domain + "-report.html");
    }
    if (command == u"stats") {
        arguments.positional("stats", 0, 0, "no arguments");
        return indexer::stats(index);
    }
    if (command == u"add-graph") {
        const std::vector<std::string> files = arguments.positional();
        if (files.empty() && !arguments.isSet(kAddRelease))
            usageError(QStringLiteral("add-graph needs the release's files, or --release NAME to fetch it"));
        return indexer::addGraph(index, {files, arguments.optional(kAddRelease), *arguments.level(kAddLevel),
                                         arguments.value(kBase),
                                         arguments.isSet(kTargets) ? arguments.value(kTargets) : std::string(),
                                         arguments.isSet(kQuiet)});
    }
    if (command == u"remove-graph")
        return indexer::removeGraph(index, arguments.positional("remove-graph", 1, 1, "one RELEASE").front(),
                                    arguments.level(kOnlyLevel));
    if (command == u"referring")
        return indexer::referring(index, arguments.domain("referring"), arguments.siteQuery());
    if (command == u"gap") {
        const std::vector<std::string> domains =
            arguments.positional("gap", 2, graph::kMostCompetitors + 1, "DOMAIN and one to 64 COMPETITORs");
        return indexer::gap(index, domains.front(), {domains.begin() + 1, domains.end()}, arguments.number(kMinimum, 1),
                            arguments.siteQuery());
    }
    return indexer::changes(index, arguments.domain("changes"),
                            {arguments.date(kSince, false), arguments.date(kUntil, true), arguments.optional(kFrom),
                             arguments.optional(kTo), arguments.level(kLevel), arguments.format()});
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(LINKVANE_VERSION));
    const commandline::Program program{QStringLiteral("linkvane-index"), QString::fromUtf8(kHeader), kCommands,
                                       QString::fromUtf8(kFooter)};
    QCommandLineParser parser;
    const commandline::CommandInfo &command = commandline::readCommand(program, QCoreApplication::arguments(), parser);
    return run(command.name, Arguments(parser));
}
