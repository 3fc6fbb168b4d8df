// linkvane-index as a user runs it: inputs of every kind it reads, inputs that are damaged or no
// archive at all, what it says and what it leaves in the index, and its listings.
#include "../archive/testdata.h"
#include "indexerruns.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A WAT metadata record as Common Crawl writes them, of a response record.
std::string watRecord(const std::string &url, const QJsonObject &httpResponseMetadata)
{
    const QJsonObject envelope{
        {"Format", "WARC"},
        {"WARC-Header-Length", "372"},
        {"Block-Digest", "sha1:ZZ5D7VW3CCX5ZD3N4DDR6EZL4X3OKSSG"},
        {"Actual-Content-Length", "5120"},
        {"WARC-Header-Metadata",
         QJsonObject{{"WARC-Type", "response"},
                     {"WARC-Date", "2024-05-18T01:58:10Z"},
                     {"WARC-Record-ID", "<urn:uuid:0c0b0e5e-4f33-4c47-9b8c-3d1d3bd37c2a>"},
                     {"Content-Length", "5120"},
                     {"Content-Type", "application/http; msgtype=response"},
                     {"WARC-Target-URI", QString::fromStdString(url)}}},
        {"Payload-Metadata",
         QJsonObject{{"Actual-Content-Type", "application/http; msgtype=response"},
                     {"HTTP-Response-Metadata", httpResponseMetadata}}}};
    const QJsonObject json{
        {"Container", QJsonObject{{"Filename", "CC-MAIN-20240518-00000.warc.gz"}, {"Compressed", true}, {"Offset", "0"}}},
        {"Envelope", envelope}};
    return warcRecord("WARC-Type: metadata\r\nWARC-Target-URI: " + url
                          + "\r\nWARC-Date: 2024-05-18T02:00:00Z\r\nWARC-Record-ID: <urn:uuid:1>\r\n"
                            "WARC-Refers-To: <urn:uuid:0c0b0e5e-4f33-4c47-9b8c-3d1d3bd37c2a>\r\n"
                            "Content-Type: application/json\r\n",
                      QJsonDocument(json).toJson(QJsonDocument::Compact).toStdString());
}

QJsonObject watLink(const char *path, const char *url, const char *text = nullptr, const char *rel = nullptr)
{
    QJsonObject link{{"path", path}, {"url", url}};
    if (text)
        link["text"] = text;
    if (rel)
        link["rel"] = rel;
    return link;
}

} // namespace

class LinkvaneIndexTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void watRecordsGiveTheirPagesLinks();
    void archivesInEveryPackingReadAlike_data();
    void archivesInEveryPackingReadAlike();
    void damagedInputKeepsWhatCameBeforeTheDamage_data();
    void damagedInputKeepsWhatCameBeforeTheDamage();
    void inputThatIsNoArchiveAddsNothingAndTheOthersGoIn();
    void listingsInEveryFormat();
    void titlesAndAnchorsReadTheirReferencesAsBrowsersDo_data();
    void titlesAndAnchorsReadTheirReferencesAsBrowsersDo();
    void listWrittenByBacklinksReadsBackTheSame();
    void usageErrorsAndHelp_data();
    void usageErrorsAndHelp();

private:
    QString write(const QString &name, const std::string &bytes) { return writeFile(m_dir->filePath(name), bytes); }
    QStringList sources(const QString &domain) { return backlinkSources(m_index, domain); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_index;
};

void LinkvaneIndexTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_index = m_dir->filePath("index.sqlite");
}

void LinkvaneIndexTest::watRecordsGiveTheirPagesLinks()
{
    const QJsonObject html{
        {"Response-Message", QJsonObject{{"Version", "HTTP/1.1"}, {"Status", "200"}, {"Reason", "OK"}}},
        {"Headers", QJsonObject{{"content-type", "text/html; charset=UTF-8"}, {"Server", "nginx"}}},
        {"Headers-Length", "250"},
        {"Entity-Length", "4870"},
        {"HTML-Metadata",
         QJsonObject{{"Head", QJsonObject{{"Title", "  A   page &amp; more "}, {"Base", "http://base.example/dir/"}}},
                     {"Links", QJsonArray{watLink("A@/href", "rel.html", "Relative"), watLink("IMG@/src", "http://img.example/i.png"),
                                          watLink("A@/href", "http://target.example/x#frag", "Follow me"),
                                          watLink("A@/href", "https://target.example/n", "No", "external nofollow"),
                                          watLink("AREA@/href", "http://area.example/")}}}}};
    const QJsonObject redirect{
        {"Response-Message", QJsonObject{{"Version", "HTTP/1.1"}, {"Status", "301"}}},
        {"Headers", QJsonObject{{"Location", "http://target.example/moved"}}}};
    const QJsonObject notFound{{"Response-Message", QJsonObject{{"Status", "404"}}}, {"Headers", QJsonObject{}}};
    const std::string wat = warcRecord("WARC-Type: warcinfo\r\nContent-Type: application/warc-fields\r\n", "software: test\r\n")
                            + watRecord("http://a.example/page", html) + watRecord("http://b.example/old", redirect)
                            + watRecord("http://c.example/gone", notFound);
    // Common Crawl's WAT files: a gzip member a record.
    const QString path = write("CC-MAIN-20240518-00000.warc.wat.gz", perRecordGzip({wat}));
    const IndexerRun add = linkvaneIndex({"add", "--index", m_index, path});
    QCOMPARE(add.status, 0);
    // The 404 is a capture of a page that is gone.
    QVERIFY2(add.out.contains("4 records read, 3 pages added"), qPrintable(add.out));
    QVERIFY2(!add.out.contains("responses with a status"), qPrintable(add.out));

    const IndexerRun listed = linkvaneIndex({"backlinks", "--index", m_index, "target.example"});
    QStringList rows = listed.out.split('\n', Qt::SkipEmptyParts).mid(1);
    for (QString &row : rows)
        row = row.section('\t', 0, 7);
    QCOMPARE(rows, (QStringList{"http://a.example/page\tA page & more\thttp://target.example/x\tFollow me\t0\t2024-05-18T01:58:10Z\t\ttext",
                                "http://b.example/old\t\thttp://target.example/moved\t(redirect)\t0\t2024-05-18T01:58:10Z\t\tredirect"}));
    QCOMPARE(sources("base.example"), QStringList{"http://a.example/page"});
    QCOMPARE(sources("area.example"), QStringList{"http://a.example/page"});
    QCOMPARE(sources("img.example"), QStringList{});
}

void LinkvaneIndexTest::archivesInEveryPackingReadAlike_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("packing");
    QTest::newRow("plain") << "crawl.warc" << 0;
    QTest::newRow("a gzip member a record") << "crawl.warc.gz" << 1;
    QTest::newRow("the whole file in one gzip member") << "crawl.warc.gz" << 2;
    QTest::newRow("zstd") << "crawl.warc.zst" << 3;
    QTest::newRow("gzip under a name that says nothing") << "crawl.data" << 1;
    QTest::newRow("standard input") << "-" << 1;
}

void LinkvaneIndexTest::archivesInEveryPackingReadAlike()
{
    QFETCH(QString, name);
    QFETCH(int, packing);
    const std::vector<std::string> records{pageRecord("http://a.example/", "2024-01-01T00:00:00Z", {"http://t.example/1"}),
                                           pageRecord("http://b.example/", "2024-01-01T00:00:01Z", {"http://t.example/2"})};
    std::string bytes;
    for (const std::string &record : records)
        bytes += record;
    if (packing == 1)
        bytes = perRecordGzip(records);
    else if (packing == 2)
        bytes = gzipped(bytes);
    else if (packing == 3)
        bytes = zstdFramed(bytes);
    const IndexerRun add = name == "-" ? linkvaneIndex({"add", "--index", m_index, "-"}, QByteArray::fromStdString(bytes))
                                : linkvaneIndex({"add", "--index", m_index, write(name, bytes)});
    QVERIFY2(add.status == 0, qPrintable(add.err));
    QCOMPARE(sources("t.example"), (QStringList{"http://a.example/", "http://b.example/"}));
}

void LinkvaneIndexTest::damagedInputKeepsWhatCameBeforeTheDamage_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("why");
    const std::string first = pageRecord("http://a.example/", "2024-01-01T00:00:00Z", {"http://t.example/"});
    const std::string second = pageRecord("http://b.example/", "2024-01-01T00:00:01Z", {"http://t.example/"});
    const std::string gzip = perRecordGzip({first, second});
    QTest::newRow("last gzip member cut short") << QByteArray::fromStdString(gzip.substr(0, gzip.size() - 30))
                                                << "gzip";
    std::string overlong = first + second;
    overlong.insert(first.size() + second.find("Content-Length: ") + 16, "9");
    QTest::newRow("Content-Length past the end") << QByteArray::fromStdString(overlong) << "Content-Length";
    QTest::newRow("no WARC after the first record") << QByteArray::fromStdString(first + "<html>garbage</html>")
                                                    << "WARC";
}

void LinkvaneIndexTest::damagedInputKeepsWhatCameBeforeTheDamage()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, why);
    const QString path = write("damaged.warc.gz", bytes.toStdString());
    const IndexerRun add = linkvaneIndex({"add", "--index", m_index, path});
    QCOMPARE(add.status, 1);
    QVERIFY2(add.err.contains(path + ": ") && add.err.contains(why) && add.err.contains("byte"), qPrintable(add.err));
    QCOMPARE(sources("t.example"), QStringList{"http://a.example/"});
}

void LinkvaneIndexTest::inputThatIsNoArchiveAddsNothingAndTheOthersGoIn()
{
    const QString earlier = write("earlier.warc", pageRecord("http://e.example/", "2023-01-01T00:00:00Z", {"http://t.example/"}));
    QCOMPARE(linkvaneIndex({"add", "--index", m_index, earlier}).status, 0);

    const QString text = write("notes.txt", "These are my notes, not an archive.\n");
    const QString missing = m_dir->filePath("missing.warc.gz");
    const QString good = write("good.warc", pageRecord("http://g.example/", "2024-01-01T00:00:00Z", {"http://t.example/"}));
    const IndexerRun add = linkvaneIndex({"add", "--index", m_index, text, missing, good});
    QCOMPARE(add.status, 1);
    QVERIFY2(add.err.contains(text + ": not a web archive (WARC or WAT) or a link list: it starts with \"These are my notes"),
             qPrintable(add.err));
    QVERIFY2(add.err.contains(missing + ": "), qPrintable(add.err));
    QCOMPARE(sources("t.example"), (QStringList{"http://e.example/", "http://g.example/"}));
    const IndexerRun stats = linkvaneIndex({"stats", "--index", m_index});
    QVERIFY2(stats.out.contains(QRegularExpression("inputs +2\n")), qPrintable(stats.out));
}

void LinkvaneIndexTest::listingsInEveryFormat()
{
    const std::string html = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n\r\n"
                             "<title>茶, \"点心\" &amp; more</title><a href=\"http://t.example/?a=1&amp;b=2\" rel=nofollow>链接</a>";
    const QString path = write("one.warc", warcRecord("WARC-Type: response\r\nWARC-Target-URI: <http://a.example/>\r\n"
                                                      "WARC-Date: 2024-02-03T04:05:06.5Z\r\n",
                                                      html));
    QCOMPARE(linkvaneIndex({"add", "--index", m_index, path}).status, 0);

    const IndexerRun tsv = linkvaneIndex({"backlinks", "--index", m_index, "t.example"});
    QCOMPARE(tsv.out, QStringLiteral("source_url\tsource_title\ttarget_url\tanchor_text\tnofollow\tcaptured\trel\ttype\t"
                                     "first_seen\tlast_seen\tlost\tlost_reason\n"
                                     "http://a.example/\t茶, \"点心\" & more\thttp://t.example/?a=1&b=2\t链接\t1\t2024-02-03T04:05:06.5Z\t"
                                     "nofollow\ttext\t2024-02-03T04:05:06.5Z\t2024-02-03T04:05:06.5Z\t0\t\n"));
    const IndexerRun csv = linkvaneIndex({"backlinks", "--index", m_index, "--format", "csv", "t.example"});
    QCOMPARE(csv.bytes, QStringLiteral("\uFEFFsource_url,source_title,target_url,anchor_text,nofollow,captured,rel,type,"
                                       "first_seen,last_seen,lost,lost_reason\r\n"
                                       "http://a.example/,\"茶, \"\"点心\"\" & more\",http://t.example/?a=1&b=2,链接,1,2024-02-03T04:05:06.5Z,"
                                       "nofollow,text,2024-02-03T04:05:06.5Z,2024-02-03T04:05:06.5Z,0,\r\n")
                            .toUtf8());
    const IndexerRun json = linkvaneIndex({"backlinks", "--index", m_index, "--format", "json", "t.example"});
    const QJsonArray rows = QJsonDocument::fromJson(json.out.toUtf8()).array();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0].toObject()["source_title"].toString(), QStringLiteral("茶, \"点心\" & more"));
    QCOMPARE(rows[0].toObject()["nofollow"].toBool(), true);
    QCOMPARE(rows[0].toObject()["lost"].toBool(), false);
    QVERIFY(rows[0].toObject()["lost_reason"].isNull());
    const IndexerRun none = linkvaneIndex({"backlinks", "--index", m_index, "--format", "json", "nobody.example"});
    QCOMPARE(none.status, 0);
    QCOMPARE(QJsonDocument::fromJson(none.out.toUtf8()).array().size(), 0);
}

void LinkvaneIndexTest::titlesAndAnchorsReadTheirReferencesAsBrowsersDo_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("anchor");
    QTest::addColumn<QString>("href");
    QTest::addColumn<QString>("listed"); // title, target URL and anchor text as backlinks lists them
    QTest::newRow("upper-case legacy names") << "UPPER &AMP; CASE &COPY;" << "&LT;new&GT; &QUOT;x&QUOT;"
                                             << "http://t.example/" << "UPPER & CASE ©\thttp://t.example/\t<new> \"x\"";
    QTest::newRow("longest match and names without \";\"") << "&notin; &notit; &amp more" << "&copy 2024"
                                                            << "http://t.example/?a=1&copy=2&not=3"
                                                            << "∉ ¬it; & more\thttp://t.example/?a=1&copy=2&not=3\t© 2024";
    QTest::newRow("numbers") << "&#128;&#0;&#xD800;&#x41" << "a&#10;&#9; b" << "http://t.example/&#x3F;q"
                             << "€\uFFFD\uFFFDA\thttp://t.example/?q\ta b";
}

// A title and an anchor through every step a page takes into the index and out of it, from a
// WARC and from a WAT, which gives them as the page wrote them.
void LinkvaneIndexTest::titlesAndAnchorsReadTheirReferencesAsBrowsersDo()
{
    QFETCH(QString, title);
    QFETCH(QString, anchor);
    QFETCH(QString, href);
    QFETCH(QString, listed);
    const std::string html = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n\r\n<title>" + title.toStdString()
                             + "</title><a href=\"" + href.toStdString() + "\">" + anchor.toStdString() + "</a>";
    const QJsonObject wat{{"Response-Message", QJsonObject{{"Status", "200"}}},
                          {"Headers", QJsonObject{{"Content-Type", "text/html"}}},
                          {"HTML-Metadata", QJsonObject{{"Head", QJsonObject{{"Title", title}}},
                                                        {"Links", QJsonArray{QJsonObject{{"path", "A@/href"},
                                                                                         {"url", href},
                                                                                         {"text", anchor}}}}}}};
    const QString warcPath = write("page.warc", warcRecord("WARC-Type: response\r\nWARC-Target-URI: <http://a.example/>\r\n"
                                                           "WARC-Date: 2024-02-03T04:05:06Z\r\n",
                                                           html));
    const QString watPath = write("page.wat", watRecord("http://b.example/", wat));
    QCOMPARE(linkvaneIndex({"add", "--index", m_index, warcPath, watPath}).status, 0);

    const QStringList rows = linkvaneIndex({"backlinks", "--index", m_index, "t.example"}).out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[1].section('\t', 1, 3), listed);
    // A WAT gives the title and anchor as the page wrote them; its URLs are its own parser's.
    const auto titleAndAnchor = [](const QString &row, int first) {
        return QStringList{row.section('\t', first, first), row.section('\t', first + 2, first + 2)};
    };
    QCOMPARE(titleAndAnchor(rows[2], 1), titleAndAnchor(listed, 0));
}

void LinkvaneIndexTest::listWrittenByBacklinksReadsBackTheSame()
{
    std::string archive;
    for (int i = 0; i < 30; ++i)
        archive += pageRecord("http://s" + std::to_string(i % 7) + ".example/" + std::to_string(i),
                        "2024-01-01T00:00:0" + std::to_string(i % 3) + "Z", {"http://t.example/" + std::to_string(i)});
    QCOMPARE(linkvaneIndex({"add", "--index", m_index, write("a.warc", archive)}).status, 0);
    const IndexerRun listed = linkvaneIndex({"backlinks", "--index", m_index, "t.example"});
    const QString copy = m_dir->filePath("copy.sqlite");
    QCOMPARE(linkvaneIndex({"add", "--index", copy, write("list.tsv", listed.out.toStdString())}).status, 0);
    QCOMPARE(linkvaneIndex({"backlinks", "--index", copy, "t.example"}).out, listed.out);
}

void LinkvaneIndexTest::usageErrorsAndHelp_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("said"); // on standard output for help, standard error otherwise
    QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: linkvane-index COMMAND";
    QTest::newRow("help of a command") << QStringList{"add", "--help"} << 0 << "--threads";
    QTest::newRow("version") << QStringList{"--version"} << 0 << "linkvane-index 8.7";
    QTest::newRow("no command") << QStringList{} << 2 << "Usage:";
    QTest::newRow("unknown command") << QStringList{"remove", "x"} << 2 << "no command \"remove\"";
    QTest::newRow("add without inputs") << QStringList{"add"} << 2 << "at least one INPUT";
    QTest::newRow("unknown format") << QStringList{"backlinks", "--format", "xml", "a.example"} << 2 << "--format";
    QTest::newRow("no threads") << QStringList{"add", "--threads", "0", "x.warc"} << 2 << "--threads";
    QTest::newRow("unknown option") << QStringList{"stats", "--colour"} << 2 << "colour";
}

void LinkvaneIndexTest::usageErrorsAndHelp()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, said);
    const IndexerRun run = linkvaneIndex(arguments);
    QCOMPARE(run.status, status);
    const QString text = status == 0 ? run.out : run.err;
    QVERIFY2(text.contains(said), qPrintable(text));
}

QTEST_GUILESS_MAIN(LinkvaneIndexTest)
#include "tst_linkvaneindex.moc"
