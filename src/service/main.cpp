// linkvane-service: the link search and vendor site that Linkvane talks to, served offline on
// 127.0.0.1 from a list of links. The tool reaches it as its HTTP proxy.

#include "httpserver.h"
#include "linkservice.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QUrl>

#include <cstdio>
#include <optional>

namespace {

struct Settings
{
    quint16 port = 0;
    QString linksPath;
    QHash<QString, qsizetype> claims;
    QString latestVersion;
    std::chrono::milliseconds latency{0};
};

// Settings from the command line, or the reason they make no sense.
std::optional<Settings> readSettings(QCommandLineParser &parser, QString &error)
{
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Listen on 127.0.0.1:<port>; 0 takes a free port."),
                                  QStringLiteral("port"), QStringLiteral("0"));
    const QCommandLineOption links(
        QStringLiteral("links"),
        QStringLiteral("Serve the links of this list (UTF-8, tab-separated, header "
                       "source_url, source_title, target_url) instead of the demo list."),
        QStringLiteral("file"), QStringLiteral(":/demo-links.tsv"));
    const QCommandLineOption claim(
        QStringLiteral("claim"),
        QStringLiteral("State <count> as the total for <domain> when it has fewer "
                       "links. Repeatable."),
        QStringLiteral("domain=count"));
    const QCommandLineOption latest(QStringLiteral("latest-version"),
                                    QStringLiteral("Announce this as the latest version of Linkvane."),
                                    QStringLiteral("text"), QStringLiteral(LINKVANE_VERSION));
    const QCommandLineOption latency(QStringLiteral("latency-ms"),
                                     QStringLiteral("Delay every answer by this many milliseconds."),
                                     QStringLiteral("ms"), QStringLiteral("0"));
    parser.addOptions({port, links, claim, latest, latency});

    if (!parser.parse(QCoreApplication::arguments())) {
        error = parser.errorText();
        return std::nullopt;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(EXIT_SUCCESS);
    if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("unexpected argument ") + parser.positionalArguments().first();
        return std::nullopt;
    }

    Settings settings;
    bool ok = false;
    settings.port = parser.value(port).toUShort(&ok);
    if (!ok) {
        error = QStringLiteral("--port needs a port number, not ") + parser.value(port);
        return std::nullopt;
    }
    const int latencyMs = parser.value(latency).toInt(&ok);
    if (!ok || latencyMs < 0) {
        error = QStringLiteral("--latency-ms needs a number of milliseconds, not ")
                + parser.value(latency);
        return std::nullopt;
    }
    settings.latency = std::chrono::milliseconds(latencyMs);
    for (const QString &text : parser.values(claim)) {
        const qsizetype equals = text.lastIndexOf(u'=');
        const QString domain = QUrl(QStringLiteral("http://") + text.left(equals)).host();
        const qsizetype count = text.mid(equals + 1).toLongLong(&ok);
        if (equals < 0 || domain.isEmpty() || !ok || count < 0) {
            error = QStringLiteral("--claim needs <domain>=<count>, not ") + text;
            return std::nullopt;
        }
        settings.claims.insert(domain, count);
    }
    settings.linksPath = parser.value(links);
    settings.latestVersion = parser.value(latest);
    return settings;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Answers Linkvane's link searches and update checks on 127.0.0.1 from a list of links. "
        "Point the tool at it with http_proxy=http://127.0.0.1:<port>."));
    parser.addHelpOption();

    QString error;
    const std::optional<Settings> settings = readSettings(parser, error);
    if (!settings) {
        std::fprintf(stderr, "linkvane-service: %s\n\n%s", qPrintable(error),
                     qPrintable(parser.helpText()));
        return EXIT_FAILURE;
    }

    LinkTable links;
    try {
        links = LinkTable::read(settings->linksPath);
    } catch (const LinkFileError &refused) {
        std::fprintf(stderr, "linkvane-service: %s\n", qPrintable(refused.message));
        return EXIT_FAILURE;
    }
    const LinkService service(std::move(links), settings->claims, settings->latestVersion);

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
