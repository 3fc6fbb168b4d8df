// A domain's link history as a user builds it: wget crawls a small site three times, a month
// apart (its clock set by faketime), the site changing between crawls; linkvane-index adds the
// three WARC files in every order, and what it lists of the links' history is the site's story,
// whatever the order.
#include "indexerruns.h"
#include "support/testserver.h"
#include "wgetcrawl.h"

#include <QHash>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <libxml/HTMLparser.h>
#include <libxml/xpath.h>

#include <algorithm>
#include <array>
#include <memory>

namespace {

// When each crawl ran, as faketime takes it and as the WARC records then say it.
const std::array<QString, 3> kClocks{"2026-09-01 12:00:00", "2026-10-01 12:00:00", "2026-11-01 12:00:00"};
const QString kSep = "2026-09-01T12:00:00Z";
const QString kOct = "2026-10-01T12:00:00Z";
const QString kNov = "2026-11-01T12:00:00Z";

// The pages of blog.test that its home page links to in every crawl.
const char *const kBlogPages[] = {"added",  "removed",  "gone", "withdrawn", "moved",    "to-shop",
                                  "hidden", "comeback", "logo", "sponsored", "nofollow", "discontinued"};

QByteArray html(const QByteArray &title, const QByteArray &body, const QByteArray &head = {})
{
    return "<!DOCTYPE html><html><head><title>" + title + "</title>" + head + "</head><body>" + body
           + "</body></html>\n";
}

QByteArray anchor(const QByteArray &url, const QByteArray &text, const QByteArray &rel = {})
{
    return "<a href=\"" + url + "\"" + (rel.isEmpty() ? QByteArray() : " rel=\"" + rel + "\"") + ">" + text + "</a>";
}

void redirect(QTcpSocket *socket, const QByteArray &location)
{
    socket->write("HTTP/1.1 301 Moved Permanently\r\nLocation: " + location + "\r\nContent-Length: 0\r\n\r\n");
}

// blog.test and forum.test, linking to shop.test, as crawl (1 to 3) finds them: every page of the
// blog stands for one thing that happens to a link.
void serveSite(const QByteArray &target, QTcpSocket *socket, int crawl)
{
    const auto page = [socket](const QByteArray &title, const QByteArray &body, const QByteArray &head = {}) {
        TestServer::reply(socket, 200, html(title, body, head));
    };
    if (target == "http://blog.test/") {
        QByteArray body = anchor("https://shop.test/", "Our shop") + " " + anchor("http://forum.test/", "Forum");
        for (const char *name : kBlogPages)
            body += " " + anchor(QByteArray("/") + name + ".html", name);
        // The third crawl no longer reaches the orphan.
        if (crawl < 3)
            body += " " + anchor("/orphan.html", "orphan");
        page("Blog", body);
    } else if (target == "http://blog.test/added.html") {
        page("Added", crawl >= 2 ? anchor("https://shop.test/new", "New arrivals") : "<p>Soon.</p>");
    } else if (target == "http://blog.test/removed.html") {
        page("Removed", crawl == 1 ? anchor("https://shop.test/old", "Old offer") : "<p>Sold out.</p>");
    } else if (target == "http://blog.test/gone.html") {
        if (crawl < 3)
            page("Gone", anchor("https://shop.test/gone", "Gone soon"));
        else
            TestServer::reply(socket, 404, html("Not found", "<p>No such page.</p>"));
    } else if (target == "http://blog.test/withdrawn.html") {
        if (crawl < 3)
            page("Withdrawn", anchor("https://shop.test/withdrawn", "Withdrawn"));
        else
            TestServer::reply(socket, 410, html("Gone", "<p>Withdrawn for good.</p>"));
    } else if (target == "http://blog.test/moved.html") {
        // wget follows the redirect and fetches the home page again: two captures of one page at
        // one moment.
        if (crawl < 3)
            page("Moved", anchor("https://shop.test/moved", "Moved item"));
        else
            redirect(socket, "http://blog.test/");
    } else if (target == "http://blog.test/to-shop.html") {
        if (crawl < 3)
            page("To shop", anchor("https://shop.test/offer", "Shop offer"));
        else
            redirect(socket, "http://shop.test/landing");
    } else if (target == "http://blog.test/discontinued.html") {
        // To a page of the shop that is no more.
        redirect(socket, "http://shop.test/discontinued");
    } else if (target == "http://blog.test/hidden.html") {
        page("Hidden", anchor("https://shop.test/hidden", "Hidden deal"),
             crawl == 3 ? "<meta name=\"robots\" content=\"noindex\">" : "");
    } else if (target == "http://blog.test/comeback.html") {
        page("Comeback", crawl != 2 ? anchor("https://shop.test/back", "Back again") : "<p>Away.</p>");
    } else if (target == "http://blog.test/orphan.html") {
        page("Orphan", anchor("https://shop.test/orphan", "Orphan link"));
    } else if (target == "http://blog.test/logo.html") {
        page("Logo", "<a href=\"https://shop.test/\"><img src=\"/logo.png\" alt=\"Logo\"></a>");
    } else if (target == "http://blog.test/sponsored.html") {
        page("Sponsored", anchor("https://shop.test/promo", "Promo", "sponsored"));
    } else if (target == "http://blog.test/nofollow.html") {
        page("Nofollow", anchor("https://shop.test/private", "Private", "nofollow"));
    } else if (target == "http://shop.test/landing") {
        // wget follows a redirect to any host.
        page("Shop", "<p>Welcome.</p>");
    } else if (target == "http://forum.test/") {
        page("Forum", anchor("http://www.shop.test/", "www shop", "ugc") + " " + anchor("/thread.html", "thread"));
    } else if (target == "http://forum.test/thread.html") {
        page("Thread", anchor("https://shop.test/review", "great shop", "ugc nofollow"));
    } else {
        TestServer::reply(socket, 404, html("Not found", "<p>No such page.</p>"));
    }
}

// A TSV listing's rows as fields by column name; a failed run comes back as one row saying why.
QList<QHash<QString, QString>> records(const IndexerRun &run)
{
    QStringList rows = lines(run.out);
    if (run.status != 0 || rows.isEmpty())
        return {{{"failed", run.err}}};
    const QStringList columns = rows.takeFirst().split(u'\t');
    QList<QHash<QString, QString>> out;
    for (const QString &row : rows) {
        const QStringList fields = row.split(u'\t');
        QHash<QString, QString> record;
        for (qsizetype i = 0; i < columns.size(); ++i)
            record.insert(columns[i], fields.value(i, "(missing)"));
        out.append(record);
    }
    return out;
}

// A page as a browser left it once its scripts ran, read by libxml2's HTML parser.
class RenderedPage
{
public:
    explicit RenderedPage(const QByteArray &html)
        : m_doc(htmlReadMemory(html.constData(), int(html.size()), nullptr, "utf-8",
                               HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET),
                xmlFreeDoc)
    {
    }

    // The text of each node that path finds (an attribute's value for an attribute), from node
    // or from the top.
    QStringList texts(const char *path, xmlNodePtr node = nullptr) const { return collect(path, node, text); }

    // Each row of the table with id, its cells' texts joined by tabs.
    QStringList rows(const QString &id) const
    {
        const QByteArray path = "//table[@id='" + id.toUtf8() + "']/tbody/tr";
        return collect(path.constData(), nullptr, [this](xmlNodePtr row) { return texts("td", row).join(u'\t'); });
    }

private:
    static QString text(xmlNodePtr node)
    {
        const std::unique_ptr<xmlChar, decltype(xmlFree)> content(xmlNodeGetContent(node), xmlFree);
        return QString::fromUtf8(reinterpret_cast<const char *>(content.get())).simplified();
    }

    template<typename Read>
    QStringList collect(const char *path, xmlNodePtr node, Read read) const
    {
        QStringList out;
        if (!m_doc)
            return {"(no page)"};
        const std::unique_ptr<xmlXPathContext, decltype(&xmlXPathFreeContext)> context(xmlXPathNewContext(m_doc.get()),
                                                                                      xmlXPathFreeContext);
        context->node = node;
        const std::unique_ptr<xmlXPathObject, decltype(&xmlXPathFreeObject)> found(
            xmlXPathEvalExpression(reinterpret_cast<const xmlChar *>(path), context.get()), xmlXPathFreeObject);
        if (found && found->nodesetval) {
            for (int i = 0; i < found->nodesetval->nodeNr; ++i)
                out.append(read(found->nodesetval->nodeTab[i]));
        }
        return out;
    }

    std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> m_doc;
};

// The listings of shop.test whose every byte must not depend on the order the crawls were added in.
const QList<QStringList> kListings{{"backlinks", "shop.test", "--all"},
                                   {"changes", "shop.test"},
                                   {"domains", "shop.test", "--all"},
                                   {"anchors", "shop.test", "--all"},
                                   {"targets", "shop.test", "--all"}};

} // namespace

class HistoryTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void eachCrawlIsDatedByItsClock_data();
    void eachCrawlIsDatedByItsClock();
    void eachLinkingPageHasItsHistory_data();
    void eachLinkingPageHasItsHistory();
    void liveAndLostPagesListedApart_data();
    void liveAndLostPagesListedApart();
    void changesByDate_data();
    void changesByDate();
    void targetsSayWhatTheDomainsPagesAnswered_data();
    void targetsSayWhatTheDomainsPagesAnswered();
    void listingsDoNotDependOnTheOrderOfAdds_data();
    void listingsDoNotDependOnTheOrderOfAdds();
    void reportShowsTheListingsInABrowser();

private:
    QString warc(int crawl) const { return m_dir.filePath("crawl" + QString::number(crawl) + ".warc.gz"); }
    // Each listing of kListings, as written, from index.
    QList<IndexerRun> listings(const QString &index) const;
    // The row of the first order's backlinks --all whose linking page is source, and how many
    // rows it has.
    QHash<QString, QString> backlinkOf(const QString &source) const;
    enum class Dates { AsListed, Days };
    // The rows of a listing of shop.test in m_index, the fields of the columns named joined by
    // tabs; with Days, dates are cut to their day, as the report shows them.
    QStringList listed(const QStringList &command, const QStringList &columns, Dates dates = Dates::AsListed) const;

    QTemporaryDir m_dir;
    QString m_index; // the crawls added in the order they ran, one add each
    QList<IndexerRun> m_listings;
};

void HistoryTest::initTestCase()
{
    int crawl = 0;
    TestServer server([&](const QByteArray &target, QTcpSocket *socket) { serveSite(target, socket, crawl); });
    qsizetype thirdCrawlFrom = 0;
    for (crawl = 1; crawl <= 3; ++crawl) {
        thirdCrawlFrom = server.targets.size();
        const WgetRun wget = crawlWithWget(server, m_dir.path(),
                                           {"--mirror", "--span-hosts", "--domains=blog.test,forum.test", "-e",
                                            "robots=off", "--quiet", "--directory-prefix=mirror" + QString::number(crawl),
                                            "--warc-file=crawl" + QString::number(crawl), "--no-warc-keep-log",
                                            "http://blog.test/"},
                                           kClocks[crawl - 1]);
        // 8: the server answered some requests with an error, as the site does on purpose.
        QVERIFY2(wget.status == 0 || wget.status == 8, qPrintable(QString::number(wget.status) + ": " + wget.err));
        QVERIFY(QFile::exists(warc(crawl)));
    }
    QVERIFY(server.targets.contains("http://forum.test/thread.html"));
    QVERIFY(server.targets.contains("http://blog.test/orphan.html"));
    QVERIFY(!server.targets.mid(thirdCrawlFrom).contains("http://blog.test/orphan.html"));

    m_index = m_dir.filePath("index.sqlite");
    for (int crawl = 1; crawl <= 3; ++crawl) {
        const IndexerRun add = linkvaneIndex({"add", "--quiet", "--index", m_index, warc(crawl)});
        QVERIFY2(add.status == 0, qPrintable(add.err));
    }
    m_listings = listings(m_index);
}

QList<IndexerRun> HistoryTest::listings(const QString &index) const
{
    QList<IndexerRun> out;
    for (const QStringList &listing : kListings)
        out.append(linkvaneIndex(QStringList{listing[0], "--index", index, "--format", "tsv"} + listing.mid(1)));
    return out;
}

QHash<QString, QString> HistoryTest::backlinkOf(const QString &source) const
{
    QHash<QString, QString> found;
    int rows = 0;
    for (const QHash<QString, QString> &record : records(m_listings[0])) {
        if (record.contains("failed"))
            return record;
        if (record.value("source_url") == source) {
            found = record;
            ++rows;
        }
    }
    found.insert("rows", QString::number(rows));
    return found;
}

void HistoryTest::eachCrawlIsDatedByItsClock_data()
{
    QTest::addColumn<int>("crawl");
    QTest::addColumn<QString>("date");
    QTest::newRow("first") << 1 << kSep;
    QTest::newRow("second") << 2 << kOct;
    QTest::newRow("third") << 3 << kNov;
}

void HistoryTest::eachCrawlIsDatedByItsClock()
{
    QFETCH(int, crawl);
    QFETCH(QString, date);
    const QList<QHash<QString, QString>> links = records(linkvaneIndex({"extract", warc(crawl)}));
    QVERIFY(links.size() > 5);
    for (const QHash<QString, QString> &link : links)
        QCOMPARE(link.value("captured", link.value("failed")), date);
}

void HistoryTest::eachLinkingPageHasItsHistory_data()
{
    QTest::addColumn<QString>("source");
    // target_url, anchor_text, nofollow, rel, type, first_seen, last_seen, lost, lost_reason
    QTest::addColumn<QStringList>("history");
    QTest::newRow("a link there in every crawl")
        << "http://blog.test/" << QStringList{"https://shop.test/", "Our shop", "0", "", "text", kSep, kNov, "0", ""};
    QTest::newRow("a link added in the second crawl")
        << "http://blog.test/added.html"
        << QStringList{"https://shop.test/new", "New arrivals", "0", "", "text", kOct, kNov, "0", ""};
    QTest::newRow("a link removed from a page still there")
        << "http://blog.test/removed.html"
        << QStringList{"https://shop.test/old", "Old offer", "0", "", "text", kSep, kSep, "1", "removed"};
    QTest::newRow("its page answers 404")
        << "http://blog.test/gone.html"
        << QStringList{"https://shop.test/gone", "Gone soon", "0", "", "text", kSep, kOct, "1", "page-gone"};
    QTest::newRow("its page answers 410")
        << "http://blog.test/withdrawn.html"
        << QStringList{"https://shop.test/withdrawn", "Withdrawn", "0", "", "text", kSep, kOct, "1", "page-gone"};
    QTest::newRow("its page redirects within its site")
        << "http://blog.test/moved.html"
        << QStringList{"https://shop.test/moved", "Moved item", "0", "", "text", kSep, kOct, "1", "redirected"};
    QTest::newRow("its page now redirects to the domain: the redirect is the page's link")
        << "http://blog.test/to-shop.html"
        << QStringList{"http://shop.test/landing", "(redirect)", "0", "", "redirect", kNov, kNov, "0", ""};
    QTest::newRow("a redirect to the domain in every crawl")
        << "http://blog.test/discontinued.html"
        << QStringList{"http://shop.test/discontinued", "(redirect)", "0", "", "redirect", kSep, kNov, "0", ""};
    QTest::newRow("its page says noindex")
        << "http://blog.test/hidden.html"
        << QStringList{"https://shop.test/hidden", "Hidden deal", "0", "", "text", kSep, kOct, "1", "noindex"};
    QTest::newRow("its page not crawled again is no loss")
        << "http://blog.test/orphan.html"
        << QStringList{"https://shop.test/orphan", "Orphan link", "0", "", "text", kSep, kOct, "0", ""};
    QTest::newRow("a link removed, then back")
        << "http://blog.test/comeback.html"
        << QStringList{"https://shop.test/back", "Back again", "0", "", "text", kSep, kNov, "0", ""};
    QTest::newRow("an image link, by its alt text")
        << "http://blog.test/logo.html" << QStringList{"https://shop.test/", "Logo", "0", "", "image", kSep, kNov, "0", ""};
    QTest::newRow("sponsored")
        << "http://blog.test/sponsored.html"
        << QStringList{"https://shop.test/promo", "Promo", "0", "sponsored", "text", kSep, kNov, "0", ""};
    QTest::newRow("nofollow")
        << "http://blog.test/nofollow.html"
        << QStringList{"https://shop.test/private", "Private", "1", "nofollow", "text", kSep, kNov, "0", ""};
    QTest::newRow("ugc, to a host under the domain")
        << "http://forum.test/" << QStringList{"http://www.shop.test/", "www shop", "0", "ugc", "text", kSep, kNov, "0", ""};
    QTest::newRow("ugc and nofollow")
        << "http://forum.test/thread.html"
        << QStringList{"https://shop.test/review", "great shop", "1", "nofollow ugc", "text", kSep, kNov, "0", ""};
}

void HistoryTest::eachLinkingPageHasItsHistory()
{
    QFETCH(QString, source);
    QFETCH(QStringList, history);
    const QHash<QString, QString> row = backlinkOf(source);
    QVERIFY2(!row.contains("failed"), qPrintable(row.value("failed")));
    QCOMPARE(row.value("rows"), "1");
    QStringList found;
    for (const char *column :
         {"target_url", "anchor_text", "nofollow", "rel", "type", "first_seen", "last_seen", "lost", "lost_reason"})
        found.append(row.value(column, "(no column)"));
    QCOMPARE(found, history);
}

void HistoryTest::liveAndLostPagesListedApart_data()
{
    QTest::addColumn<QStringList>("flags");
    QTest::addColumn<QStringList>("sources"); // sorted
    const QStringList lost{"http://blog.test/gone.html", "http://blog.test/hidden.html", "http://blog.test/moved.html",
                           "http://blog.test/removed.html", "http://blog.test/withdrawn.html"};
    const QStringList live{"http://blog.test/",
                           "http://blog.test/added.html",
                           "http://blog.test/comeback.html",
                           "http://blog.test/discontinued.html",
                           "http://blog.test/logo.html",
                           "http://blog.test/nofollow.html",
                           "http://blog.test/orphan.html",
                           "http://blog.test/sponsored.html",
                           "http://blog.test/to-shop.html",
                           "http://forum.test/",
                           "http://forum.test/thread.html"};
    QStringList all = live + lost;
    all.sort();
    QTest::newRow("live by default") << QStringList{} << live;
    QTest::newRow("lost") << QStringList{"--lost"} << lost;
    QTest::newRow("all, every page once") << QStringList{"--all"} << all;
}

void HistoryTest::liveAndLostPagesListedApart()
{
    QFETCH(QStringList, flags);
    QFETCH(QStringList, sources);
    QStringList found = listed(QStringList{"backlinks"} + flags, {"source_url"});
    found.sort();
    QCOMPARE(found, sources);
}

void HistoryTest::changesByDate_data()
{
    QTest::addColumn<QStringList>("range");
    QTest::addColumn<QStringList>("changes");
    // Links of pages, not sites of a web-graph release: no release columns.
    const auto lost = [](const QString &date, const QString &source, const QString &target, const QString &anchor,
                         const QString &reason) {
        return QStringList{"page", "lost", date, source, target, anchor, reason, "", "", "", ""}.join(u'\t');
    };
    const auto gained = [](const QString &date, const QString &source, const QString &target, const QString &anchor) {
        return QStringList{"page", "gained", date, source, target, anchor, "", "", "", "", ""}.join(u'\t');
    };
    // A link that went and came back counts as gained when first seen, and is not lost now.
    const QStringList september{
        gained(kSep, "http://blog.test/", "https://shop.test/", "Our shop"),
        gained(kSep, "http://blog.test/comeback.html", "https://shop.test/back", "Back again"),
        gained(kSep, "http://blog.test/discontinued.html", "http://shop.test/discontinued", "(redirect)"),
        gained(kSep, "http://blog.test/gone.html", "https://shop.test/gone", "Gone soon"),
        gained(kSep, "http://blog.test/hidden.html", "https://shop.test/hidden", "Hidden deal"),
        gained(kSep, "http://blog.test/logo.html", "https://shop.test/", "Logo"),
        gained(kSep, "http://blog.test/moved.html", "https://shop.test/moved", "Moved item"),
        gained(kSep, "http://blog.test/nofollow.html", "https://shop.test/private", "Private"),
        gained(kSep, "http://blog.test/orphan.html", "https://shop.test/orphan", "Orphan link"),
        gained(kSep, "http://blog.test/removed.html", "https://shop.test/old", "Old offer"),
        gained(kSep, "http://blog.test/sponsored.html", "https://shop.test/promo", "Promo"),
        gained(kSep, "http://blog.test/to-shop.html", "https://shop.test/offer", "Shop offer"),
        gained(kSep, "http://blog.test/withdrawn.html", "https://shop.test/withdrawn", "Withdrawn"),
        gained(kSep, "http://forum.test/", "http://www.shop.test/", "www shop"),
        gained(kSep, "http://forum.test/thread.html", "https://shop.test/review", "great shop")};
    const QStringList october{gained(kOct, "http://blog.test/added.html", "https://shop.test/new", "New arrivals"),
                              lost(kOct, "http://blog.test/removed.html", "https://shop.test/old", "Old offer", "removed")};
    const QStringList november{
        gained(kNov, "http://blog.test/to-shop.html", "http://shop.test/landing", "(redirect)"),
        lost(kNov, "http://blog.test/gone.html", "https://shop.test/gone", "Gone soon", "page-gone"),
        lost(kNov, "http://blog.test/hidden.html", "https://shop.test/hidden", "Hidden deal", "noindex"),
        lost(kNov, "http://blog.test/moved.html", "https://shop.test/moved", "Moved item", "redirected"),
        lost(kNov, "http://blog.test/to-shop.html", "https://shop.test/offer", "Shop offer", "redirected"),
        lost(kNov, "http://blog.test/withdrawn.html", "https://shop.test/withdrawn", "Withdrawn", "page-gone")};
    QTest::newRow("all") << QStringList{} << september + october + november;
    QTest::newRow("since a day") << QStringList{"--since", "2026-10-01"} << october + november;
    QTest::newRow("until a day") << QStringList{"--until", "2026-10-15"} << september + october;
    QTest::newRow("between two moments") << QStringList{"--since", "2026-09-01T12:00:01Z", "--until", kNov} << october + november;
    QTest::newRow("nothing in the range") << QStringList{"--since", "2026-09-02", "--until", "2026-09-30"} << QStringList{};
}

void HistoryTest::changesByDate()
{
    QFETCH(QStringList, range);
    QFETCH(QStringList, changes);
    QCOMPARE(listed(QStringList{"changes"} + range,
                    {"kind", "change", "date", "source", "target_url", "anchor_text", "reason", "from_release",
                     "to_release", "from_harmonic_position", "to_harmonic_position"}),
             changes);
}

void HistoryTest::targetsSayWhatTheDomainsPagesAnswered_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("status");
    QTest::addColumn<bool>("broken");
    // wget follows a redirect to any host, so the crawls hold these two pages of the shop.
    QTest::newRow("a page") << "http://shop.test/landing" << "200" << false;
    QTest::newRow("a page that answered 404") << "http://shop.test/discontinued" << "gone" << true;
    QTest::newRow("a page never crawled") << "https://shop.test/promo" << "" << false;
}

void HistoryTest::targetsSayWhatTheDomainsPagesAnswered()
{
    QFETCH(QString, target);
    QFETCH(QString, status);
    QFETCH(bool, broken);
    const QStringList all = listed({"targets", "--all"}, {"target_url", "status"});
    QCOMPARE(all.filter(target + u'\t'), QStringList{target + u'\t' + status});
    QCOMPARE(listed({"targets", "--broken"}, {"target_url"}).contains(target), broken);
}

void HistoryTest::listingsDoNotDependOnTheOrderOfAdds_data()
{
    QTest::addColumn<QList<int>>("crawls");
    QTest::addColumn<bool>("oneAdd");
    std::array<int, 3> order{1, 2, 3};
    // The order the crawls ran in is the one the others are compared with.
    while (std::next_permutation(order.begin(), order.end()))
        QTest::addRow("%d %d %d", order[0], order[1], order[2]) << QList<int>(order.begin(), order.end()) << false;
    QTest::newRow("all in one add") << QList<int>{1, 2, 3} << true;
    QTest::newRow("all in one add, newest first") << QList<int>{3, 2, 1} << true;
}

void HistoryTest::listingsDoNotDependOnTheOrderOfAdds()
{
    QFETCH(QList<int>, crawls);
    QFETCH(bool, oneAdd);
    const QString index = m_dir.filePath(QTest::currentDataTag() + QStringLiteral(".sqlite"));
    QStringList inputs;
    for (int crawl : crawls)
        inputs.append(warc(crawl));
    const QList<QStringList> adds = oneAdd ? QList<QStringList>{inputs}
                                           : QList<QStringList>{QStringList{inputs[0]}, QStringList{inputs[1]},
                                                                QStringList{inputs[2]}};
    for (const QStringList &add : adds) {
        const IndexerRun run = linkvaneIndex(QStringList{"add", "--quiet", "--index", index} + add);
        QVERIFY2(run.status == 0, qPrintable(run.err));
    }
    const QList<IndexerRun> found = listings(index);
    for (qsizetype i = 0; i < kListings.size(); ++i) {
        QVERIFY2(found[i].status == 0 && m_listings[i].status == 0, qPrintable(found[i].err + m_listings[i].err));
        // Lines first, for a readable difference.
        QCOMPARE(lines(found[i].out), lines(m_listings[i].out));
        QCOMPARE(found[i].bytes, m_listings[i].bytes);
    }
}

QStringList HistoryTest::listed(const QStringList &command, const QStringList &columns, Dates dates) const
{
    QStringList out;
    for (const QHash<QString, QString> &row :
         records(linkvaneIndex(QStringList{command[0], "--index", m_index, "shop.test"} + command.mid(1)))) {
        if (row.contains("failed"))
            return {"failed: " + row.value("failed")};
        QStringList fields;
        for (const QString &column : columns) {
            const QString field = row.value(column, "(no column)");
            const bool date = column.endsWith("_seen") || column == "date";
            fields.append(date && dates == Dates::Days ? field.left(10) : field);
        }
        out.append(fields.join(u'\t'));
    }
    return out;
}

void HistoryTest::reportShowsTheListingsInABrowser()
{
    const QString file = m_dir.filePath("report.html");
    const IndexerRun report = linkvaneIndex({"report", "--index", m_index, "-o", file, "shop.test"});
    QVERIFY2(report.status == 0, qPrintable(report.err));
    QProcess chromium;
    chromium.start(CHROMIUM_OFFLINE, {"--dump-dom", file});
    QVERIFY(chromium.waitForFinished(120'000));
    QVERIFY2(chromium.exitCode() == 0, chromium.readAllStandardError().constData());
    const RenderedPage page(chromium.readAllStandardOutput());
    QCOMPARE(page.texts("/html/@data-errors"), QStringList{});
    QCOMPARE(page.texts("/html/@data-rendered"), QStringList{"1"});

    const auto field = [&page](const char *name) {
        return page.texts(QByteArray("//*[@data-field='" + QByteArray(name) + "']").constData()).join(u'|');
    };
    const QStringList domains =
        listed({"domains"}, {"domain", "pages", "links", "dofollow_links", "first_seen", "last_seen", "top_anchor"}, Dates::Days);
    qint64 links = 0, dofollow = 0;
    for (const QString &row : domains) {
        links += row.section(u'\t', 2, 2).toLongLong();
        dofollow += row.section(u'\t', 3, 3).toLongLong();
    }
    QStringList lastSeen = listed({"backlinks", "--all"}, {"last_seen"}, Dates::Days);
    lastSeen.sort();
    // The report's last 30 days end with its data, on 1 November; the changes of 1 October are
    // a day before them.
    const QStringList recent = listed({"changes", "--since", "2026-10-02"}, {"change"});

    QCOMPARE(page.rows("top-domains"), domains);
    const QStringList anchors = listed({"anchors"}, {"anchor_text", "links", "pages", "domains"});
    QVERIFY(!page.rows("top-anchors").isEmpty());
    QCOMPARE(page.rows("top-anchors"), anchors.mid(0, page.rows("top-anchors").size()));
    QStringList pages;
    for (const QString &row : page.rows("top-pages"))
        pages.append(row.section(u'\t', 0, 2));
    QCOMPARE(pages, listed({"targets"}, {"target_url", "pages", "domains"}).mid(0, pages.size()));
    // Newest first: the listing's order turned round.
    QStringList changes;
    for (const QString &row : page.rows("latest-changes"))
        changes.append(row.section(u'\t', 0, 0) + u'\t' + row.section(u'\t', 2, 4));
    QStringList listedChanges = listed({"changes"}, {"date", "source", "target_url", "anchor_text"}, Dates::Days);
    std::reverse(listedChanges.begin(), listedChanges.end());
    QVERIFY(!changes.isEmpty());
    QCOMPARE(changes, listedChanges.mid(0, changes.size()));
    const QStringList figures{field("live-backlinks"), field("referring-domains"), field("dofollow-share"),
                              field("gained-30d"), field("lost-30d"), field("data-end")};
    const QStringList listings{QString::number(links), QString::number(domains.size()),
                               QString::number(100.0 * double(dofollow) / double(links), 'f', 1) + "%",
                               QString::number(recent.count("gained")), QString::number(recent.count("lost")),
                               lastSeen.value(lastSeen.size() - 1)};
    QCOMPARE(figures, listings);
}

QTEST_GUILESS_MAIN(HistoryTest)
#include "tst_history.moc"
