// The built linkvane-service, run as a process and spoken to in raw HTTP/1.1, as Linkvane speaks
// to it through http_proxy (absolute-form targets on kept-alive connections) and as a browser
// would (origin form).

#include "index/indexwriter.h"
#include "index/schema.h"
#include "support/serviceprocess.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

constexpr int kWaitMs = 5000;

using Service = ServiceProcess;

struct Reply
{
    int status = 0; // 0: no complete answer
    QByteArray contentType;
    QByteArray body;
};

// One GET on an open connection, the way Qt's network access manager sends it through a proxy.
Reply get(QTcpSocket &socket, const QByteArray &target, const QByteArray &extraHeaders = {})
{
    socket.write("GET " + target
                 + " HTTP/1.1\r\nHost: search.linkvane.example\r\nProxy-Connection: keep-alive\r\n"
                 + extraHeaders + "\r\n");
    QByteArray data;
    qsizetype headEnd = -1;
    while ((headEnd = data.indexOf("\r\n\r\n")) < 0 && socket.waitForReadyRead(kWaitMs))
        data += socket.readAll();
    if (headEnd < 0)
        return {};

    Reply reply;
    qsizetype length = -1;
    const QList<QByteArray> lines = data.left(headEnd).split('\n');
    reply.status = lines[0].split(' ').value(1).toInt();
    for (const QByteArray &line : lines.mid(1)) {
        const QByteArray name = line.left(line.indexOf(':')).toLower();
        const QByteArray value = line.mid(line.indexOf(':') + 1).trimmed();
        if (name == "content-type")
            reply.contentType = value;
        else if (name == "content-length")
            length = value.toLongLong();
    }
    while (data.size() < headEnd + 4 + length && socket.waitForReadyRead(kWaitMs))
        data += socket.readAll();
    if (length < 0 || data.size() != headEnd + 4 + length)
        return {};
    reply.body = data.mid(headEnd + 4);
    return reply;
}

Reply fetch(quint16 port, const QByteArray &target)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(kWaitMs))
        return {};
    return get(socket, target);
}

QByteArray searchTarget(const QByteArray &domain, int start)
{
    return "http://search.linkvane.example/search?p=http%3A%2F%2F" + domain
           + "&bwm=i&bwmo=d&b=" + QByteArray::number(start);
}

// The claimed total: what follows the one count marker up to the next "<".
QString claimedCount(const QString &page)
{
    const QString marker = QStringLiteral("共 <strong>");
    if (page.count(marker) != 1)
        return QStringLiteral("%1 count markers").arg(page.count(marker));
    const qsizetype from = page.indexOf(marker) + marker.size();
    return page.mid(from, page.indexOf(u'<', from) - from);
}

// What the tool takes from a result page: every match of its anchor pattern (where "." stops only
// at LF), in order. A match gets back the result number written just before it, and a snapshot
// match reads "快照".
QStringList anchorMatches(const QString &page)
{
    static const QRegularExpression anchor(QStringLiteral("(*LF)(\\d*)(. <a.*?href=.*?>.*?</a>)"),
                                           QRegularExpression::CaseInsensitiveOption);
    QStringList matches;
    for (const QRegularExpressionMatch &match : anchor.globalMatch(page)) {
        const QString text = match.captured(1) + match.captured(2);
        matches.append(text.contains(u"快照") ? QStringLiteral("快照") : text);
    }
    return matches;
}

struct ListedLink
{
    QString url;
    QString titleHtml; // as the page must write it
};

} // namespace

class TestLinkvaneService : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    // The links the list written for the tests holds, per domain, in list order.
    QHash<QByteArray, QList<ListedLink>> m_listed;
    std::unique_ptr<Service> m_own; // serves that list
    std::unique_ptr<Service> m_demo; // serves the bundled demo list

    QString writeFile(const QString &name, const QByteArray &content)
    {
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(file.fileName()));
        return file.fileName();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // chayuan.example's links go to the domain, to hosts under it and in other letter cases,
        // between links to look-alike hosts that must not count.
        QByteArray list = "source_url\tsource_title\ttarget_url\n";
        const QList<QByteArray> targets
            = {"http://chayuan.example/", "http://WWW.Chayuan.Example/menu.html",
               "http://shop.chayuan.example/"};
        const QList<QByteArray> lookAlikes = {"http://notchayuan.example/", "http://chayuan.example.cn/",
                                              "http://chayuan.example.com/"};
        for (int i = 1; i <= 137; ++i) {
            const QByteArray url = "http://blog" + QByteArray::number(i % 9) + ".example.cn/post/"
                                   + QByteArray::number(i) + ".html";
            if (i % 10 == 3) {
                list += url + "\t茶 & \"点心\" <新> " + QByteArray::number(i) + '\t' + targets[i % 3]
                        + '\n';
                m_listed["chayuan.example"].append(
                    {url, QStringLiteral("茶 &amp; &quot;点心&quot; &lt;新&gt; %1").arg(i)});
            } else {
                list += url + "\t茶馆笔记 " + QByteArray::number(i) + '\t' + targets[i % 3] + '\n';
                m_listed["chayuan.example"].append({url, QStringLiteral("茶馆笔记 %1").arg(i)});
            }
            if (i % 7 == 0)
                list += "http://decoy.example/" + QByteArray::number(i) + "\tdecoy\t" + lookAlikes[i % 3]
                        + '\n';
        }
        for (int i = 1; i <= 3; ++i) {
            const QByteArray url = "http://shop.example.com.cn/" + QByteArray::number(i);
            list += url + "\tShop " + QByteArray::number(i) + "\thttp://xiaodian.example/\n";
            m_listed["xiaodian.example"].append({url, QStringLiteral("Shop %1").arg(i)});
        }

        // A claim below the listed links does not lower the count.
        m_own = std::make_unique<Service>(
            QStringList{QStringLiteral("--links"), writeFile(QStringLiteral("links.tsv"), list),
                        QStringLiteral("--claim"), QStringLiteral("xiaodian.example=420"),
                        QStringLiteral("--claim"), QStringLiteral("chayuan.example=10")});
        m_demo = std::make_unique<Service>(QStringList{});
        QVERIFY(m_own->port());
        QVERIFY(m_demo->port());
    }

    void resultPages_data()
    {
        QTest::addColumn<QByteArray>("domain");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("count");
        QTest::addColumn<int>("listed");

        QTest::newRow("first page") << QByteArray("chayuan.example") << 1 << "137" << 50;
        QTest::newRow("second page") << QByteArray("chayuan.example") << 51 << "137" << 50;
        QTest::newRow("last page") << QByteArray("chayuan.example") << 101 << "137" << 37;
        QTest::newRow("past the end") << QByteArray("chayuan.example") << 151 << "137" << 0;
        QTest::newRow("domain typed in capitals") << QByteArray("CHAYUAN.Example") << 1 << "137" << 50;
        QTest::newRow("claim above the listed links")
            << QByteArray("xiaodian.example") << 1 << "420" << 3;
        QTest::newRow("unknown domain") << QByteArray("nowhere.example") << 1 << "0" << 0;
        QTest::newRow("p without a domain") << QByteArray("") << 1 << "0" << 0;
    }

    void resultPages()
    {
        QFETCH(QByteArray, domain);
        QFETCH(int, start);
        QFETCH(QString, count);
        QFETCH(int, listed);

        const Reply reply = fetch(m_own->port(), searchTarget(domain, start));
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.contentType, QByteArray("text/html; charset=utf-8"));
        const QString page = QString::fromUtf8(reply.body);
        QCOMPARE(claimedCount(page), count);

        QStringList expected;
        for (int number = start; number < start + listed; ++number) {
            const ListedLink &link = m_listed[domain.toLower()].at(number - 1);
            expected << QStringLiteral("%1. <a href=\"%2\" target=\"_blank\">%3</a>")
                            .arg(number)
                            .arg(link.url, link.titleHtml)
                     << QStringLiteral("快照");
        }
        QCOMPARE(anchorMatches(page), expected);
    }

    // The demo list holds what the tool's walks need: 4, 1 and 19 result pages, and nothing for
    // other domains.
    void demoList_data()
    {
        QTest::addColumn<QByteArray>("domain");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("count");
        QTest::addColumn<int>("listed");

        QTest::newRow("chayuan first page") << QByteArray("chayuan.example") << 1 << "137" << 50;
        QTest::newRow("chayuan last page") << QByteArray("chayuan.example") << 101 << "137" << 37;
        QTest::newRow("xiaodian") << QByteArray("xiaodian.example") << 1 << "12" << 12;
        QTest::newRow("menhu last page walked") << QByteArray("menhu.example") << 901 << "1000" << 50;
        QTest::newRow("unknown domain") << QByteArray("nowhere.example") << 1 << "0" << 0;
    }

    void demoList()
    {
        QFETCH(QByteArray, domain);
        QFETCH(int, start);
        QFETCH(QString, count);
        QFETCH(int, listed);

        const Reply reply = fetch(m_demo->port(), searchTarget(domain, start));
        QCOMPARE(reply.status, 200);
        const QString page = QString::fromUtf8(reply.body);
        QCOMPARE(claimedCount(page), count);
        const QStringList matches = anchorMatches(page);
        QCOMPARE(matches.size(), 2 * listed);
        for (int i = 0; i < listed; ++i) {
            const QString result = QStringLiteral("%1. <a href=\"http").arg(start + i);
            QVERIFY2(matches[2 * i].startsWith(result), qPrintable(matches[2 * i]));
            QCOMPARE(matches[2 * i + 1], QStringLiteral("快照"));
        }
    }

    void routing_data()
    {
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArray>("bodyPart");

        const QByteArray html = "text/html; charset=utf-8";
        const QByteArray query = "/search?p=http%3A%2F%2Fxiaodian.example&bwm=i&bwmo=d&b=1";
        const QByteArray count = "共 <strong>12</strong>";
        QTest::newRow("search, absolute form")
            << "http://search.linkvane.example" + query << 200 << html << count;
        QTest::newRow("search, origin form") << query << 200 << html << count;
        QTest::newRow("search, any host") << "http://127.0.0.1:9" + query << 200 << html << count;
        QTest::newRow("search, p not a URL") << QByteArray("/search?p=xiaodian.example&b=1") << 200
                                             << html << QByteArray("共 <strong>0</strong>");
        QTest::newRow("vendor page") << QByteArray("http://search.linkvane.example/quorvel") << 200
                                     << html << QByteArray("Linkvane");
        QTest::newRow("vendor page, origin form")
            << QByteArray("/quorvel/") << 200 << html << QByteArray("Linkvane");
        QTest::newRow("version file")
            << QByteArray("http://search.linkvane.example/quorvel/dezevi.txt") << 200
            << QByteArray("text/plain; charset=gb2312") << QByteArray("\r\n");
        QTest::newRow("unknown path") << QByteArray("http://search.linkvane.example/quorvel/setup.exe")
                                      << 404 << html << QByteArray("404 Not Found");
        QTest::newRow("unknown path, origin form")
            << QByteArray("/search/more") << 404 << html << QByteArray("404 Not Found");
    }

    void routing()
    {
        QFETCH(QByteArray, target);
        QFETCH(int, status);
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArray, bodyPart);

        const Reply reply = fetch(m_demo->port(), target);
        QCOMPARE(reply.status, status);
        QCOMPARE(reply.contentType, contentType);
        QVERIFY2(reply.body.contains(bodyPart), reply.body.constData());
        const QByteArray logLine = "GET " + target + ' ' + QByteArray::number(status) + ' '
                                   + QByteArray::number(reply.body.size()) + '\n';
        QVERIFY2(m_demo->logged(logLine), logLine.constData());
    }

    // Qt's network access manager sends its requests one after another on one connection.
    void requestsShareAConnection()
    {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_demo->port());
        QVERIFY(socket.waitForConnected(kWaitMs));
        QCOMPARE(get(socket, searchTarget("chayuan.example", 1), "Content-Length: 0\r\n").status, 200);
        QCOMPARE(get(socket, "/nothing").status, 404);
        QCOMPARE(get(socket, searchTarget("chayuan.example", 51)).status, 200);
        QCOMPARE(socket.state(), QAbstractSocket::ConnectedState);
    }

    void versionFile_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("bytes");

        const QByteArray notes = QByteArray::fromHex(
            "20b0e6b8fcd0c2cbb5c3f7a3bab2e9d1afb8fcbfeca3acbde7c3e6b2bbb1e4a1a30d0a");
        QTest::newRow("version being built")
            << QStringList{} << LINKVANE_VERSION "\r\n" LINKVANE_VERSION + notes;
        QTest::newRow("--latest-version")
            << QStringList{QStringLiteral("--latest-version"), QStringLiteral("9.1")}
            << "9.1\r\n9.1" + notes;
    }

    void versionFile()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, bytes);

        Service service(arguments);
        QVERIFY(service.port());
        QCOMPARE(fetch(service.port(), "http://search.linkvane.example/quorvel/dezevi.txt").body, bytes);
    }

    void refusedToStart_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("messageParts");

        const QByteArray link = "http://a.example/\tA\thttp://chayuan.example/\n";
        const QString empty = writeFile(QStringLiteral("empty.tsv"), "");
        const QString headless = writeFile(QStringLiteral("headless.tsv"), link);
        const QString missing = m_dir.filePath(QStringLiteral("missing.tsv"));
        QTest::newRow("empty list") << QStringList{QStringLiteral("--links"), empty}
                                    << QStringList{empty, QStringLiteral("empty")};
        QTest::newRow("list without header") << QStringList{QStringLiteral("--links"), headless}
                                             << QStringList{headless, QStringLiteral("not a web archive")};
        QTest::newRow("unreadable list") << QStringList{QStringLiteral("--links"), missing} << QStringList{missing};
        QTest::newRow("no index there") << QStringList{QStringLiteral("--index"), missing}
                                        << QStringList{missing, QStringLiteral("no index")};
        QTest::newRow("a list is no index") << QStringList{QStringLiteral("--index"), headless}
                                            << QStringList{headless, QStringLiteral("not a Linkvane index")};

        const QString usage = QStringLiteral("Usage:");
        QTest::newRow("index and list")
            << QStringList{QStringLiteral("--index"), missing, QStringLiteral("--links"), headless}
            << QStringList{QStringLiteral("--index"), QStringLiteral("--links"), usage};
        QTest::newRow("port not a number")
            << QStringList{QStringLiteral("--port"), QStringLiteral("http")}
            << QStringList{QStringLiteral("--port"), usage};
        QTest::newRow("negative latency")
            << QStringList{QStringLiteral("--latency-ms"), QStringLiteral("-5")}
            << QStringList{QStringLiteral("--latency-ms"), usage};
        QTest::newRow("claim without count")
            << QStringList{QStringLiteral("--claim"), QStringLiteral("chayuan.example")}
            << QStringList{QStringLiteral("--claim"), usage};
        QTest::newRow("unknown option")
            << QStringList{QStringLiteral("--colour")} << QStringList{QStringLiteral("colour"), usage};
        QTest::newRow("stray argument") << QStringList{QStringLiteral("links.tsv")}
                                        << QStringList{QStringLiteral("links.tsv"), usage};
    }

    // A list with lines that say nothing usable is served all the same, and the lines passed
    // over are named.
    void badLinesArePassedOverAndNamed_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("why");
        QTest::newRow("too few fields") << QByteArray("http://b.example/\tB\n") << "malformed lines";
        QTest::newRow("too many fields") << QByteArray("http://b.example/\tB\thttp://chayuan.example/\tx\n")
                                         << "malformed lines";
        QTest::newRow("blank line") << QByteArray("\n") << "malformed lines";
        QTest::newRow("empty target") << QByteArray("http://b.example/\tB\t\n")
                                      << "lines whose target_url is not an http(s) URL";
        QTest::newRow("target without scheme") << QByteArray("http://b.example/\tB\tchayuan.example\n")
                                               << "lines whose target_url is not an http(s) URL";
        QTest::newRow("source without host") << QByteArray("/b.html\tB\thttp://chayuan.example/\n")
                                             << "lines whose source_url is not an http(s) URL";
    }

    void badLinesArePassedOverAndNamed()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, why);
        const QByteArray good = "http://a.example/\tA\thttp://chayuan.example/\n";
        const QString path = writeFile(QStringLiteral("bad.tsv"),
                                       "source_url\tsource_title\ttarget_url\n" + good + line + good);
        Service service({QStringLiteral("--links"), path});
        QVERIFY(service.port());
        QVERIFY2(service.logged(path.toUtf8() + ": 1 passed over: " + why.toUtf8()), service.log().constData());
        QCOMPARE(claimedCount(QString::fromUtf8(fetch(service.port(), searchTarget("chayuan.example", 1)).body)),
                 QStringLiteral("1"));
    }

    // An index that linkvane-index built, served in its order, fifty to a page.
    void indexIsServedInItsOrder()
    {
        const std::string path = m_dir.filePath(QStringLiteral("index.sqlite")).toStdString();
        {
            auto db = linkindex::openIndex(path, linkindex::Database::Access::ReadWrite);
            linkindex::IndexWriter writer(*db);
            writer.beginInput();
            for (int i = 0; i < 120; ++i) {
                const std::string host = "p" + std::to_string(i) + ".example";
                writer.add({{"https://" + host + "/", host, "页 " + std::to_string(i) + " & more",
                             {{"http://site.example/", "site.example", "a", false}}},
                            int64_t(1'700'000'000'000'000) - i});
            }
            writer.commitInput("test", 120, 120, 120);
        }
        Service service({QStringLiteral("--index"), QString::fromStdString(path)});
        QVERIFY(service.port());
        for (int start : {1, 51, 101}) {
            const QString page = QString::fromUtf8(fetch(service.port(), searchTarget("Site.Example", start)).body);
            QCOMPARE(claimedCount(page), QStringLiteral("120"));
            const QStringList matches = anchorMatches(page);
            QCOMPARE(matches.size(), 2 * std::min(50, 121 - start));
            // The earliest capture first.
            const int first = 120 - start;
            QCOMPARE(matches.first(), QStringLiteral("%1. <a href=\"https://p%2.example/\" target=\"_blank\">页 %2 &amp; more</a>")
                                          .arg(start)
                                          .arg(first));
        }
    }

    void refusedToStart()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, messageParts);

        QProcess process;
        process.start(QStringLiteral(LINKVANE_SERVICE), arguments);
        QVERIFY(process.waitForFinished(kWaitMs));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QVERIFY(process.exitCode() != 0);
        QCOMPARE(process.readAllStandardOutput(), QByteArray());
        const QString errors = QString::fromUtf8(process.readAllStandardError());
        for (const QString &part : messageParts)
            QVERIFY2(errors.contains(part), qPrintable(errors));
    }

    // Answers wait on timers: a slow answer holds up no other connection, and a client that
    // leaves before its answer is written leaves the service running.
    void latency()
    {
        constexpr int latencyMs = 500;
        Service service({QStringLiteral("--latency-ms"), QString::number(latencyMs)});
        QVERIFY(service.port());
        {
            QTcpSocket leaving;
            leaving.connectToHost(QHostAddress::LocalHost, service.port());
            QVERIFY(leaving.waitForConnected(kWaitMs));
            leaving.write("GET /quorvel HTTP/1.1\r\nHost: search.linkvane.example\r\n\r\n");
            QVERIFY(leaving.waitForBytesWritten(kWaitMs));
        }
        QTest::qWait(latencyMs + 200);

        QTcpSocket first;
        QTcpSocket second;
        for (QTcpSocket *socket : {&first, &second}) {
            socket->connectToHost(QHostAddress::LocalHost, service.port());
            QVERIFY(socket->waitForConnected(kWaitMs));
        }
        QElapsedTimer elapsed;
        elapsed.start();
        for (QTcpSocket *socket : {&first, &second}) {
            socket->write("GET /quorvel HTTP/1.1\r\nHost: search.linkvane.example\r\n\r\n");
            QVERIFY(socket->waitForBytesWritten(kWaitMs));
        }
        for (QTcpSocket *socket : {&first, &second})
            QVERIFY(socket->waitForReadyRead(kWaitMs));
        QVERIFY2(elapsed.elapsed() >= latencyMs && elapsed.elapsed() < 2 * latencyMs,
                 qPrintable(QString::number(elapsed.elapsed())));
    }
};

QTEST_GUILESS_MAIN(TestLinkvaneService)
#include "tst_linkvaneservice.moc"
