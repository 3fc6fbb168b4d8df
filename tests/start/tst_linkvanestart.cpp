// linkvane-start as the desktop entry runs it: the window (a stand-in that runs the real window
// code) answering from the user's index through the service the launcher starts, and the service
// gone when the window goes, however it goes.
#include "../archive/testdata.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

constexpr int kWaitMs = 60'000;

// A crawl of 120 pages, each linking to site.example, captured a second apart.
std::string crawl()
{
    std::string warc;
    for (int i = 0; i < 120; ++i) {
        const std::string url = "https://p" + std::to_string(i) + ".example/page.html";
        const std::string html = "<title>页面 " + std::to_string(i) + " &amp; more</title><a href=\"http://site.example/\">site</a>";
        warc += warcRecord("WARC-Type: response\r\nWARC-Target-URI: " + url + "\r\nWARC-Date: 2024-01-01T00:"
                               + (i / 60 < 10 ? "0" : "") + std::to_string(i / 60) + ":" + (i % 60 < 10 ? "0" : "")
                               + std::to_string(i % 60) + "Z\r\n",
                           "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n\r\n" + html);
    }
    return warc;
}

// The processes whose command line matches pattern, as pgrep -f lists them.
QByteArray running(const QString &pattern)
{
    QProcess pgrep;
    pgrep.start("pgrep", {"-f", pattern});
    pgrep.waitForFinished(kWaitMs);
    return pgrep.readAllStandardOutput();
}

bool portClosed(quint16 port)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    return !socket.waitForConnected(2000);
}

} // namespace

class LinkvaneStartTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void windowListsWhatBacklinksLists();
    void windowListsPagesThenLinkingSites();
    void withoutAnIndexTheDemoAnswers();
    void serviceStopsWhenTheWindowCrashes();
    void serviceAndWindowStopWhenTheLauncherIsTold();

private:
    // linkvane-start with the stand-in window, as a process not yet started; misbehaviour names
    // what the stand-in is to do instead of querying (LINKVANE_TEST_CRASH, LINKVANE_TEST_HANG).
    std::unique_ptr<QProcess> launcher(const QString &dataHome, const QString &domain, const QString &misbehaviour = {});
    QStringList rows() const;
    quint16 proxyPort() const;

    QTemporaryDir m_dir;
    QString m_bin;
};

void LinkvaneStartTest::initTestCase()
{
    // The launcher finds linkvane and linkvane-service beside itself, as they are installed.
    m_bin = m_dir.filePath("bin");
    QVERIFY(QDir().mkpath(m_bin));
    QVERIFY(QFile::copy(LINKVANE_START, m_bin + "/linkvane-start"));
    QVERIFY(QFile::copy(LINKVANE_SERVICE, m_bin + "/linkvane-service"));
    QVERIFY(QFile::copy(WINDOW_STAND_IN, m_bin + "/linkvane"));

    QVERIFY(QDir().mkpath(m_dir.filePath("data/linkvane")));
    QFile warc(m_dir.filePath("crawl.warc"));
    QVERIFY(warc.open(QIODevice::WriteOnly));
    const std::string bytes = crawl();
    warc.write(bytes.data(), qint64(bytes.size()));
    warc.close();
    QProcess add;
    add.start(LINKVANE_INDEX, {"add", "--quiet", "--index", m_dir.filePath("data/linkvane/index.sqlite"), warc.fileName()});
    QVERIFY(add.waitForFinished(kWaitMs));
    QCOMPARE(add.exitCode(), 0);
}

std::unique_ptr<QProcess> LinkvaneStartTest::launcher(const QString &dataHome, const QString &domain,
                                                      const QString &misbehaviour)
{
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_DATA_HOME", dataHome);
    environment.insert("LINKVANE_TEST_DOMAIN", domain);
    environment.insert("LINKVANE_TEST_ROWS", m_dir.filePath("rows.txt"));
    environment.insert("http_proxy", "http://127.0.0.1:9"); // the launcher must set its own
    if (!misbehaviour.isEmpty())
        environment.insert(misbehaviour, "1");
    process->setProcessEnvironment(environment);
    process->setProgram(m_bin + "/linkvane-start");
    QFile::remove(m_dir.filePath("rows.txt"));
    return process;
}

QStringList LinkvaneStartTest::rows() const
{
    QFile file(m_dir.filePath("rows.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

quint16 LinkvaneStartTest::proxyPort() const
{
    return rows().value(0).section(':', -1).toUShort();
}

void LinkvaneStartTest::windowListsWhatBacklinksLists()
{
    auto start = launcher(m_dir.filePath("data"), "SITE.example");
    start->start();
    QVERIFY(start->waitForFinished(kWaitMs));
    QCOMPARE(start->exitCode(), 0);

    QProcess backlinks;
    backlinks.start(LINKVANE_INDEX, {"backlinks", "--index", m_dir.filePath("data/linkvane/index.sqlite"), "site.example"});
    QVERIFY(backlinks.waitForFinished(kWaitMs));
    QStringList expected = QString::fromUtf8(backlinks.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts).mid(1);
    QCOMPARE(expected.size(), 120);
    for (QString &row : expected)
        row = row.section('\t', 0, 1);

    QStringList listed = rows();
    QVERIFY2(listed.value(0).startsWith("proxy http://127.0.0.1:"), qPrintable(listed.value(0)));
    QCOMPARE(listed.value(1), "count 120");
    QCOMPARE(listed.mid(2), expected);
    QVERIFY(portClosed(proxyPort()));
}

// An index with pages and a web graph: the window lists the pages, then the sites of the graph
// that link to the domain and that no page listed comes from, strongest first.
void LinkvaneStartTest::windowListsPagesThenLinkingSites()
{
    const QString index = m_dir.filePath("graph/linkvane/index.sqlite");
    QVERIFY(QDir().mkpath(m_dir.filePath("graph/linkvane")));
    const auto write = [&](const QString &name, const QByteArray &lines) {
        QFile file(m_dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(lines);
    };
    write("pages.tsv", "source_url\tsource_title\ttarget_url\n"
                       "http://www.p1.example/a\tPage one\thttp://site.example/\n"
                       "http://p2.example/b\tPage two\thttp://www.site.example/x\n"
                       "http://p3.example/c\tPage three\thttp://site.example/\n");
    // Page three, captured again, links no more: its site is listed as a site row.
    write("later.tsv", "source_url\tsource_title\ttarget_url\tanchor_text\tnofollow\tcaptured\n"
                       "http://p3.example/c\tPage three\t\t\t0\t2026-01-01T00:00:00Z\n");
    const QString release = "cc-main-2025-mar-apr-may-domain-";
    write(release + "vertices.txt",
          "0\tcom.quiet\t1\n1\texample.p1\t1\n2\texample.site\t1\n3\tuk.co.bbc\t2\n4\texample.p3\t1\n");
    write(release + "edges.txt", "0\t2\n1\t2\n3\t2\n4\t2\n");
    write(release + "ranks.txt", "#harmonicc_pos\t#harmonicc_val\t#pr_pos\t#pr_val\t#host_rev\t#n_hosts\n"
                                 "1\t3.1209718E7\t2\t0.01395099273569498\tuk.co.bbc\t2\n");
    for (const QStringList &arguments :
         {QStringList{"add", "--quiet", "--index", index, m_dir.filePath("pages.tsv"), m_dir.filePath("later.tsv")},
          QStringList{"add-graph", "--quiet", "--index", index, m_dir.filePath(release + "vertices.txt"),
                      m_dir.filePath(release + "edges.txt"), m_dir.filePath(release + "ranks.txt")}}) {
        QProcess add;
        add.start(LINKVANE_INDEX, arguments);
        QVERIFY(add.waitForFinished(kWaitMs));
        QVERIFY2(add.exitCode() == 0, add.readAllStandardError().constData());
    }

    auto start = launcher(m_dir.filePath("graph"), "site.example");
    start->start();
    QVERIFY(start->waitForFinished(kWaitMs));
    QCOMPARE(start->exitCode(), 0);
    QCOMPARE(rows().mid(1), QStringList({"count 5", "http://www.p1.example/a\tPage one", "http://p2.example/b\tPage two",
                                         "http://bbc.co.uk/\t整站链接：bbc.co.uk（排名 1）", "http://quiet.com/\t整站链接：quiet.com",
                                         "http://p3.example/\t整站链接：p3.example"}));
}

void LinkvaneStartTest::withoutAnIndexTheDemoAnswers()
{
    auto start = launcher(m_dir.filePath("empty"), "chayuan.example");
    start->start();
    QVERIFY(start->waitForFinished(kWaitMs));
    QCOMPARE(start->exitCode(), 0);
    QCOMPARE(rows().value(1), "count 137");
    QVERIFY(!QFile::exists(m_dir.filePath("empty/linkvane/index.sqlite")));
    QVERIFY(portClosed(proxyPort()));
}

void LinkvaneStartTest::serviceStopsWhenTheWindowCrashes()
{
    auto start = launcher(m_dir.filePath("data"), "site.example", "LINKVANE_TEST_CRASH");
    start->start();
    QVERIFY(start->waitForFinished(kWaitMs));
    QVERIFY(start->exitCode() != 0);
    // The launcher names the service's port nowhere; no service of it may be left running.
    QTRY_VERIFY_WITH_TIMEOUT(running(m_bin + "/linkvane-service").isEmpty(), kWaitMs);
}

void LinkvaneStartTest::serviceAndWindowStopWhenTheLauncherIsTold()
{
    auto start = launcher(m_dir.filePath("data"), "site.example", "LINKVANE_TEST_HANG");
    start->start();
    QVERIFY(start->waitForStarted(kWaitMs));
    QTRY_VERIFY_WITH_TIMEOUT(!running(m_bin + "/linkvane$").isEmpty(), kWaitMs);
    ::kill(pid_t(start->processId()), SIGTERM);
    QVERIFY(start->waitForFinished(kWaitMs));
    for (const QString &program : {m_bin + "/linkvane$", m_bin + "/linkvane-service"})
        QTRY_VERIFY_WITH_TIMEOUT(running(program).isEmpty(), kWaitMs);
}

QTEST_GUILESS_MAIN(LinkvaneStartTest)
#include "tst_linkvanestart.moc"
