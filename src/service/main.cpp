// linkvane-service: the link search and vendor site that Linkvane talks to, served offline on
// 127.0.0.1 from a link index or a list of links. The tool reaches it as its HTTP proxy.

#include "archive/memorysource.h"
#include "commandline/commandhelp.h"
#include "httpserver.h"
#include "index/domain.h"
#include "index/schema.h"
#include "indexer/indexsink.h"
#include "linkservice.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <optional>

namespace {

struct Settings
{
    quint16 port = 0;
    QString indexPath;
    QString linksPath; // empty: the demo list
    QHash<QString, qint64> claims;
    QString latestVersion;
    std::chrono::milliseconds latency{0};
};

const QCommandLineOption kVersion({QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("Shows the version."));
const QCommandLineOption kPort(QStringLiteral("port"), QStringLiteral("Listen on 127.0.0.1:<port>; 0 takes a free port."),
                               QStringLiteral("port"), QStringLiteral("0"));
const QCommandLineOption kIndex(QStringLiteral("index"),
                                QStringLiteral("Answer from this link index, as linkvane-index builds it, and the web "
                                               "graphs beside it, instead of the demo list."),
                                QStringLiteral("file"));
const QCommandLineOption kLinks(QStringLiteral("links"),
                                QStringLiteral("Answer from this link list (UTF-8, tab-separated, header "
                                               "source_url, source_title, target_url) instead of the demo list."),
                                QStringLiteral("file"));
const QCommandLineOption kClaim(QStringLiteral("claim"),
                                QStringLiteral("State <count> as the total for <domain> when it has fewer links. "
                                               "Repeatable."),
                                QStringLiteral("domain=count"));
const QCommandLineOption kLatest(QStringLiteral("latest-version"),
                                 QStringLiteral("Announce this as the latest version of Linkvane."), QStringLiteral("text"),
                                 QStringLiteral(LINKVANE_VERSION));
const QCommandLineOption kLatency(QStringLiteral("latency-ms"), QStringLiteral("Delay every answer by this many milliseconds."),
                                  QStringLiteral("ms"), QStringLiteral("0"));

const commandline::CommandInfo kService{
    {},
    QStringLiteral("[--port N] [--index FILE | --links FILE] [--claim DOMAIN=N] [--latest-version TEXT] [--latency-ms N]"),
    QStringLiteral("Answers Linkvane's link searches and update checks on 127.0.0.1 from a link index, a list of links "
                   "or the demo list. Point the tool at it with http_proxy=http://127.0.0.1:<port>."),
    {kVersion, kPort, kIndex, kLinks, kClaim, kLatest, kLatency}};

QString help()
{
    return commandline::commandHelp(QStringLiteral("linkvane-service"), kService);
}

// Settings from the command line, or the reason they make no sense.
std::optional<Settings> readSettings(QCommandLineParser &parser, QString &error)
{
    parser.addOption(commandline::helpOption());
    parser.addOptions(kService.options);

    if (!parser.parse(QCoreApplication::arguments())) {
        error = parser.errorText();
        return std::nullopt;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(help()), stdout);
        std::exit(EXIT_SUCCESS);
    }
    if (parser.isSet(kVersion)) {
        std::printf("linkvane-service %s\n", LINKVANE_VERSION);
        std::exit(EXIT_SUCCESS);
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("unexpected argument ") + parser.positionalArguments().first();
        return std::nullopt;
    }
    if (parser.isSet(kIndex) && parser.isSet(kLinks)) {
        error = QStringLiteral("--index and --links name two sources of links; give one");
        return std::nullopt;
    }

    Settings settings;
    bool ok = false;
    settings.port = parser.value(kPort).toUShort(&ok);
    if (!ok) {
        error = QStringLiteral("--port needs a port number, not ") + parser.value(kPort);
        return std::nullopt;
    }
    const int latencyMs = parser.value(kLatency).toInt(&ok);
    if (!ok || latencyMs < 0) {
        error = QStringLiteral("--latency-ms needs a number of milliseconds, not ")
                + parser.value(kLatency);
        return std::nullopt;
    }
    settings.latency = std::chrono::milliseconds(latencyMs);
    for (const QString &text : parser.values(kClaim)) {
        const qsizetype equals = text.lastIndexOf(u'=');
        const std::optional<std::string> domain = linkindex::domainHost(text.left(equals).toStdString());
        const qint64 count = text.mid(equals + 1).toLongLong(&ok);
        if (equals < 0 || !domain || !ok || count < 0) {
            error = QStringLiteral("--claim needs <domain>=<count>, not ") + text;
            return std::nullopt;
        }
        settings.claims.insert(QString::fromStdString(*domain), count);
    }
    settings.indexPath = parser.value(kIndex);
    settings.linksPath = parser.value(kLinks);
    settings.latestVersion = parser.value(kLatest);
    return settings;
}

// A link list read into an index in memory, through the same code that adds lists to a user's
// index. Lines that say nothing usable are passed over, and named.
std::unique_ptr<linkindex::Database> listIndex(const QString &path)
{
    auto db = linkindex::openIndex(":memory:", linkindex::Database::Access::ReadWrite);
    indexer::IndexSink sink(*db);
    indexer::ProgressLine silent(stderr, indexer::ProgressLine::Mode::Silent);
    const std::atomic<bool> neverStop = false;
    indexer::Importer importer(sink, 1, silent, neverStop);
    indexer::InputReport report;
    if (path.isEmpty()) {
        QFile demo(QStringLiteral(":/demo-links.tsv"));
        demo.open(QIODevice::ReadOnly);
        const QByteArray bytes = demo.readAll();
        archive::MemorySource source(std::string_view(bytes.constData(), size_t(bytes.size())));
        report = importer.read("the demo list", source);
    } else {
        report = importer.read(path.toStdString());
    }
    if (!report.added)
        throw linkindex::IndexError(report.name + ": " + report.error);
    if (!report.error.empty())
        std::fprintf(stderr, "linkvane-service: %s: %s (the lines before it are served)\n", report.name.c_str(),
                     report.error.c_str());
    for (const auto &[why, count] : report.skipped)
        std::fprintf(stderr, "linkvane-service: %s: %lld passed over: %s\n", report.name.c_str(), (long long)count,
                     why.c_str());
    return db;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(LINKVANE_VERSION));
    QCommandLineParser parser;

    QString error;
    const std::optional<Settings> settings = readSettings(parser, error);
    if (!settings) {
        std::fprintf(stderr, "linkvane-service: %s\n\n%s", qPrintable(error), qPrintable(help()));
        return EXIT_FAILURE;
    }

    std::unique_ptr<linkindex::Database> db;
    try {
        db = settings->indexPath.isEmpty()
                 ? listIndex(settings->linksPath)
                 : linkindex::openIndex(settings->indexPath.toStdString(), linkindex::Database::Access::ReadOnly);
    } catch (const linkindex::IndexError &refused) {
        std::fprintf(stderr, "linkvane-service: %s\n", refused.what());
        return EXIT_FAILURE;
    }
    linkindex::BacklinkReader backlinks(*db);
    std::optional<SiteRows> sites;
    if (!settings->indexPath.isEmpty())
        sites.emplace(*db, settings->indexPath.toStdString());
    const LinkService service(backlinks, sites ? &*sites : nullptr, settings->claims, settings->latestVersion);

    HttpServer server([&](const QUrl &target) { return service.answer(target); }, settings->latency);
    if (!server.listen(QHostAddress::LocalHost, settings->port)) {
        std::fprintf(stderr, "linkvane-service: cannot listen on 127.0.0.1:%u: %s\n", settings->port,
                     qPrintable(server.errorString()));
        return EXIT_FAILURE;
    }
    // Scripts and tests wait for this line to learn the port.
    std::printf("listening on 127.0.0.1:%u\n", server.serverPort());
    std::fflush(stdout);
    return app.exec();
}
