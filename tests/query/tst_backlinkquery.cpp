#include "platform/runtimeerror.h"
#include "query/backlinkquery.h"
#include "support/testserver.h"

#include <QTcpSocket>
#include <QtTest>

#include <functional>

namespace {

// The controls a query works on, as plain holders, counting the table refreshes.
struct FakeWindow : QueryWindow
{
    QString domain = QStringLiteral("chayuan.example");
    QString label1 = QStringLiteral("Label1");
    LinkLists links;
    int refreshes = 0;
    std::function<void()> onRefresh;

    QString domainText() const override { return domain; }
    void setCountText(const QString &text) override { label1 = text; }
    LinkLists &linkLists() override { return links; }
    void refreshTable() override
    {
        ++refreshes;
        if (onRefresh)
            onRefresh();
    }
};

// A result page with two results for start offset b and a snapshot line between them.
QByteArray resultPage(const QByteArray &count, const QByteArray &b)
{
    return "<html><body><p>找到 共 <strong>" + count + "</strong> 条结果</p>\n<ol>\n" + b
           + ". <a href=\"http://src" + b + ".example/a.html\" target=\"_blank\">页面 " + b + "</a>\n"
           + "   <a href=\"http://cache.example/?b=" + b + "\">快照</a>\n" + b
           + ". <a href=\"http://src" + b + ".example/b.html\">Page " + b + "</a>\n</ol></body></html>";
}

QByteArray target(const QByteArray &domain, int b)
{
    return "http://search.linkvane.example/search?p=http%3A%2F%2F" + domain + "&bwm=i&bwmo=d&b="
           + QByteArray::number(b);
}

} // namespace

class BacklinkQueryTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void walksThePagesOfTheClaimedCount();
    void countFailuresEndTheQuery_data();
    void countFailuresEndTheQuery();
    void unreachablePageAddsNoMatchEntries();
    void domainIsReadAnewForEveryPage();
    void newerQueryDuringAWaitSupersedesTheRunningOne();

private:
    std::unique_ptr<TestServer> m_server;
    QByteArray m_count = "137";
};

void BacklinkQueryTest::init()
{
    m_count = "137";
    m_server = std::make_unique<TestServer>([this](const QByteArray &target, QTcpSocket *socket) {
        TestServer::reply(socket, 200, resultPage(m_count, TestServer::queryValue(target, "b")));
    });
    m_server->becomeProxy();
}

void BacklinkQueryTest::walksThePagesOfTheClaimedCount()
{
    FakeWindow window;
    window.links = {{"stale"}, {"stale"}, {"stale"}};
    runBacklinkQuery(window);

    // 137 / 50 = 2.74 rounds to 3: pages 0 to 3, after the count request.
    QCOMPARE(m_server->targets, (QList<QByteArray>{target("chayuan.example", 1), target("chayuan.example", 1),
                                                   target("chayuan.example", 51), target("chayuan.example", 101),
                                                   target("chayuan.example", 151)}));
    QCOMPARE(window.label1, "137");
    QCOMPARE(window.refreshes, 4);

    QStringList list1, list2, list3;
    for (const QString b : {"1", "51", "101", "151"}) {
        // An anchor line starts one character before the blank in front of "<a".
        list1 << ". <a href=\"http://src" + b + ".example/a.html\" target=\"_blank\">页面 " + b + "</a>"
              << ". <a href=\"http://src" + b + ".example/b.html\">Page " + b + "</a>";
        list3 << "http://src" + b + ".example/a.html\r\n" << "http://src" + b + ".example/b.html\r\n";
        list2 << "页面 " + b + "\r\n" << "Page " + b + "\r\n";
    }
    QCOMPARE(window.links.List1, list1);
    QCOMPARE(window.links.List3, list3);
    QCOMPARE(window.links.List2, list2);
}

void BacklinkQueryTest::countFailuresEndTheQuery_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("label1");
    QTest::newRow("no count marker") << QByteArray("<html>no results</html>") << 9 << "Label1";
    QTest::newRow("empty page") << QByteArray() << 9 << "Label1";
    QTest::newRow("count is words") << QByteArray("共 <strong>很多</strong>") << 13 << "很多";
}

void BacklinkQueryTest::countFailuresEndTheQuery()
{
    QFETCH(QByteArray, page);
    QFETCH(int, error);
    QFETCH(QString, label1);
    m_server->setHandler([&](const QByteArray &, QTcpSocket *socket) { TestServer::reply(socket, 200, page); });
    FakeWindow window;
    window.links = {{"old"}, {"old"}, {"old"}};
    try {
        runBacklinkQuery(window);
        QFAIL("the query went on");
    } catch (const RuntimeError &failure) {
        QCOMPARE(failure.number(), error);
    }
    QCOMPARE(m_server->targets.size(), 1);
    QCOMPARE(window.label1, label1);
    QCOMPARE(window.refreshes, 0);
    QVERIFY(window.links.List1.isEmpty() && window.links.List2.isEmpty() && window.links.List3.isEmpty());
}

void BacklinkQueryTest::unreachablePageAddsNoMatchEntries()
{
    m_count = "50";
    m_server->setHandler([this](const QByteArray &target, QTcpSocket *socket) {
        if (target.endsWith("b=51"))
            socket->abort();
        else
            TestServer::reply(socket, 200, resultPage(m_count, TestServer::queryValue(target, "b")));
    });
    FakeWindow window;
    runBacklinkQuery(window);
    // Two links from the first page, and the unreachable one's only sign that it failed.
    QCOMPARE(window.refreshes, 2);
    QCOMPARE(window.links.List1.size(), 3);
    QCOMPARE(window.links.List1.last(), "匹配失败");
    QCOMPARE(window.links.List3.last(), "匹配失败");
    QCOMPARE(window.links.List2.last(), "匹配失败");
    QCOMPARE(window.links.List3.size(), 3);
    QCOMPARE(window.links.List2.size(), 3);
}

void BacklinkQueryTest::domainIsReadAnewForEveryPage()
{
    FakeWindow window;
    window.onRefresh = [&window] { window.domain = QStringLiteral("other.example"); };
    runBacklinkQuery(window);
    QCOMPARE(m_server->targets.mid(1), (QList<QByteArray>{target("chayuan.example", 1), target("other.example", 51),
                                                         target("other.example", 101), target("other.example", 151)}));
}

void BacklinkQueryTest::newerQueryDuringAWaitSupersedesTheRunningOne()
{
    FakeWindow window;
    QTcpSocket *heldBack = nullptr;
    m_server->setHandler([&](const QByteArray &target, QTcpSocket *socket) {
        if (target == ::target("chayuan.example", 51) && !heldBack) {
            // The first query waits for this page; meanwhile the user starts a second one.
            heldBack = socket;
            QTimer::singleShot(0, [&] {
                window.domain = QStringLiteral("xiaodian.example");
                m_count = "60";
                runBacklinkQuery(window);
                TestServer::reply(heldBack, 200, resultPage("137", "999"));
            });
            return;
        }
        TestServer::reply(socket, 200, resultPage(m_count, TestServer::queryValue(target, "b")));
    });
    runBacklinkQuery(window);

    // The second query walked its own pages (60 -> 1.2 -> pages 0 and 1) and the first one
    // stopped when its page came back: nothing of chayuan.example's is left in the lists.
    QCOMPARE(m_server->targets.mid(3), (QList<QByteArray>{target("xiaodian.example", 1), target("xiaodian.example", 1),
                                                         target("xiaodian.example", 51)}));
    QCOMPARE(window.refreshes, 1 + 2);
    QCOMPARE(window.label1, "60");
    QCOMPARE(window.links.List1.size(), 4);
    QCOMPARE(window.links.List2.size(), 4);
    QCOMPARE(window.links.List3.size(), 4);
    QVERIFY(!window.links.List1.join(' ').contains("src999.example"));
}

QTEST_GUILESS_MAIN(BacklinkQueryTest)
#include "tst_backlinkquery.moc"
