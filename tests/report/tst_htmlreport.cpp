// A report made of data written here, strangers' hostile text included, opened in Debian's
// headless Chromium offline; what the page shows is read back from the DOM Chromium dumps.
// LINKVANE_REPORT_SCREENSHOT=FILE.png also saves a screenshot of it, to look at the layout.
#include "report/chartjs.h"
#include "report/htmlreport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <libxml/HTMLparser.h>
#include <libxml/xpath.h>

#include <memory>

using namespace linkindex;
using report::ReportData;

namespace {

constexpr int64_t kDay = 86'400'000'000;
// 2026-11-30T23:59:59Z: the last second of a day in UTC, already the next day east of it.
constexpr int64_t kDataEnd = 1'796'083'199'000'000;

const std::string kCloseScript = "</script><script>document.documentElement.dataset.pwned='script'</script>";
const std::string kImage = "<img src=x onerror=\"document.documentElement.dataset.pwned='img'\">";
const std::string kQuotes = "\"'& &amp;";
const std::string kLineSeparator = "茶叶\u2028批发";
const std::string kJavascriptUrl = "javascript:document.documentElement.dataset.pwned='href'";
const std::string kAttributeUrl = "http://a.example/\"onmouseover=\"document.documentElement.dataset.pwned='attr'";
// Appended to Chart.js: text that would end its <script> element, or keep the next from ending,
// were it written as it is.
const std::string kScriptProbe = ";document.documentElement.dataset.probe = \"</SCRIPT><!--<script>\" + /<!--/u.test(\"<!--\");";

ReportData fullData()
{
    ReportData data;
    data.domain = "茶园.example&\"'<i>";
    data.dataEnd = kDataEnd;
    data.liveBacklinks = 1234;
    data.referringDomains = 56;
    data.dofollowShare = 0.875;
    data.gainedLast30Days = 17;
    data.lostLast30Days = 4;
    data.months = {{"2026-09", 40, 1100, 1100, 0}, {"2026-10", 52, 1221, 130, 9}, {"2026-11", 56, 1234, 17, 4}};
    data.relMix = {{"dofollow", 1080}, {"nofollow", 120}, {"ugc", 20}, {kCloseScript + "&\u2028\u2029", 14}};
    data.typeMix = {{"text", 1100}, {"image", 100}, {"redirect", 34}};
    data.topDomains = {{"example.org", 40, 52, 50, kDataEnd - 80 * kDay, kDataEnd, kCloseScript},
                       {"中文.example", 3, 3, 0, std::nullopt, std::nullopt, kLineSeparator}};
    data.topAnchors = {{kImage, 10, 8, 3}, {kQuotes, 2, 2, 1}};
    data.topPages = {{"https://茶园.example/?a=1&b=<2>", 30, 12, LinkedPage::Capture::Page},
                     {"http://chayuan.example/old", 5, 2, LinkedPage::Capture::Gone},
                     {kJavascriptUrl, 1, 1, LinkedPage::Capture::None},
                     {"https://chayuan.example/moved", 2, 1, LinkedPage::Capture::Redirect}};
    data.brokenPages = {{"http://chayuan.example/old", 5, 2, LinkedPage::Capture::Gone}};
    data.latestChanges = {{true, kDataEnd - kDay, kAttributeUrl, "https://chayuan.example/", "新茶", std::nullopt},
                          {false, kDataEnd - 2 * kDay, "http://b.example/", "http://chayuan.example/old", "", LostReason::PageGone},
                          {false, kDataEnd - 3 * kDay, "http://c.example/", "http://chayuan.example/", kImage, LostReason::Removed},
                          {false, kDataEnd - 3 * kDay, "http://d.example/", "http://chayuan.example/", "d", LostReason::Redirected},
                          {false, kDataEnd - 9 * kDay, "http://e.example/", "http://chayuan.example/", "e", LostReason::Noindex}};
    return data;
}

using Document = std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)>;

QList<xmlNode *> nodes(xmlDoc *doc, const QString &xpath)
{
    std::unique_ptr<xmlXPathContext, decltype(&xmlXPathFreeContext)> context(xmlXPathNewContext(doc), xmlXPathFreeContext);
    std::unique_ptr<xmlXPathObject, decltype(&xmlXPathFreeObject)> found(
        xmlXPathEvalExpression(reinterpret_cast<const xmlChar *>(xpath.toUtf8().constData()), context.get()), xmlXPathFreeObject);
    if (!found)
        qFatal("bad XPath %s", qPrintable(xpath));
    QList<xmlNode *> list;
    for (int i = 0; found->nodesetval && i < found->nodesetval->nodeNr; ++i)
        list << found->nodesetval->nodeTab[i];
    return list;
}

QString text(xmlNode *node)
{
    std::unique_ptr<xmlChar, decltype(xmlFree)> content(xmlNodeGetContent(node), xmlFree);
    return QString::fromUtf8(reinterpret_cast<const char *>(content.get()));
}

// The text of the one node xpath finds; a null string when it finds none or several.
QString only(xmlDoc *doc, const QString &xpath)
{
    const QList<xmlNode *> found = nodes(doc, xpath);
    return found.size() == 1 ? text(found.front()) : QString();
}

// The text of each cell of each row of the table.
QList<QStringList> rows(xmlDoc *doc, const QString &table)
{
    QList<QStringList> list;
    for (xmlNode *row : nodes(doc, "//table[@id='" + table + "']/tbody/tr")) {
        QStringList cells;
        for (xmlNode *cell = row->children; cell; cell = cell->next)
            if (cell->type == XML_ELEMENT_NODE)
                cells << text(cell);
        list << cells;
    }
    return list;
}

QString qs(const std::string &text)
{
    return QString::fromStdString(text);
}

} // namespace

class TestHtmlReport : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    Document m_full{nullptr, xmlFreeDoc};
    Document m_empty{nullptr, xmlFreeDoc};

    xmlDoc *dom(const QString &name) { return name == "full" ? m_full.get() : m_empty.get(); }

    // The DOM Chromium holds once the page has loaded and its scripts have run.
    Document shown(const ReportData &data, const std::string &chartJs, const QString &name)
    {
        const QString path = m_dir.filePath(name + ".html");
        QFile file(path);
        const std::string html = report::htmlReport(data, chartJs);
        if (!file.open(QIODevice::WriteOnly) || file.write(html.data(), qint64(html.size())) != qint64(html.size()))
            qFatal("cannot write %s", qPrintable(path));
        file.close();
        QProcess chromium;
        chromium.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        chromium.start(LINKVANE_CHROMIUM_OFFLINE, {"--dump-dom", path});
        if (!chromium.waitForFinished(120'000) || chromium.exitCode() != 0)
            qFatal("chromium failed on %s", qPrintable(path));
        const QByteArray dom = chromium.readAllStandardOutput();
        return Document(htmlReadMemory(dom.constData(), int(dom.size()), nullptr, "UTF-8",
                                       HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET),
                        xmlFreeDoc);
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("chromium").isEmpty())
            QSKIP("chromium is not installed (scripts/install-deps installs it)");
        QVERIFY(m_dir.isValid());
        std::string chartJs;
        try {
            chartJs = report::readChartJs();
        } catch (const std::runtime_error &error) {
            QFAIL(error.what());
        }
        m_full = shown(fullData(), chartJs + kScriptProbe, "full");
        ReportData noData;
        noData.domain = "chayuan.example";
        m_empty = shown(noData, chartJs, "empty");
        QVERIFY(m_full && m_empty);
        if (const QByteArray screenshot = qgetenv("LINKVANE_REPORT_SCREENSHOT"); !screenshot.isEmpty())
            QCOMPARE(QProcess::execute(LINKVANE_CHROMIUM_OFFLINE, {"--screenshot=" + QFileInfo(screenshot).absoluteFilePath(),
                                                                 "--window-size=1280,2600", m_dir.filePath("full.html")}),
                     0);
    }

    void chartsAreDrawnWithoutErrors_data()
    {
        QTest::addColumn<QString>("page");
        QTest::newRow("full") << "full";
        QTest::newRow("no data") << "empty";
    }
    void chartsAreDrawnWithoutErrors()
    {
        QFETCH(QString, page);
        QCOMPARE(only(dom(page), "/html/@data-errors"), QString());
        QCOMPARE(only(dom(page), "/html/@data-rendered"), "1");
    }

    void summaryShowsTheData_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("shown");
        QTest::newRow("live backlinks") << "full" << "live-backlinks" << "1234";
        QTest::newRow("referring domains") << "full" << "referring-domains" << "56";
        QTest::newRow("dofollow share") << "full" << "dofollow-share" << "87.5%";
        QTest::newRow("gained") << "full" << "gained-30d" << "17";
        QTest::newRow("lost") << "full" << "lost-30d" << "4";
        QTest::newRow("data end, a UTC day") << "full" << "data-end" << "2026-11-30";
        QTest::newRow("no data: backlinks") << "empty" << "live-backlinks" << "0";
        QTest::newRow("no data: share") << "empty" << "dofollow-share" << "0.0%";
        QTest::newRow("no data: end") << "empty" << "data-end" << "暂无数据";
    }
    void summaryShowsTheData()
    {
        QFETCH(QString, page);
        QFETCH(QString, field);
        QFETCH(QString, shown);
        QCOMPARE(only(dom(page), "//*[@data-field='" + field + "']"), shown);
    }

    void tablesListTheData_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QList<QStringList>>("shown");
        QTest::newRow("domains") << "full" << "top-domains"
                                 << QList<QStringList>{{"example.org", "40", "52", "50", "2026-09-11", "2026-11-30", qs(kCloseScript)},
                                                       {"中文.example", "3", "3", "0", "", "", qs(kLineSeparator)}};
        QTest::newRow("anchors") << "full" << "top-anchors"
                                 << QList<QStringList>{{qs(kImage), "10", "8", "3"}, {qs(kQuotes), "2", "2", "1"}};
        QTest::newRow("pages") << "full" << "top-pages"
                               << QList<QStringList>{{"https://茶园.example/?a=1&b=<2>", "30", "12", "200"},
                                                     {"http://chayuan.example/old", "5", "2", "404/410"},
                                                     {qs(kJavascriptUrl), "1", "1", "未收录"},
                                                     {"https://chayuan.example/moved", "2", "1", "重定向"}};
        QTest::newRow("broken pages") << "full" << "broken-pages" << QList<QStringList>{{"http://chayuan.example/old", "5", "2"}};
        QTest::newRow("changes") << "full" << "latest-changes"
                                 << QList<QStringList>{
                                        {"2026-11-29", "新增", qs(kAttributeUrl), "https://chayuan.example/", "新茶", ""},
                                        {"2026-11-28", "丢失", "http://b.example/", "http://chayuan.example/old", "", "页面已消失(404/410)"},
                                        {"2026-11-27", "丢失", "http://c.example/", "http://chayuan.example/", qs(kImage), "已移除"},
                                        {"2026-11-27", "丢失", "http://d.example/", "http://chayuan.example/", "d", "已重定向"},
                                        {"2026-11-21", "丢失", "http://e.example/", "http://chayuan.example/", "e", "noindex"}};
        for (const char *table : {"top-domains", "top-anchors", "top-pages", "broken-pages", "latest-changes"})
            QTest::addRow("no data: %s", table) << "empty" << table << QList<QStringList>{};
    }
    void tablesListTheData()
    {
        QFETCH(QString, page);
        QFETCH(QString, table);
        QFETCH(QList<QStringList>, shown);
        QCOMPARE(nodes(dom(page), "//table[@id='" + table + "']").size(), 1);
        QCOMPARE(rows(dom(page), table), shown);
    }

    void strangersTextMakesNoMarkup_data()
    {
        QTest::addColumn<QString>("xpath");
        QTest::addColumn<int>("count");
        QTest::newRow("the page's own four scripts") << "//script" << 4;
        QTest::newRow("no image") << "//img" << 0;
        QTest::newRow("no event handler") << "//@*[starts-with(name(), 'on')]" << 0;
        QTest::newRow("no injected script ran") << "//@data-pwned" << 0;
        QTest::newRow("no italics from the domain") << "//i" << 0;
        QTest::newRow("links to web addresses only") << "//a[not(starts-with(@href, 'http'))]" << 0;
    }
    void strangersTextMakesNoMarkup()
    {
        QFETCH(QString, xpath);
        QFETCH(int, count);
        QCOMPARE(nodes(m_full.get(), xpath).size(), count);
    }

    void strangersTextShowsAsWritten_data()
    {
        QTest::addColumn<QString>("xpath");
        QTest::addColumn<QString>("shown");
        QTest::newRow("title") << "/html/head/title" << "外链报告：" + qs(fullData().domain);
        QTest::newRow("heading") << "//h1" << "外链报告：" + qs(fullData().domain);
        QTest::newRow("link to a page") << "//table[@id='top-pages']/tbody/tr[1]/td[1]/a/@href" << "https://茶园.example/?a=1&b=<2>";
        QTest::newRow("link with quotes") << "//table[@id='latest-changes']/tbody/tr[1]/td[3]/a/@href" << qs(kAttributeUrl);
        QTest::newRow("Chart.js with script-ending text") << "/html/@data-probe" << "</SCRIPT><!--<script>true";
    }
    void strangersTextShowsAsWritten()
    {
        QFETCH(QString, xpath);
        QFETCH(QString, shown);
        QCOMPARE(only(m_full.get(), xpath), shown);
    }

    // JSON.parse would read them, but an older script engine ends a line at U+2028 and U+2029,
    // and the others are kept out of any script's text as a rule.
    void chartDataKeepsScriptCharactersEscaped_data()
    {
        QTest::addColumn<QString>("character");
        QTest::newRow("<") << "<";
        QTest::newRow(">") << ">";
        QTest::newRow("&") << "&";
        QTest::newRow("U+2028") << "\u2028";
        QTest::newRow("U+2029") << "\u2029";
    }
    void chartDataKeepsScriptCharactersEscaped()
    {
        QFETCH(QString, character);
        QVERIFY(!only(m_full.get(), "//script[@id='chart-data']").contains(character));
    }

    void chartsGetTheData_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("json");
        QTest::newRow("months") << "months" << R"(["2026-09","2026-10","2026-11"])";
        QTest::newRow("referring domains") << "referringDomains" << "[40,52,56]";
        QTest::newRow("backlinks") << "backlinks" << "[1100,1221,1234]";
        QTest::newRow("gained") << "gained" << "[1100,130,17]";
        QTest::newRow("lost") << "lost" << "[0,9,4]";
        QTest::newRow("rel mix, a name closing the script")
            << "relMix"
            << R"({"labels":["dofollow","nofollow","ugc","</script><script>document.documentElement.dataset.pwned='script'</script>&\u2028\u2029"],)"
               R"("links":[1080,120,20,14]})";
        QTest::newRow("type mix") << "typeMix" << R"({"labels":["文字链接","图片链接","重定向"],"links":[1100,100,34]})";
    }
    void chartsGetTheData()
    {
        QFETCH(QString, key);
        QFETCH(QString, json);
        QJsonParseError error;
        const QJsonDocument data = QJsonDocument::fromJson(only(m_full.get(), "//script[@id='chart-data']").toUtf8(), &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(data[key].toVariant(), QJsonDocument::fromJson(("{\"v\":" + json + "}").toUtf8())["v"].toVariant());
    }
};

QTEST_GUILESS_MAIN(TestHtmlReport)
#include "tst_htmlreport.moc"
