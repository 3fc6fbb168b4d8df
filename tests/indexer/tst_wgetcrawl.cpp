// A user's own crawl into the index: wget crawls a small multi-host site, which a server of the
// test serves on loopback as wget's http_proxy, twice; linkvane-index adds the WARC files it
// writes, and the backlinks listed are the site's known links.
#include "../archive/testdata.h"
#include "support/testserver.h"
#include "wgetcrawl.h"

#include <QProcess>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <set>

namespace {

constexpr int kWaitMs = 60'000;

QByteArray gbk(const QString &text)
{
    return QStringEncoder("GBK").encode(text);
}

void replyRaw(QTcpSocket *socket, const QByteArray &head, const QByteArray &body)
{
    socket->write("HTTP/1.1 " + head + "\r\n" + body);
}

// The site as its server answers: www.site.example and blog.site.example, linking to each other
// and to hosts outside. The second crawl finds the home page changed.
void serve(const QByteArray &target, QTcpSocket *socket, int crawl)
{
    const QByteArray home
        = "<html><head><title>Site &amp; Home " + QByteArray::number(crawl) + "</title></head><body>\n"
          "<a href=\"about.html\">About</a> <a href=\"/gbk.html\">GBK</a> <a href=\"chunked.html\">c</a>\n"
          "<a href=\"gzip.html\">g</a> <a href=\"/old\">old</a> <a href=\"http://blog.site.example/\">Our\n   blog</a>\n"
          "<a href=\"https://partner.example/v" + QByteArray::number(crawl) + "\">Partner <b>one</b></a>\n"
          "<a rel=\"external NoFollow\" href=\"http://friend.example/page#top\">Friend</a>\n"
          "<map name=m><area href=\"http://map.example/\" alt=\"Map area\"></map>\n"
          "<a href=\"mailto:me@site.example\">mail</a></body></html>\n";
    if (target == "http://www.site.example/") {
        TestServer::reply(socket, 200, home, "text/html");
    } else if (target == "http://www.site.example/about.html") {
        TestServer::reply(socket, 200,
                          "<html><head><base href=\"http://blog.site.example/dir/\"><title>About</title></head>"
                          "<body><a href=\"post.html\">Post</a> <a href=\"//cdn.example/x.html\">cdn</a></body></html>",
                          "text/html; charset=utf-8");
    } else if (target == "http://www.site.example/gbk.html") {
        TestServer::reply(socket, 200,
                          gbk(QStringLiteral("<html><head><meta charset=\"gb2312\"><title>中文页面</title></head><body>"
                                             "<a href=\"http://friend.example/zh\">友情链接</a></body></html>")),
                          "text/html");
    } else if (target == "http://www.site.example/chunked.html") {
        replyRaw(socket, "200 OK\r\nContent-Type: text/html\r\nTransfer-Encoding: chunked\r\n",
                 "1a\r\n<html><body><a href='http:\r\n"
                 "2a\r\n//chunk.example/'>chunked link</a></body>\r\n7\r\n</html>\r\n0\r\n\r\n");
    } else if (target == "http://www.site.example/gzip.html") {
        const std::string body = gzipped("<html><body><a href='http://gzip.example/'>gzip link</a></body></html>");
        replyRaw(socket, "200 OK\r\nContent-Type: text/html\r\nContent-Encoding: gzip\r\nContent-Length: "
                             + QByteArray::number(qsizetype(body.size())) + "\r\n",
                 QByteArray(body.data(), qsizetype(body.size())));
    } else if (target == "http://www.site.example/old") {
        replyRaw(socket, "301 Moved Permanently\r\nLocation: http://new.example/landing\r\nContent-Length: 0\r\n", "");
    } else if (target == "http://blog.site.example/") {
        TestServer::reply(socket, 200,
                          "<html><head><title>Blog</title></head><body><a href=\"http://www.site.example/\">home</a> "
                          "<a href=\"https://partner.example/blog\">partner</a></body></html>",
                          "text/html");
    } else {
        TestServer::reply(socket, 404, "<html><body>not here</body></html>");
    }
}

QStringList run(const QString &program, const QStringList &arguments, int *exitCode = nullptr)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(kWaitMs))
        qFatal("%s did not finish", qPrintable(program));
    if (exitCode)
        *exitCode = process.exitCode();
    else if (process.exitCode() != 0)
        qWarning("%s", process.readAllStandardError().constData());
    return QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

class WgetCrawlTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void backlinksAreTheSitesKnownLinks_data();
    void backlinksAreTheSitesKnownLinks();
    void addingACrawlAgainChangesNothing();

private:
    QStringList backlinks(const QString &domain);

    QTemporaryDir m_dir;
    QString m_index;
};

void WgetCrawlTest::initTestCase()
{
    int crawl = 0;
    TestServer server([&](const QByteArray &target, QTcpSocket *socket) { serve(target, socket, crawl); });
    for (crawl = 1; crawl <= 2; ++crawl) {
        // The second crawl is the later capture, however fast the first one was.
        if (crawl == 2)
            QTest::qWait(1100);
        const WgetRun wget = crawlWithWget(server, m_dir.path(),
                                           {"--mirror", "--span-hosts", "--domains=site.example", "-e", "robots=off",
                                            "--quiet", "--directory-prefix=mirror" + QString::number(crawl),
                                            "--warc-file=crawl" + QString::number(crawl), "--no-warc-keep-log",
                                            "http://www.site.example/"});
        QVERIFY2(wget.status == 0 || wget.status == 8, qPrintable(wget.err));
    }
    QVERIFY(server.targets.contains("http://blog.site.example/"));

    m_index = m_dir.filePath("index.sqlite");
    int status = -1;
    const QStringList summary = run(LINKVANE_INDEX, {"add", "--index", m_index, m_dir.filePath("crawl1.warc.gz"),
                                                     m_dir.filePath("crawl2.warc.gz")}, &status);
    QCOMPARE(status, 0);
    QVERIFY2(summary.filter("crawl2.warc.gz: ").size() == 1, qPrintable(summary.join('\n')));
    QVERIFY2(summary.filter("captured again").size() == 1, qPrintable(summary.join('\n')));
}

QStringList WgetCrawlTest::backlinks(const QString &domain)
{
    QStringList rows = run(LINKVANE_INDEX, {"backlinks", "--index", m_index, domain});
    if (rows.isEmpty() || !rows.takeFirst().startsWith("source_url\tsource_title\ttarget_url\tanchor_text\tnofollow\tcaptured\t"))
        return {"no header"};
    // The capture time is the crawl's; the rest is the site's.
    for (QString &row : rows)
        row = row.section(u'\t', 0, 4);
    rows.sort();
    return rows;
}

void WgetCrawlTest::backlinksAreTheSitesKnownLinks_data()
{
    QTest::addColumn<QString>("domain");
    QTest::addColumn<QStringList>("rows"); // sorted, without the capture time
    const QString home = "http://www.site.example/\tSite & Home 2\t";
    QTest::newRow("https target, the later capture's link and title")
        << "partner.example"
        << QStringList{"http://blog.site.example/\tBlog\thttps://partner.example/blog\tpartner\t0",
                       home + "https://partner.example/v2\tPartner one\t0"};
    QTest::newRow("nofollow, fragment dropped; a GBK page with <meta charset>")
        << "Friend.Example"
        << QStringList{home + "http://friend.example/page\tFriend\t1",
                       QStringLiteral("http://www.site.example/gbk.html\t中文页面\thttp://friend.example/zh\t友情链接\t0")};
    QTest::newRow("area") << "map.example" << QStringList{home + "http://map.example/\tMap area\t0"};
    QTest::newRow("<base href> on another host, relative links resolved against it")
        << "blog.site.example"
        << QStringList{"http://www.site.example/\tSite & Home 2\thttp://blog.site.example/\tOur blog\t0",
                       "http://www.site.example/about.html\tAbout\thttp://blog.site.example/dir/post.html\tPost\t0"};
    QTest::newRow("protocol-relative") << "cdn.example"
                                       << QStringList{"http://www.site.example/about.html\tAbout\thttp://cdn.example/x.html\tcdn\t0"};
    QTest::newRow("chunked body") << "chunk.example"
                                  << QStringList{"http://www.site.example/chunked.html\t\thttp://chunk.example/\tchunked link\t0"};
    QTest::newRow("gzip body") << "gzip.example"
                               << QStringList{"http://www.site.example/gzip.html\t\thttp://gzip.example/\tgzip link\t0"};
    QTest::newRow("redirect") << "new.example"
                              << QStringList{"http://www.site.example/old\t\thttp://new.example/landing\t(redirect)\t0"};
    QTest::newRow("a host of the site, from another") << "www.site.example"
                                                      << QStringList{"http://blog.site.example/\tBlog\thttp://www.site.example/\thome\t0"};
    QTest::newRow("the site's links among its own hosts are none of its backlinks") << "site.example" << QStringList{};
}

void WgetCrawlTest::backlinksAreTheSitesKnownLinks()
{
    QFETCH(QString, domain);
    QFETCH(QStringList, rows);
    QCOMPARE(backlinks(domain), rows);
}

void WgetCrawlTest::addingACrawlAgainChangesNothing()
{
    QStringList before;
    for (const char *domain : {"partner.example", "friend.example", "blog.site.example"})
        before += run(LINKVANE_INDEX, {"backlinks", "--index", m_index, domain});
    int status = -1;
    run(LINKVANE_INDEX, {"add", "--quiet", "--index", m_index, m_dir.filePath("crawl1.warc.gz"), m_dir.filePath("crawl2.warc.gz")},
        &status);
    QCOMPARE(status, 0);
    QStringList after;
    for (const char *domain : {"partner.example", "friend.example", "blog.site.example"})
        after += run(LINKVANE_INDEX, {"backlinks", "--index", m_index, domain});
    QCOMPARE(after, before);
}

QTEST_GUILESS_MAIN(WgetCrawlTest)
#include "tst_wgetcrawl.moc"
