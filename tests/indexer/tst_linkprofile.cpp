// A domain's link profile as a user lists it: referring domains by the public suffix list,
// anchors and linked pages, over a link list of others' pages and a crawl of the user's own site.
#include "../archive/testdata.h"
#include "../graph/graphfiles.h"
#include "indexerruns.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Others' pages linking to t.example: two blogs on one blogging host, a site under a suffix of
// two labels through three of its hosts, an IP address, and a page of t.example itself.
const char *const kLinks = "source_url\tsource_title\ttarget_url\tanchor_text\tnofollow\tcaptured\n"
                           "http://a.blogspot.com/1\tA1\thttp://t.example/x\tHello\t0\t2024-01-01T00:00:00Z\n"
                           "http://a.blogspot.com/2\tA2\thttp://t.example/x\tHello\t0\t2024-01-05T00:00:00Z\n"
                           "http://a.blogspot.com/2\tA2\thttp://t.example/y\tOther\t1\t2024-01-05T00:00:00Z\n"
                           "http://b.blogspot.com/1\tB1\thttp://www.t.example/x\tHello\t1\t2024-02-01T00:00:00Z\n"
                           "http://www.bbc.co.uk/n\tN\thttp://t.example/y\tNews\t0\t2024-03-01T00:00:00Z\n"
                           "http://news.bbc.co.uk/m\tM\thttp://shop.t.example/\tNews\t0\t2024-04-01T00:00:00Z\n"
                           "http://bbc.co.uk/z\tZ\thttp://t.example/x\tHello\t0\t2024-05-01T00:00:00Z\n"
                           "http://127.0.0.1/\tIP\thttp://t.example/x\tHello\t0\t2024-06-01T00:00:00Z\n"
                           "http://blog.t.example/own\tOwn\thttp://t.example/x\tSelf\t0\t2024-07-01T00:00:00Z\n";

const QStringList kDomains{
    "domain\tpages\tlinks\tdofollow_links\tfirst_seen\tlast_seen\ttop_anchor\tharmonic_position",
    "bbc.co.uk\t3\t3\t3\t2024-03-01T00:00:00Z\t2024-05-01T00:00:00Z\tNews\t",
    "a.blogspot.com\t2\t3\t2\t2024-01-01T00:00:00Z\t2024-01-05T00:00:00Z\tHello\t",
    "127.0.0.1\t1\t1\t1\t2024-06-01T00:00:00Z\t2024-06-01T00:00:00Z\tHello\t",
    "b.blogspot.com\t1\t1\t0\t2024-02-01T00:00:00Z\t2024-02-01T00:00:00Z\tHello\t"};

} // namespace

class LinkProfileTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void referringDomainsByThePublicSuffixList_data();
    void referringDomainsByThePublicSuffixList();
    void domainsInOrderAndAsADisavowFile();
    void anchorsAndTargetsInOrderInEveryFormat();
    void harmonicPositionFromTheNewestRelease();
    void usageErrors_data();
    void usageErrors();

private:
    QTemporaryDir m_dir;
    QString m_index;
};

void LinkProfileTest::initTestCase()
{
    m_index = m_dir.filePath("index.sqlite");
    const QString list = writeFile(m_dir.filePath("links.tsv"), kLinks);
    // The user's own crawl: one page, and one that now redirects elsewhere.
    const QString crawl = writeFile(
        m_dir.filePath("own.warc"),
        pageRecord("http://t.example/x", "2024-08-01T00:00:00Z", {"http://elsewhere.example/"})
            + warcRecord("WARC-Type: response\r\nWARC-Target-URI: http://t.example/y\r\nWARC-Date: 2024-08-01T00:00:00Z\r\n",
                         "HTTP/1.1 301 Moved Permanently\r\nLocation: https://new.example/y\r\n\r\n"));
    const IndexerRun add = linkvaneIndex({"add", "--index", m_index, "--quiet", list, crawl});
    QVERIFY2(add.status == 0, qPrintable(add.err));
}

void LinkProfileTest::referringDomainsByThePublicSuffixList_data()
{
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QString>("row"); // empty: not listed
    QTest::newRow("two blogs on one blogging host are two domains") << "a.blogspot.com" << kDomains[2];
    QTest::newRow("the other blog, its one link nofollow") << "b.blogspot.com" << kDomains[4];
    QTest::newRow("www and subdomains under co.uk are one domain") << "bbc.co.uk" << kDomains[1];
    QTest::newRow("a suffix alone is no domain") << "co.uk" << QString();
    QTest::newRow("an IP address is its own domain") << "127.0.0.1" << kDomains[3];
    QTest::newRow("an IP address is not cut by the list") << "0.1" << QString();
    QTest::newRow("pages on the domain itself are left out") << "t.example" << QString();
}

void LinkProfileTest::referringDomainsByThePublicSuffixList()
{
    QFETCH(QString, domain);
    QFETCH(QString, row);
    const IndexerRun listed = linkvaneIndex({"domains", "--index", m_index, "t.example"});
    QCOMPARE(listed.status, 0);
    const QStringList found = lines(listed.out).filter(QRegularExpression('^' + QRegularExpression::escape(domain) + '\t'));
    QCOMPARE(found, row.isEmpty() ? QStringList() : QStringList{row});
}

void LinkProfileTest::domainsInOrderAndAsADisavowFile()
{
    const IndexerRun tsv = linkvaneIndex({"domains", "--index", m_index, "t.example"});
    QCOMPARE(lines(tsv.out), kDomains);
    // Asked for a host under the domain, only links to that host count.
    QCOMPARE(lines(linkvaneIndex({"domains", "--index", m_index, "shop.t.example"}).out).mid(1),
             QStringList{"bbc.co.uk\t1\t1\t1\t2024-04-01T00:00:00Z\t2024-04-01T00:00:00Z\tNews\t"});

    const IndexerRun disavow = linkvaneIndex({"domains", "--index", m_index, "--format", "disavow", "t.example"});
    QCOMPARE(disavow.status, 0);
    QCOMPARE(disavow.out, QStringLiteral("domain:bbc.co.uk\ndomain:a.blogspot.com\ndomain:127.0.0.1\ndomain:b.blogspot.com\n"));
    const IndexerRun none = linkvaneIndex({"domains", "--index", m_index, "--format", "disavow", "nobody.example"});
    QCOMPARE(none.status, 0);
    QCOMPARE(none.out, QString());
}

void LinkProfileTest::anchorsAndTargetsInOrderInEveryFormat()
{
    const IndexerRun csv = linkvaneIndex({"anchors", "--index", m_index, "--format", "csv", "t.example"});
    QCOMPARE(csv.status, 0);
    QCOMPARE(csv.bytes, QByteArray("\xEF\xBB\xBF"
                                   "anchor_text,links,pages,domains\r\nHello,5,5,4\r\nNews,2,2,1\r\nOther,1,1,1\r\n"));

    const IndexerRun json = linkvaneIndex({"targets", "--index", m_index, "--format", "json", "t.example"});
    QCOMPARE(json.status, 0);
    const QJsonArray rows = QJsonDocument::fromJson(json.bytes).array();
    QStringList found;
    for (const QJsonValue &row : rows) {
        const QJsonObject object = row.toObject();
        found += QStringLiteral("%1 %2 %3 %4")
                     .arg(object["target_url"].toString())
                     .arg(object["pages"].toInt())
                     .arg(object["domains"].toInt())
                     .arg(object["status"].isNull() ? QStringLiteral("none") : object["status"].toVariant().toString());
    }
    QCOMPARE(found, QStringList({"http://t.example/x 4 3 200", "http://t.example/y 2 2 redirect",
                                 "http://shop.t.example/ 1 1 none", "http://www.t.example/x 1 1 none"}));
}

void LinkProfileTest::harmonicPositionFromTheNewestRelease()
{
    QTemporaryDir files;
    QStringList arguments{"add-graph", "--index", m_index, "--quiet"};
    for (const std::string &file : sampleDomainFiles(files))
        arguments += QString::fromStdString(file);
    QCOMPARE(linkvaneIndex(arguments).status, 0);
    const IndexerRun listed = linkvaneIndex({"domains", "--index", m_index, "--format", "json", "t.example"});
    QCOMPARE(listed.status, 0);
    const QJsonArray rows = QJsonDocument::fromJson(listed.bytes).array();
    QCOMPARE(rows.size(), 4);
    // bbc.co.uk ranks first in the sample release; the blogs are not in it.
    QCOMPARE(rows[0].toObject()["domain"].toString(), QStringLiteral("bbc.co.uk"));
    QCOMPARE(rows[0].toObject()["harmonic_position"].toInt(), 1);
    QVERIFY(rows[1].toObject()["harmonic_position"].isNull());
    QCOMPARE(linkvaneIndex({"remove-graph", "--index", m_index, kSampleRelease}).status, 0);
}

void LinkProfileTest::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said");
    QTest::newRow("disavow is a format of domains only") << QStringList{"anchors", "--format", "disavow", "t.example"} << 2
                                                         << "--format is tsv, csv or json, not disavow";
    QTest::newRow("unknown format") << QStringList{"domains", "--format", "xml", "t.example"} << 2
                                    << "--format is tsv, csv, json or disavow, not xml";
    QTest::newRow("no domain") << QStringList{"targets"} << 2 << "targets needs one DOMAIN";
    QTest::newRow("not a domain") << QStringList{"domains", "--index", "INDEX", "a b"} << 1 << "\"a b\" is not a domain";
    QTest::newRow("no index") << QStringList{"anchors", "--index", "MISSING", "t.example"} << 1 << "there is no index";
}

void LinkProfileTest::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, said);
    arguments.replaceInStrings(QStringLiteral("MISSING"), m_dir.filePath("missing.sqlite"));
    arguments.replaceInStrings(QStringLiteral("INDEX"), m_index);
    const IndexerRun run = linkvaneIndex(arguments);
    QCOMPARE(run.status, status);
    QVERIFY2(run.err.contains(said), qPrintable(run.err));
}

QTEST_GUILESS_MAIN(LinkProfileTest)
#include "tst_linkprofile.moc"
