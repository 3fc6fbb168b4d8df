// Inputs made to hurt linkvane-index: bombs, lengths and lines without end, nesting without end,
// codings that lie and bytes that are no UTF-8. Each ends in bounded time and memory with a clear
// word, and the rest of the input is still added when the damage allows it.
#include "../archive/testdata.h"
#include "indexerruns.h"

#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>

namespace {

// A crash guard only: what the indexer needs is measured by the benchmarks.
constexpr long kPeakKilobytes = 400 * 1024;

const std::string kBefore = pageRecord("http://before.example/", "2024-01-01T00:00:00Z", {"http://t.example/1"});
const std::string kAfter = pageRecord("http://after.example/", "2024-01-01T00:00:02Z", {"http://t.example/2"});

std::string response(const std::string &url, const std::string &httpHead, const std::string &body)
{
    return warcRecord("WARC-Type: response\r\nWARC-Target-URI: " + url
                          + "\r\nWARC-Date: 2024-01-01T00:00:01Z\r\nContent-Type: application/http; msgtype=response\r\n",
                      "HTTP/1.1 200 OK\r\n" + httpHead + "\r\n" + body);
}

std::string repeated(std::string_view piece, int times)
{
    std::string text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

// A WAT record whose links hold arrays nested depth deep.
std::string deepWat(int depth)
{
    const std::string json = R"({"Envelope":{"WARC-Header-Metadata":{"WARC-Type":"response","WARC-Target-URI":)"
                              R"("http://deep.example/"},"Payload-Metadata":{"HTTP-Response-Metadata":{"HTML-Metadata":)"
                              R"({"Links":)"
                              + repeated("[", depth) + repeated("]", depth) + "}}}}}";
    return warcRecord("WARC-Type: metadata\r\nWARC-Target-URI: http://deep.example/\r\n"
                      "WARC-Date: 2024-01-01T00:00:01Z\r\nContent-Type: application/json\r\n",
                      json);
}

QByteArray input(const std::string &hostile)
{
    return bytes(kBefore + hostile + kAfter);
}

} // namespace

class HostileInputsTest : public QObject
{
    Q_OBJECT

private slots:
    void hostileInputEndsWithAClearWord_data();
    void hostileInputEndsWithAClearWord();
};

void HostileInputsTest::hostileInputEndsWithAClearWord_data()
{
    QTest::addColumn<QByteArray>("archive");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said"); // in the summary or the error
    QTest::addColumn<QStringList>("sources"); // of t.example's backlinks afterwards

    const QStringList both{"http://after.example/", "http://before.example/"};
    const QStringList before{"http://before.example/"};
    // A gzip member a record, as crawlers write them: the bomb's record spans three members.
    const std::string bombHead = "WARC/1.0\r\nWARC-Type: response\r\nWARC-Target-URI: http://bomb.example/\r\n"
                                 "WARC-Date: 2024-01-01T00:00:01Z\r\nContent-Length: 1073741824\r\n\r\n";
    QTest::newRow("a record's block is 1 GB of zeros in a 1 MB gzip member")
        << bytes(perRecordGzip({kBefore, bombHead}) + gzipOfZeros(1024) + perRecordGzip({"\r\n\r\n", kAfter})) << 0
        << "skipped: 1 responses that are not HTTP" << both;
    QTest::newRow("a gzip body of 1 GB of zeros")
        << input(response("http://bomb.example/", "Content-Type: text/html\r\nContent-Encoding: gzip\r\n", gzipOfZeros(1024)))
        << 0 << "3 pages added, 2 links added" << both;
    QTest::newRow("Content-Length of a terabyte")
        << input("WARC/1.0\r\nWARC-Type: response\r\nContent-Length: 1000000000000\r\n\r\n") << 1
        << "Content-Length says 1000000000000" << before;
    QTest::newRow("an HTTP Content-Length of a terabyte")
        << input(response("http://claims.example/", "Content-Type: text/html\r\nContent-Length: 1000000000000\r\n",
                          "<a href=\"http://t.example/c\">c</a>"))
        << 0 << "3 pages added, 3 links added"
        << QStringList{"http://after.example/", "http://before.example/", "http://claims.example/"};
    QTest::newRow("a header line without end")
        << input("WARC/1.0\r\nWARC-Type: response\r\nWARC-Target-URI: http://long.example/" + std::string(8 << 20, 'a'))
        << 1 << "header has no end within 64 KiB" << before;
    QTest::newRow("100,000 nested elements")
        << input(response("http://nested.example/", "Content-Type: text/html\r\n",
                          "<title>Nested</title><a href=\"http://t.example/n\">n</a>" + repeated("<div>", 100'000)))
        << 0 << "3 pages added, 3 links added"
        << QStringList{"http://after.example/", "http://before.example/", "http://nested.example/"};
    QTest::newRow("a link list line without end")
        << bytes("source_url\tsource_title\ttarget_url\nhttp://before.example/\tB\thttp://t.example/1\nhttp://long.example/\t"
                 + std::string(2 << 20, 'x') + "\thttp://t.example/l\nhttp://after.example/\tA\thttp://t.example/2\n")
        << 0 << "skipped: 1 lines longer than 1 MiB" << both;
    QTest::newRow("WAT JSON nested 100,000 deep") << input(deepWat(100'000)) << 0
                                                  << "skipped: 1 WAT records that are not valid JSON" << both;
    QTest::newRow("a body that claims gzip and is not")
        << input(response("http://liar.example/", "Content-Type: text/html\r\nContent-Encoding: gzip\r\n",
                          "<a href=\"http://t.example/liar\">liar</a>"))
        << 0 << "skipped: 1 bodies not in the coding their headers name" << both;
    QTest::newRow("a body that claims br and is not")
        << input(response("http://liar.example/", "Content-Type: text/html\r\nContent-Encoding: br\r\n",
                          "<a href=\"http://t.example/liar\">liar</a>"))
        << 0 << "skipped: 1 bodies not in the coding their headers name" << both;
    QTest::newRow("invalid UTF-8 in WARC header fields")
        << input(warcRecord("WARC-Type: response\r\nWARC-Target-URI: http://bad\xff\xfe.example/p\xc3\x28\r\n"
                            "WARC-Date: 2024-01-01T00:00:01Z\r\nWARC-Warcinfo-ID: <\xed\xa0\x80>\r\n",
                            "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n<a href=\"http://t.example/b\">b</a>"))
        << 0 << "skipped: 1 pages without an http(s) URL" << both;
    QTest::newRow("invalid UTF-8 in the path of a record's URL")
        << input(warcRecord("WARC-Type: response\r\nWARC-Target-URI: http://path.example/p\xff\xc3\x28\r\n"
                            "WARC-Date: 2024-01-01T00:00:01Z\r\n",
                            "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n<a href=\"http://t.example/p\">p</a>"))
        << 0 << "3 pages added, 3 links added"
        << QStringList{"http://after.example/", "http://before.example/", "http://path.example/p%EF%BF%BD%EF%BF%BD("};
    QTest::newRow("invalid UTF-8 in the URLs of links")
        << input(response("http://bytes.example/", "Content-Type: text/html; charset=utf-8\r\n",
                          "<a href=\"http://t.example/\xff\xfe\xc3\x28\">x</a><a href=\"http://t\xc0\xaf.example/\">y</a>"))
        << 0 << "3 pages added, 3 links added"
        << QStringList{"http://after.example/", "http://before.example/", "http://bytes.example/"};
}

void HostileInputsTest::hostileInputEndsWithAClearWord()
{
    QFETCH(QByteArray, archive);
    QFETCH(int, status);
    QFETCH(QString, said);
    QFETCH(QStringList, sources);
    QTemporaryDir dir;
    const QString index = dir.filePath("index.sqlite");
    const QString path = writeFile(dir.filePath("hostile.warc.gz"), archive.toStdString());

    const IndexerRun add = linkvaneIndex({"add", "--index", index, path});
    QCOMPARE(add.status, status);
    QVERIFY2((add.out + add.err).contains(said), qPrintable(add.out + add.err));
    if (status != 0)
        QVERIFY2(add.err.contains(path + ": "), qPrintable(add.err));
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    QVERIFY2(usage.ru_maxrss < kPeakKilobytes, qPrintable(QString::number(usage.ru_maxrss) + " kB"));

    QStringList listed = backlinkSources(index, "t.example");
    listed.sort();
    QCOMPARE(listed, sources);
    const IndexerRun backlinks = linkvaneIndex({"backlinks", "--index", index, "t.example"});
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8.decode(backlinks.bytes);
    QVERIFY2(!utf8.hasError(), "the listing is not UTF-8");
}

QTEST_GUILESS_MAIN(HostileInputsTest)
#include "tst_hostileinputs.moc"
