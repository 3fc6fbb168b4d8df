// A WARC as a real crawler writes it: wget mirrors a small site that a loopback server serves,
// and every record of its WARC reads back with the right type, target and payload.
#include "testdata.h"

#include "archive/decodingsource.h"
#include "archive/filesource.h"
#include "archive/httpresponse.h"
#include "archive/payload.h"
#include "archive/warcreader.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <map>

using namespace archive;

namespace {

// The site: path as served (percent-encoded) → file content.
const std::map<QString, QByteArray> &site()
{
    static const std::map<QString, QByteArray> files = {
        {"/", "<html><head><title>Home</title><link rel=stylesheet href=style.css></head><body>"
              "<a href=\"page2.html\">two</a> <a href=\"caf%C3%A9.html\">caf\xc3\xa9</a> <a href=\"sub/\">sub</a>"
              "<img src=\"image.png\"></body></html>"},
        {"/page2.html", "<html><body><a href=\"/\">home</a> <a href=\"http://elsewhere.example/\">away</a></body></html>"},
        {"/caf%C3%A9.html", "<html><body>caf\xc3\xa9 \xff not UTF-8</body></html>"},
        {"/sub/", "<html><body><a href=\"../page2.html\">up</a></body></html>"},
        {"/style.css", "body { background: url(image.png) }"},
        {"/image.png", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
    };
    return files;
}

QString fileNameOf(const QString &path)
{
    const QString decoded = QUrl::fromPercentEncoding(path.toUtf8());
    return decoded.endsWith('/') ? decoded + "index.html" : decoded;
}

} // namespace

class WgetWarcTest : public QObject
{
    Q_OBJECT

private slots:
    void readsEveryRecordWgetWrites_data();
    void readsEveryRecordWgetWrites();
};

void WgetWarcTest::readsEveryRecordWgetWrites_data()
{
    QTest::addColumn<bool>("compressed");
    QTest::addRow("gzip member per record, wget's default") << true;
    QTest::addRow("uncompressed (--no-warc-compression)") << false;
}

void WgetWarcTest::readsEveryRecordWgetWrites()
{
    QFETCH(bool, compressed);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("site/sub"));
    for (const auto &[path, content] : site()) {
        QFile file(dir.filePath("site" + fileNameOf(path)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QProcess server;
    server.setProcessChannelMode(QProcess::MergedChannels);
    server.start("python3", {"-u", "-m", "http.server", "0", "--bind", "127.0.0.1", "--directory", dir.filePath("site")});
    QString port;
    while (port.isEmpty() && server.waitForReadyRead(10000))
        port = QRegularExpression(" port (\\d+) ").match(QString::fromUtf8(server.readAll())).captured(1);
    QVERIFY2(!port.isEmpty(), "the loopback server did not start");
    const QString origin = "http://127.0.0.1:" + port;

    QProcess wget;
    wget.setWorkingDirectory(dir.path());
    QStringList arguments{"--mirror", "--no-timestamping", "--no-proxy", "--quiet", "--directory-prefix=mirror", "--warc-file=crawl",
                          "--no-warc-keep-log", origin + "/"};
    if (!compressed)
        arguments.prepend("--no-warc-compression");
    wget.start("wget", arguments);
    QVERIFY(wget.waitForFinished(60000));
    server.kill();
    server.waitForFinished();
    // 8: robots.txt answered 404, as it should.
    QVERIFY2(wget.exitCode() == 0 || wget.exitCode() == 8, wget.readAllStandardError().constData());

    FileSource file(dir.filePath(compressed ? "crawl.warc.gz" : "crawl.warc").toStdString());
    DecodingSource decoded(file);
    WarcReader reader(decoded);
    PayloadDecoder payloads;
    QStringList types;
    QStringList requested;
    std::map<QString, int> statuses;
    std::string block;
    std::uint64_t number = 0;
    while (const WarcRecord *record = reader.next()) {
        QCOMPARE(record->number(), ++number);
        QVERIFY(record->date());
        QCOMPARE(record->version(), std::string_view("1.0"));
        const QString type = QString::fromUtf8(record->type());
        types << type;
        reader.readBlock(block);
        QCOMPARE(block.size(), std::size_t(record->contentLength()));
        if (type == "request") {
            requested << QString::fromUtf8(record->targetUri());
        } else if (type == "response") {
            const QString uri = QString::fromUtf8(record->targetUri());
            QVERIFY2(uri.startsWith(origin + "/"), qPrintable(uri));
            // wget may send a request again when a connection fails; the answer follows the last.
            QCOMPARE(uri, requested.last());
            const std::optional<HttpResponse> response = parseHttpResponse(block);
            QVERIFY(response);
            const QString path = uri.mid(origin.size());
            statuses[path] = response->status;
            if (response->status == 200)
                QCOMPARE(bytes(payloads.decode(*response).bytes), site().at(path));
        }
    }
    QCOMPARE(types.first(), QString("warcinfo"));
    QVERIFY(types.contains("metadata"));
    std::map<QString, int> expected{{"/robots.txt", 404}};
    for (const auto &entry : site())
        expected[entry.first] = 200;
    QCOMPARE(statuses, expected);
}

QTEST_GUILESS_MAIN(WgetWarcTest)
#include "tst_wgetwarc.moc"
