// linkvane-index's web-graph commands as a user runs them: releases added from files and fetched
// from a stand-in for Common Crawl's server, refused releases, and the listings.
#include "../graph/graphfiles.h"
#include "../archive/testdata.h"
#include "indexerruns.h"
#include "support/testserver.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>

namespace {

// linkvane-index run while this process serves its requests.
IndexerRun linkvaneIndexServed(const QStringList &arguments)
{
    QProcess process;
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(LINKVANE_INDEX, arguments);
    if (!finished.wait(60'000))
        qFatal("linkvane-index %s did not finish", qPrintable(arguments.join(' ')));
    const QByteArray out = process.readAllStandardOutput();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, QString::fromUtf8(out),
            QString::fromUtf8(process.readAllStandardError()), out};
}

QByteArray fileBytes(const std::string &path)
{
    QFile file(QString::fromStdString(path));
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// Serves files by path, honouring Range; the first answer of each file in cutOnce breaks off
// halfway, as a download over a long distance may.
struct Bucket
{
    QHash<QByteArray, QByteArray> files;
    QSet<QByteArray> cutOnce;
    QList<QByteArray> ranges;

    void serve(TestServer &server)
    {
        server.setHandler([this, &server](const QByteArray &target, QTcpSocket *socket) {
            const QByteArray path = QUrl(QString::fromLatin1(target)).path().toLatin1();
            if (!files.contains(path)) {
                TestServer::reply(socket, 404, "not here", "text/plain");
                return;
            }
            const QByteArray body = files.value(path);
            const QByteArray head = server.heads.last();
            const qsizetype at = head.toLower().indexOf("\r\nrange: bytes=");
            qint64 from = 0;
            QByteArray status = "HTTP/1.1 200 OK\r\n";
            if (at >= 0) {
                from = head.mid(at + 15, head.indexOf('-', at + 15) - at - 15).toLongLong();
                ranges += path;
                status = "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " + QByteArray::number(from) + '-'
                         + QByteArray::number(body.size() - 1) + '/' + QByteArray::number(body.size()) + "\r\n";
            }
            socket->write(status + "Content-Length: " + QByteArray::number(body.size() - from) + "\r\n\r\n");
            if (cutOnce.remove(path)) {
                socket->write(body.mid(from, (body.size() - from) / 2));
                socket->disconnectFromHost();
                return;
            }
            socket->write(body.mid(from));
        });
    }
};

} // namespace

class AddGraphTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void aReleaseIsFetchedFromCommonCrawlsLayout();
    void aHostLevelReleaseIsFetchedPartByPart();
    void aRefusedReleaseLeavesTheIndexAsItWas();
    void listingsOfSitesInEveryFormat();
    void theWholeListOfAWidelyLinkedDomain();
    void changesBetweenReleasesAndRemovingOne();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_index;
};

void AddGraphTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_index = m_dir->filePath(QStringLiteral("index.sqlite"));
}

void AddGraphTest::aReleaseIsFetchedFromCommonCrawlsLayout()
{
    QTemporaryDir files;
    Bucket bucket;
    const QByteArray folder = QByteArray("/projects/hyperlinkgraph/") + kSampleRelease + "/domain/" + kSampleRelease;
    for (const std::string &path : sampleDomainFiles(files)) {
        const QByteArray name = QByteArray::fromStdString(path.substr(path.rfind('-')));
        bucket.files.insert(folder + "-domain" + name, fileBytes(path));
    }
    const QByteArray edges = folder + "-domain-edges.txt.gz";
    bucket.cutOnce.insert(edges);
    TestServer server;
    bucket.serve(server);

    const IndexerRun added = linkvaneIndexServed({"add-graph", "--index", m_index, "--release", kSampleRelease, "--base",
                                                  QStringLiteral("http://127.0.0.1:%1").arg(server.port())});
    QVERIFY2(added.status == 0, qPrintable(added.err));
    QVERIFY2(added.out.contains(u"8 vertices, 9 edges, 4 ranked"), qPrintable(added.out));
    QCOMPARE(bucket.ranges, QList<QByteArray>{edges}); // the broken download went on from where it stopped

    const IndexerRun listed = linkvaneIndex({"referring", "--index", m_index, "example.com"});
    QCOMPARE(listed.status, 0);
    QCOMPARE(lines(listed.out),
             QStringList({"site\tharmonic_position\tharmonic_value\tpagerank_position\tpagerank_value\thosts\trelease",
                          "bbc.co.uk\t1\t31209718\t2\t0.01395099273569498\t2\tcc-main-2025-mar-apr-may",
                          "linker.net\t5\t1250000\t4\t0.0000025\t1\tcc-main-2025-mar-apr-may",
                          "example-shop.com\t\t\t\t\t1\tcc-main-2025-mar-apr-may"}));

    // A file that is not there refuses the release, named.
    bucket.files.remove(edges);
    const IndexerRun missing = linkvaneIndexServed({"add-graph", "--index", m_index, "--release", "cc-main-2025-jun-jul-aug",
                                                    "--base", QStringLiteral("http://127.0.0.1:%1").arg(server.port())});
    QCOMPARE(missing.status, 1);
    QVERIFY2(missing.err.contains(u"cc-main-2025-jun-jul-aug-domain-vertices.txt.gz: HTTP 404"), qPrintable(missing.err));
}

void AddGraphTest::aHostLevelReleaseIsFetchedPartByPart()
{
    QTemporaryDir files;
    const std::string release = "cc-main-2025-jun-jul-aug";
    const QByteArray folder = QByteArray("projects/hyperlinkgraph/") + release.c_str() + "/host/";
    const QHash<QByteArray, std::string> parts{
        {folder + "vertices/part-00000.txt.gz", "0\tcom.example\n1\tcom.example.blog\n2\tcom.example-shop\n"},
        {folder + "vertices/part-00001.txt.gz", "3\tuk.co.bbc.news\n4\tcom.rival\n"},
        {folder + "edges/part-00000.txt.gz", "3\t1\n4\t0\n"},
        {folder + "edges/part-00001.txt.gz", "3\t1\n2\t0\n1\t0\n"}};
    Bucket bucket;
    for (auto part = parts.begin(); part != parts.end(); ++part)
        bucket.files.insert('/' + part.key(), QByteArray::fromStdString(gzipped(part.value())));
    for (const char *kind : {"vertices", "edges"})
        bucket.files.insert('/' + folder + release.c_str() + "-host-" + kind + ".paths.gz",
                            QByteArray::fromStdString(gzipped((folder + kind + "/part-00001.txt.gz\n" + folder + kind
                                                               + "/part-00000.txt.gz\n").toStdString())));
    bucket.files.insert('/' + folder + release.c_str() + "-host-ranks.txt.gz",
                        QByteArray::fromStdString(gzipped(ranksHeader(graph::Level::Host) + "1\t2.5E7\t1\t0.5\tcom.rival\n")));
    TestServer server;
    bucket.serve(server);

    const IndexerRun added = linkvaneIndexServed({"add-graph", "--index", m_index, "--release", QString::fromStdString(release),
                                                  "--level", "host", "--base",
                                                  QStringLiteral("http://127.0.0.1:%1").arg(server.port())});
    QVERIFY2(added.status == 0, qPrintable(added.err));
    const IndexerRun listed = linkvaneIndex({"referring", "--index", m_index, "www.example.com"});
    QCOMPARE(lines(listed.out).mid(1), QStringList({"rival.com\t1\t25000000\t1\t0.5\t\t" + QString::fromStdString(release),
                                                    "example-shop.com\t\t\t\t\t\t" + QString::fromStdString(release),
                                                    "news.bbc.co.uk\t\t\t\t\t\t" + QString::fromStdString(release)}));
}

void AddGraphTest::aRefusedReleaseLeavesTheIndexAsItWas()
{
    QTemporaryDir files;
    const std::vector<std::string> good = sampleDomainFiles(files);
    QCOMPARE(linkvaneIndex({"add-graph", "--index", m_index, "--quiet", QString::fromStdString(good[0]),
                            QString::fromStdString(good[1]), QString::fromStdString(good[2])})
                 .status,
             0);
    const IndexerRun before = linkvaneIndex({"referring", "--index", m_index, "rival.com"});

    // The same release again, with one edge too many.
    const std::string edges = writeGraphFile(files, std::string(kSampleRelease) + "-domain-edges.txt.gz",
                                             kSampleEdges + "7\t3\n7\t42\n");
    const IndexerRun refused = linkvaneIndex({"add-graph", "--index", m_index, QString::fromStdString(edges),
                                              QString::fromStdString(good[1]), QString::fromStdString(good[2])});
    QCOMPARE(refused.status, 1);
    QVERIFY2(refused.err.contains(QString::fromStdString(edges) + ", line 12: an edge to the unknown id 42"),
             qPrintable(refused.err));
    QVERIFY2(refused.err.contains(QStringLiteral("the release was not added: the index %1 is as it was").arg(m_index)),
             qPrintable(refused.err));
    QCOMPARE(linkvaneIndex({"referring", "--index", m_index, "rival.com"}).out, before.out);
    QCOMPARE(QDir(m_index + "-graphs").entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QString(kSampleRelease) + ".domain"});
}

void AddGraphTest::listingsOfSitesInEveryFormat()
{
    QTemporaryDir files;
    QStringList arguments{"add-graph", "--index", m_index};
    for (const std::string &file : sampleDomainFiles(files))
        arguments += QString::fromStdString(file);
    QCOMPARE(linkvaneIndex(arguments).status, 0);

    const IndexerRun csv = linkvaneIndex({"referring", "--index", m_index, "--format", "csv", "example.com"});
    QVERIFY(csv.bytes.startsWith("\xEF\xBB\xBFsite,harmonic_position,"));
    QVERIFY(csv.out.contains(u"\r\nbbc.co.uk,1,31209718,2,0.01395099273569498,2,cc-main-2025-mar-apr-may\r\n"));

    const IndexerRun json = linkvaneIndex({"gap", "--index", m_index, "--format", "json", "example.com", "rival.com",
                                           "www.rival-two.com", "--min", "2"});
    QCOMPARE(json.status, 0);
    const QJsonArray gap = QJsonDocument::fromJson(json.bytes).array();
    QCOMPARE(gap.size(), 2);
    QCOMPARE(gap[0].toObject()["site"].toString(), QStringLiteral("other.com"));
    QCOMPARE(gap[0].toObject()["linked"].toString(), QStringLiteral("rival.com rival-two.com"));
    QCOMPARE(gap[0].toObject()["competitors"].toInt(), 2);
    QVERIFY(gap[0].toObject()["harmonic_position"].isNull());

    // A host asked of a domain graph: the domain it knows is named, and nothing is listed.
    const IndexerRun host = linkvaneIndex({"referring", "--index", m_index, "blog.example.com"});
    QCOMPARE(host.status, 0);
    QCOMPARE(lines(host.out).size(), 1);
    QVERIFY2(host.err.contains(u"knows only example.com, not blog.example.com"), qPrintable(host.err));

    const IndexerRun help = linkvaneIndex({"referring", "--help"});
    QVERIFY2(help.out.startsWith(u"Usage: linkvane-index referring [--index FILE]"), qPrintable(help.out));
    QVERIFY(help.out.contains(u"--format <tsv|csv|json>"));
    QVERIFY(!help.out.contains(u"--help-all"));
    QCOMPARE(linkvaneIndex({"referring", "--index", m_index, "--format", "xml", "example.com"}).status, 2);
    QCOMPARE(linkvaneIndex({"gap", "--index", m_index, "example.com"}).status, 2);
}

void AddGraphTest::theWholeListOfAWidelyLinkedDomain()
{
    // 150,000 sites link to target.com, the first 100,000 of them ranked: as TSV, its list is
    // made in parts on several cores, each name read in one pass of all; CSV is written a cell at
    // a time. Both are the same rows in rank order, the unranked by name.
    constexpr int kSites = 150'000, kRanked = 100'000;
    std::string vertices = "0\tcom.target\t1\n", edges, ranks = ranksHeader(graph::Level::Domain);
    for (int i = 1; i <= kSites; ++i) {
        const std::string name = "org.site-" + std::to_string(i % 7) + ".s" + std::to_string(i);
        vertices += std::to_string(i) + "\t" + name + "\t" + std::to_string(i % 300) + "\n";
        edges += std::to_string(i) + "\t0\n";
        if (i <= kRanked)
            ranks += std::to_string(i) + "\t" + std::to_string(2'000'000 - 3 * i) + ".25\t" + std::to_string(kRanked + 1 - i)
                     + "\t1.0E-" + std::to_string(5 + i % 9) + "\t" + name + "\t" + std::to_string(i % 300) + "\n";
    }
    ranks += std::to_string(kRanked + 1) + "\t3.0\t" + std::to_string(kRanked + 1) + "\t1.0E-15\tcom.target\t1\n";
    QTemporaryDir files;
    const std::string release = "cc-main-2025-jan-feb-mar-domain-";
    QCOMPARE(linkvaneIndex({"add-graph", "--index", m_index,
                            QString::fromStdString(writeGraphFile(files, release + "vertices.txt.gz", vertices)),
                            QString::fromStdString(writeGraphFile(files, release + "edges.txt.gz", edges)),
                            QString::fromStdString(writeGraphFile(files, release + "ranks.txt.gz", ranks))})
                 .status,
             0);

    const IndexerRun tsv = linkvaneIndex({"referring", "--index", m_index, "target.com"});
    const IndexerRun csv = linkvaneIndex({"referring", "--index", m_index, "--format", "csv", "target.com"});
    QCOMPARE(tsv.status, 0);
    const QStringList rows = lines(tsv.out);
    QCOMPARE(rows.size(), kSites + 1);
    QCOMPARE(rows[1], QStringLiteral("s1.site-1.org\t1\t1999997.25\t100000\t0.000001\t1\tcc-main-2025-jan-feb-mar"));
    QCOMPARE(rows[kRanked], QStringLiteral("s100000.site-5.org\t100000\t1700000.25\t1\t0.000001\t100\tcc-main-2025-jan-feb-mar"));
    QCOMPARE(rows[kRanked + 1], QStringLiteral("s100002.site-0.org\t\t\t\t\t102\tcc-main-2025-jan-feb-mar"));
    QCOMPARE(rows.last(), QStringLiteral("s149995.site-6.org\t\t\t\t\t295\tcc-main-2025-jan-feb-mar"));
    QVERIFY(csv.bytes.startsWith("\xEF\xBB\xBF"));
    QCOMPARE(QString::fromUtf8(csv.bytes.mid(3)).replace(u',', u'\t').replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
             tsv.out);
}

void AddGraphTest::changesBetweenReleasesAndRemovingOne()
{
    QTemporaryDir files;
    const std::string earlier = "cc-main-2025-feb-mar-apr";
    const std::string vertices = writeGraphFile(files, earlier + "-domain-vertices.txt.gz",
                                                "0\tcom.example\t1\n1\tcom.other\t1\n2\tnet.linker\t1\n");
    const std::string edges = writeGraphFile(files, earlier + "-domain-edges.txt.gz", "1\t0\n2\t0\n");
    QStringList later{"add-graph", "--index", m_index, "--quiet"};
    for (const std::string &file : sampleDomainFiles(files))
        later += QString::fromStdString(file);
    // The newer release first: releases are put in order by their months, not by when they came.
    QCOMPARE(linkvaneIndex(later).status, 0);
    QCOMPARE(linkvaneIndex({"add-graph", "--index", m_index, "--quiet", QString::fromStdString(vertices),
                            QString::fromStdString(edges)})
                 .status,
             0);

    const IndexerRun changes = linkvaneIndex({"changes", "--index", m_index, "example.com"});
    QCOMPARE(changes.status, 0);
    QCOMPARE(lines(changes.out),
             QStringList({"kind\tchange\tdate\tsource\ttarget_url\tanchor_text\treason\tfrom_release\tto_release\t"
                          "from_harmonic_position\tto_harmonic_position",
                          "site\tgained\t\tbbc.co.uk\t\t\t\tcc-main-2025-feb-mar-apr\tcc-main-2025-mar-apr-may\t\t1",
                          "site\tgained\t\texample-shop.com\t\t\t\tcc-main-2025-feb-mar-apr\tcc-main-2025-mar-apr-may\t\t",
                          "site\tlost\t\tother.com\t\t\t\tcc-main-2025-feb-mar-apr\tcc-main-2025-mar-apr-may\t\t"}));

    const IndexerRun stats = linkvaneIndex({"stats", "--index", m_index});
    QVERIFY2(stats.out.contains(u"web graph     cc-main-2025-mar-apr-may (domain level): 8 vertices, 9 edges"),
             qPrintable(stats.out));
    QVERIFY(stats.out.contains(u"web graph     cc-main-2025-feb-mar-apr (domain level): 3 vertices, 2 edges"));

    QCOMPARE(linkvaneIndex({"remove-graph", "--index", m_index, "cc-main-2025-mar-apr-may"}).status, 0);
    QCOMPARE(lines(linkvaneIndex({"referring", "--index", m_index, "example.com"}).out).mid(1),
             QStringList({"other.com\t\t\t\t\t1\tcc-main-2025-feb-mar-apr", "linker.net\t\t\t\t\t1\tcc-main-2025-feb-mar-apr"}));
    const IndexerRun again = linkvaneIndex({"remove-graph", "--index", m_index, "cc-main-2025-mar-apr-may"});
    QCOMPARE(again.status, 1);
    QVERIFY(again.err.contains(u"holds no cc-main-2025-mar-apr-may"));

    // A release added by an earlier version, whose meta names no format, is listed with what to
    // do, and can be removed.
    writeEarlierFormatMeta(m_index + "-graphs/cc-main-2025-feb-mar-apr.domain");
    const IndexerRun old = linkvaneIndex({"stats", "--index", m_index});
    QCOMPARE(old.status, 0);
    QVERIFY2(old.out.contains(u"web graph     the release cc-main-2025-feb-mar-apr in ") && old.out.contains(u"remove it (remove-graph)"),
             qPrintable(old.out));
    QCOMPARE(linkvaneIndex({"remove-graph", "--index", m_index, "cc-main-2025-feb-mar-apr"}).status, 0);
}

QTEST_GUILESS_MAIN(AddGraphTest)
#include "tst_addgraph.moc"
