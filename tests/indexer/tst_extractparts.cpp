// What extract writes of each capture, and reads back; and a crawl indexed in parts: extract run
// on each input in its own process, at the same time, and the parts added in any order give the
// index that one add of every input gives.
#include "../archive/testdata.h"
#include "indexerruns.h"

#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <random>

namespace {

constexpr int kWaitMs = 60'000;
constexpr int kShuffles = 4;

const char *const kDate = "2024-03-01T00:00:00Z";
const QString kHeader = "source_url\tsource_title\ttarget_url\tanchor_text\tnofollow\tcaptured\trel\ttype\tstate";

std::string response(const std::string &url, const std::string &head, const std::string &body = {})
{
    return responseRecord(url, kDate, head, body);
}

std::string html(const std::string &url, const std::string &body)
{
    return response(url, "HTTP/1.1 200 OK\r\nContent-Type: text/html", body);
}

std::string wat(const std::string &url, const char *status, const QJsonObject &head = {}, const QJsonArray &links = {})
{
    return watRecord(url, kDate,
                     QJsonObject{{"Response-Message", QJsonObject{{"Version", "HTTP/1.1"}, {"Status", status}}},
                                 {"Headers", QJsonObject{{"Content-Type", "text/html"}}},
                                 {"HTML-Metadata", QJsonObject{{"Head", head}, {"Links", links}}}});
}

// A list line of a capture at kDate; rest is "anchor_text|nofollow", then for nine columns
// "|rel|type|state".
QString line(const QString &source, const QString &title, const QString &target, const QString &rest)
{
    const QString after = rest.section('|', 2);
    return source + "\t" + title + "\t" + target + "\t" + rest.section('|', 0, 1).replace('|', '\t') + "\t" + kDate
           + (rest.count('|') > 1 ? "\t" + QString(after).replace('|', '\t') : QString());
}

} // namespace

class ExtractPartsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void extractWritesWhatACaptureSays_data();
    void extractWritesWhatACaptureSays();
    void extractReadsListsOfEveryForm_data();
    void extractReadsListsOfEveryForm();
    void partsInAnyOrderAddUpToOneAdd_data();
    void partsInAnyOrderAddUpToOneAdd();

private:
    QString write(const QString &name, const std::string &bytes);
    QString backlinks(const QString &index, const QString &domain);

    QTemporaryDir m_dir;
    QStringList m_inputs;
};

QString ExtractPartsTest::write(const QString &name, const std::string &bytes)
{
    return writeFile(m_dir.filePath(name), bytes);
}

QString ExtractPartsTest::backlinks(const QString &index, const QString &domain)
{
    const IndexerRun run = linkvaneIndex({"backlinks", "--index", index, domain});
    return run.status == 0 ? run.out : "failed: " + run.err;
}

// Inputs of every kind that overlap: pages captured later without a link they had, one response
// captured at the same second in three inputs (in WARCs and a WAT), a page captured earlier in a
// later input, pages without links. The fifth captures that page at that second with other links.
void ExtractPartsTest::initTestCase()
{
    m_inputs << write("a.warc.gz",
                      perRecordGzip({pageRecord("http://s1.example/a", "2024-01-01T00:00:00Z",
                                                {"http://t.example/1", "http://u.example/1"}),
                                     pageRecord("http://s2.example/same", "2024-01-01T00:00:05Z", {"http://t.example/a", "http://v.example/"}),
                                     pageRecord("http://s7.example/none", "2024-01-01T00:00:05Z", {}),
                                     pageRecord("http://s1.example/old", "2024-01-03T00:00:00Z", {"http://t.example/new"})}));
    m_inputs << write("b.warc",
                      pageRecord("http://s1.example/a", "2024-01-02T00:00:00Z", {"http://u.example/2"})
                          + pageRecord("http://s2.example/same", "2024-01-01T00:00:05Z",
                                       {"http://t.example/a", "http://v.example/"})
                          + pageRecord("http://s4.example/", "2024-01-01T00:00:05Z", {"http://v.example/4"})
                          + pageRecord("http://s3.example/none", "2024-01-01T00:00:05Z", {}));
    m_inputs << write("c.warc.wat.gz",
                      perRecordGzip({watPageRecord("http://s1.example/old", "2024-01-02T00:00:00Z",
                                                   {"http://t.example/old", "http://u.example/old"}),
                                     watPageRecord("http://s5.example/", "2024-01-01T00:00:05Z", {"http://sub.t.example/x"}),
                                     watPageRecord("http://s2.example/same", "2024-01-01T00:00:05Z",
                                                   {"http://t.example/a", "http://v.example/"})}));
    m_inputs << write("d.warc.zst",
                      zstdFramed(pageRecord("http://s6.example/", "2023-06-01T00:00:00Z", {"https://www.t.example/6"})
                                 + pageRecord("http://s3.example/none", "2023-06-01T00:00:00Z", {"http://t.example/3"})));
    m_inputs << write("e.warc", pageRecord("http://s2.example/same", "2024-01-01T00:00:05Z", {"http://t.example/z"}));
}

void ExtractPartsTest::extractWritesWhatACaptureSays_data()
{
    QTest::addColumn<QByteArray>("records");
    QTest::addColumn<QStringList>("lines"); // after the header
    QTest::addColumn<QString>("skipped");   // what the summary says was passed over; empty: nothing
    const QString page = "http://s.example/p";
    QTest::newRow("text, image and rel")
        << bytes(html("http://s.example/p",
                      "<title>P</title><a href=http://t.example/1 rel=\"ugc NOFOLLOW\">Text <img alt=x></a>"
                      "<a href=http://t.example/2 rel=sponsored><img src=l.png alt=\" Our  logo \"></a><a href=/own>own</a>"))
        << QStringList{line(page, "P", "http://t.example/1", "Text|1|nofollow ugc|text|ok"),
                       line(page, "P", "http://t.example/2", "Our logo|0|sponsored|image|ok")}
        << "";
    QTest::newRow("noindex: its links kept")
        << bytes(html("http://s.example/p", "<meta name=robots content=\"noindex,follow\"><a href=http://t.example/>T</a>"))
        << QStringList{line(page, "", "http://t.example/", "T|0||text|noindex")} << "";
    QTest::newRow("404 and 410: gone, the 404's body and links passed over")
        << bytes(response("http://s.example/p", "HTTP/1.1 404 Not Found\r\nContent-Type: text/html",
                          "<title>Not found</title><a href=http://t.example/>T</a>")
                 + response("http://s.example/q", "HTTP/1.1 410 Gone"))
        << QStringList{line(page, "", "", "|0||text|gone"), line("http://s.example/q", "", "", "|0||text|gone")} << "";
    QTest::newRow("a 404 of no http(s) URL, and a 500, passed over")
        << bytes(response("ftp://s.example/p", "HTTP/1.1 404 Not Found") + response("http://s.example/p", "HTTP/1.1 500 Oops"))
        << QStringList{} << "1 pages without an http(s) URL, 1 responses with a status other than 200, 404, 410 or a redirect";
    QTest::newRow("a redirect, a page without links")
        << bytes(response("http://s.example/old", "HTTP/1.1 301 Moved\r\nLocation: http://t.example/new")
                 + html("http://s.example/p", "<title>Alone</title>"))
        << QStringList{line("http://s.example/old", "", "http://t.example/new", "(redirect)|0||redirect|redirect"),
                       line(page, "Alone", "", "|0||text|ok")}
        << "";
    QTest::newRow("WAT: robots meta, 404, 503")
        << bytes(wat("http://s.example/p", "200",
                     QJsonObject{{"Title", "W"},
                                 {"Metas", QJsonArray{QJsonObject{{"name", "description"}, {"content", "noindex"}},
                                                      QJsonObject{{"name", "ROBOTS"}, {"content", "None"}}}}},
                     QJsonArray{QJsonObject{{"path", "A@/href"}, {"url", "http://t.example/"}, {"text", "T"}, {"rel", "ugc"}}})
                 + wat("http://s.example/q", "404") + wat("http://s.example/r", "503"))
        << QStringList{line(page, "W", "http://t.example/", "T|0|ugc|text|noindex"), line("http://s.example/q", "", "", "|0||text|gone")}
        << "1 responses with a status other than 200, 404, 410 or a redirect";
}

// What extract writes of records, and that the list read back gives the same lines.
void ExtractPartsTest::extractWritesWhatACaptureSays()
{
    QFETCH(QByteArray, records);
    QFETCH(QStringList, lines);
    QFETCH(QString, skipped);
    const IndexerRun extract = linkvaneIndex({"extract", "-"}, records);
    QVERIFY2(extract.status == 0, qPrintable(extract.err));
    QCOMPARE(extract.out.split('\n', Qt::SkipEmptyParts), QStringList{kHeader} + lines);
    QCOMPARE(extract.err.section("skipped: ", 1).trimmed(), skipped);
    const IndexerRun again = linkvaneIndex({"extract", "-"}, extract.bytes);
    QVERIFY2(again.status == 0, qPrintable(again.err));
    QCOMPARE(again.out, extract.out);
    QVERIFY2(!again.err.contains("skipped"), qPrintable(again.err));
}

void ExtractPartsTest::extractReadsListsOfEveryForm_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QStringList>("lines"); // extract's, after the header
    QTest::addColumn<int>("malformed");
    const QString six = "source_url\tsource_title\ttarget_url\tanchor_text\tnofollow\tcaptured\n";
    const QString s = "http://s.example/";
    const auto nine = [&](const QString &rest) { return line(s, "S", "http://t.example/", rest); };
    QTest::newRow("three columns") << "source_url\tsource_title\ttarget_url\nhttp://s.example/\tS\thttp://t.example/\n"
                                   << QStringList{s + "\tS\thttp://t.example/\t\t0\t\t\ttext\tok"} << 0;
    QTest::newRow("six columns: a redirect as older extracts wrote it, nofollow")
        << six + line(s, "", "http://t.example/", "(redirect)|0") + "\n" + line("http://a.example/", "A", "http://t.example/", "T|1") + "\n"
        << QStringList{line(s, "", "http://t.example/", "(redirect)|0||redirect|redirect"),
                       line("http://a.example/", "A", "http://t.example/", "T|1|nofollow|text|ok")}
        << 0;
    QTest::newRow("six columns: \"(redirect)\" under a title is an anchor text")
        << six + line(s, "S", "http://t.example/", "(redirect)|0") + "\n"
        << QStringList{nine("(redirect)|0||text|ok")} << 0;
    QTest::newRow("nine columns: the lines of a capture share its first line's title and state")
        << kHeader + "\n" + nine("A|1|nofollow ugc sponsored|image|noindex") + "\n"
               + line(s, "Other", "http://u.example/", "B|0||text|ok") + "\n"
        << QStringList{nine("A|1|nofollow ugc sponsored|image|noindex"), line(s, "S", "http://u.example/", "B|0||text|noindex")} << 0;
    QTest::newRow("nine columns: lines that contradict themselves or say what no extract writes")
        << kHeader + "\n" + nine("T|1||text|ok") + "\n" + nine("T|0|nofollow|text|ok") + "\n" + nine("T|1|ugc nofollow|text|ok")
               + "\n" + nine("T|1|nofollow  ugc|text|ok") + "\n" + nine("T|0|NOFOLLOW|text|ok") + "\n" + nine("T|0||video|ok") + "\n"
               + nine("T|0||text|deleted") + "\n" + nine("T|0||text|gone") + "\n" + nine("T|0||redirect|ok") + "\n"
               + nine("T|0||text|redirect") + "\n" + nine("T|0||text") + "\n" + nine("T|0||text|ok") + "\n"
        << QStringList{nine("T|0||text|ok")} << 11;
}

// Lists read back through extract, which writes every capture it reads in nine columns.
void ExtractPartsTest::extractReadsListsOfEveryForm()
{
    QFETCH(QString, list);
    QFETCH(QStringList, lines);
    QFETCH(int, malformed);
    const IndexerRun extract = linkvaneIndex({"extract", "-"}, list.toUtf8());
    QVERIFY2(extract.status == 0, qPrintable(extract.err));
    QCOMPARE(extract.out.split('\n', Qt::SkipEmptyParts), QStringList{kHeader} + lines);
    QCOMPARE(extract.err.contains(QString::number(malformed) + " malformed lines"), malformed > 0);
}

void ExtractPartsTest::partsInAnyOrderAddUpToOneAdd_data()
{
    QTest::addColumn<QList<int>>("inputs"); // of m_inputs
    QTest::addColumn<QString>("targets"); // the --targets file's text; empty: every link
    QTest::addColumn<QStringList>("domains");
    QTest::newRow("every link") << QList<int>{0, 1, 2, 3} << QString() << QStringList{"t.example", "u.example", "v.example"};
    // Parts for targets keep no capture without a link to them, so a later capture that drops a
    // page's last such link cannot replace the earlier one: b, which does, is left out.
    QTest::newRow("links to targets") << QList<int>{0, 2, 3} << QString("# mine\nt.example\n\nv.example\n")
                                      << QStringList{"t.example", "v.example"};
    QTest::newRow("same second, other links") << QList<int>{0, 4} << QString() << QStringList{"t.example"};
}

void ExtractPartsTest::partsInAnyOrderAddUpToOneAdd()
{
    QFETCH(QList<int>, inputs);
    QFETCH(QString, targets);
    QFETCH(QStringList, domains);
    const QString tag = QTest::currentDataTag();
    QStringList chosen;
    for (int input : inputs)
        chosen << m_inputs[input];

    const QString whole = m_dir.filePath(tag + " whole.sqlite");
    const IndexerRun add = linkvaneIndex(QStringList{"add", "--index", whole} + chosen);
    QVERIFY2(add.status == 0, qPrintable(add.err));

    QStringList extractArguments{"extract"};
    if (!targets.isEmpty())
        extractArguments << "--targets" << write(tag + " targets.txt", targets.toStdString());
    std::vector<std::unique_ptr<QProcess>> extracts;
    QStringList parts;
    for (const QString &input : chosen) {
        parts << m_dir.filePath(tag + " part " + QString::number(parts.size()) + ".tsv");
        auto &process = extracts.emplace_back(std::make_unique<QProcess>());
        process->setStandardOutputFile(parts.back());
        process->start(LINKVANE_INDEX, extractArguments + QStringList{input});
    }
    for (const auto &process : extracts) {
        QVERIFY(process->waitForFinished(kWaitMs));
        QVERIFY2(process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0,
                 process->readAllStandardError().constData());
    }

    // The first order tried is the reverse of the whole's.
    std::mt19937 random(7);
    std::reverse(parts.begin(), parts.end());
    for (int shuffle = 0; shuffle < kShuffles; ++shuffle) {
        if (shuffle > 0)
            std::shuffle(parts.begin(), parts.end(), random);
        const QString index = m_dir.filePath(tag + " parts " + QString::number(shuffle) + ".sqlite");
        const IndexerRun addParts = linkvaneIndex(QStringList{"add", "--index", index} + parts);
        QVERIFY2(addParts.status == 0, qPrintable(addParts.err));
        for (const QString &domain : domains)
            QCOMPARE(backlinks(index, domain), backlinks(whole, domain));
    }
}

QTEST_GUILESS_MAIN(ExtractPartsTest)
#include "tst_extractparts.moc"
