#include "net/pagefetcher.h"
#include "platform/runtimeerror.h"
#include "query/backlinkquery.h"
#include "support/testserver.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QtTest>

#include <functional>
#include <utility>

using namespace std::chrono_literals;

namespace {

constexpr auto kIdle = 300ms;
constexpr auto kTotal = 1500ms;
constexpr int kTickMs = 10;
// The first answer to every fetch is held back this long, so that each wait spans ticks of the
// window's timer even on a fast loopback.
constexpr int kHoldMs = 30;

// Entry i of the three link lists, as {List1, List2, List3}.
using Entries = QList<QStringList>;
// What the server does with one request; the target says which result page it asks for.
using Answer = std::function<void(QTcpSocket *socket, const QByteArray &target)>;

struct FakeWindow : QueryWindow
{
    LinkLists links;
    QStringList countTexts;
    int refreshes = 0;
    std::function<void()> onStep; // the query is done with one fetch

    QString domainText() const override { return QStringLiteral("chayuan.example"); }
    void setCountText(const QString &text) override
    {
        countTexts << text;
        onStep();
    }
    LinkLists &linkLists() override { return links; }
    void refreshTable() override
    {
        ++refreshes;
        onStep();
    }
};

// A result page claiming 137 links (pages b=1, 51, 101, 151) with one result, the one of start
// offset b; filler goes on a line of its own between the count and the result.
QByteArray resultPage(const QByteArray &b, const QByteArray &filler = {})
{
    return "<p>共 <strong>137</strong> 条结果</p>\n" + filler + "\n<ol>\n" + b + ". <a href=\"http://src" + b
           + ".example/p\">页面" + b + "</a>\n</ol>\n";
}

QByteArray startOffset(const QByteArray &target)
{
    return TestServer::queryValue(target, "b");
}

QByteArray okHeader(const QByteArray &extra)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n" + extra + "\r\n";
}

QByteArray okResponse(const QByteArray &body)
{
    return okHeader("Content-Length: " + QByteArray::number(body.size()) + "\r\n") + body;
}

// Writes one piece per tick, as a server that sends in dribs.
void drip(QTcpSocket *socket, QList<QByteArray> pieces, int intervalMs)
{
    auto *timer = new QTimer(socket);
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, socket, [socket, timer, pieces]() mutable {
        if (pieces.isEmpty())
            timer->deleteLater();
        else
            socket->write(pieces.takeFirst());
    });
    timer->start(intervalMs);
}

Entries entriesOf(const LinkLists &links)
{
    Entries entries;
    for (qsizetype i = 0; i < links.List1.size(); ++i)
        entries << QStringList{links.List1.value(i), links.List2.value(i), links.List3.value(i)};
    return entries;
}

Entries normalEntries(const QString &b)
{
    return {{". <a href=\"http://src" + b + ".example/p\">页面" + b + "</a>", "页面" + b + "\r\n",
             "http://src" + b + ".example/p\r\n"}};
}

const Entries kNoMatch{{"匹配失败", "匹配失败", "匹配失败"}};

} // namespace

class FaultMatrixTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void serverFaultsFailOnlyWhatTheyBreak_data();
    void serverFaultsFailOnlyWhatTheyBreak();

private:
    std::unique_ptr<TestServer> m_server;
};

void FaultMatrixTest::init()
{
    setFetchLimits({kIdle, kTotal});
    m_server = std::make_unique<TestServer>();
    m_server->becomeProxy();
}

void FaultMatrixTest::cleanup()
{
    m_server.reset();
}

void FaultMatrixTest::serverFaultsFailOnlyWhatTheyBreak_data()
{
    QTest::addColumn<bool>("atCount");   // the fault hits the count request, else page b=51
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<int>("error");      // the RuntimeError number, 0 for none
    QTest::addColumn<Entries>("page51"); // what page b=51 leaves in the lists
    QTest::addColumn<bool>("slow");      // the faulty wait is long by design

    const auto add = [](const char *fault, const Answer &answer, int countError, const Entries &page51,
                        bool slow = false) {
        QTest::addRow("count request: %s", fault) << true << answer << countError << normalEntries("51") << slow;
        QTest::addRow("page b=51: %s", fault) << false << answer << 0 << page51 << slow;
    };

    // Qt sends a request again when the connection closes before any answer, so this happens to
    // every attempt.
    add("connection closed unanswered", [](QTcpSocket *socket, const QByteArray &) { socket->abort(); }, 9, kNoMatch);

    // The whole page arrives, count and anchor included, but the body is cut short of its length.
    add("reset in the middle of the body", [](QTcpSocket *socket, const QByteArray &target) {
        const QByteArray body = resultPage(startOffset(target));
        socket->write(okHeader("Content-Length: " + QByteArray::number(body.size() + 100) + "\r\n") + body);
        socket->flush();
        QTimer::singleShot(50, socket, &QTcpSocket::abort);
    }, 9, kNoMatch);

    add("accepts and never answers", [](QTcpSocket *, const QByteArray &) {}, 9, kNoMatch, true);

    add("one byte at a time", [](QTcpSocket *socket, const QByteArray &target) {
        QList<QByteArray> bytes;
        for (char c : okResponse(resultPage(startOffset(target))))
            bytes << QByteArray(1, c);
        drip(socket, bytes, 2);
    }, 0, normalEntries("51"), true);

    // Anchor starts without an end: a backtracking engine would rescan the rest of the line from
    // each of the million starts. The answers are built here, before any wait: building 10 MB in
    // the handler stalls the shared event loop and, on a busy machine, trips the idle limit itself.
    const QByteArray filler = QByteArray(". <a href=").repeated(1024 * 1024);
    const QHash<QByteArray, QByteArray> huge{{"1", okResponse(resultPage("1", filler))},
                                            {"51", okResponse(resultPage("51", filler))}};
    add("10 MB line of unfinished anchors", [huge](QTcpSocket *socket, const QByteArray &target) {
        socket->write(huge.value(startOffset(target)));
    }, 0, normalEntries("51"));

    // Overlong, surrogate and five-byte forms on a line of their own, a stray byte where the anchor
    // pattern's leading character goes and inside the anchor text, a sequence broken off at the end.
    add("invalid UTF-8", [](QTcpSocket *socket, const QByteArray &target) {
        const QByteArray b = startOffset(target);
        TestServer::reply(socket, 200,
                          "<p>共 <strong>137</strong> 条结果</p>\n\xc0\xaf \xed\xa0\x80 \xf8\x88\x80\x80\x80\n<ol>\n"
                          "\xff <a href=\"http://src" + b + ".example/p\">页面" "\xff" + b + "</a>\n</ol>\n\xe9\xa1");
    }, 0, {{"\uFFFD <a href=\"http://src51.example/p\">页面\uFFFD51</a>", "页面\uFFFD51\r\n", "http://src51.example/p\r\n"}});

    add("random binary bytes", [](QTcpSocket *socket, const QByteArray &) {
        QRandomGenerator random(20240611);
        QByteArray bytes(64 * 1024, '\0');
        for (char &c : bytes)
            c = char(random.bounded(256));
        TestServer::reply(socket, 200, bytes, "application/octet-stream");
    }, 9, kNoMatch);

    add("redirect loop", [](QTcpSocket *socket, const QByteArray &target) {
        socket->write("HTTP/1.1 302 Found\r\nLocation: " + target + "\r\nContent-Length: 0\r\n\r\n");
    }, 9, kNoMatch);

    // Chunks of 7 bytes cut through the count marker and through the characters of the anchor text.
    add("chunked transfer encoding", [](QTcpSocket *socket, const QByteArray &target) {
        const QByteArray body = resultPage(startOffset(target));
        QList<QByteArray> pieces{okHeader("Transfer-Encoding: chunked\r\n")};
        for (qsizetype at = 0; at < body.size(); at += 7) {
            const QByteArray chunk = body.mid(at, 7);
            pieces << QByteArray::number(chunk.size(), 16) + "\r\n" + chunk + "\r\n";
        }
        pieces << "0\r\n\r\n";
        drip(socket, pieces, 5);
    }, 0, normalEntries("51"));

    add("404 with a result page", [](QTcpSocket *socket, const QByteArray &target) {
        TestServer::reply(socket, 404, resultPage(startOffset(target)));
    }, 0, normalEntries("51"));
    add("500 with a result page", [](QTcpSocket *socket, const QByteArray &target) {
        TestServer::reply(socket, 500, resultPage(startOffset(target)));
    }, 0, normalEntries("51"));
}

void FaultMatrixTest::serverFaultsFailOnlyWhatTheyBreak()
{
    QFETCH(bool, atCount);
    QFETCH(Answer, answer);
    QFETCH(int, error);
    QFETCH(Entries, page51);
    QFETCH(bool, slow);

    FakeWindow window;
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [&ticks] { ++ticks; });
    QElapsedTimer clock;

    // Where each fetch's wait began and ended, by the window's clock and timer.
    struct Mark
    {
        int ticks;
        qint64 ms;
    };
    QList<Mark> marks;
    bool inStep = true;
    const auto checkInStep = [&] {
        const LinkLists &l = window.links;
        inStep = inStep && l.List1.size() == l.List2.size() && l.List2.size() == l.List3.size();
    };
    window.onStep = [&] {
        checkInStep();
        marks << Mark{ticks, clock.elapsed()};
    };

    qsizetype heldFetch = -1;
    m_server->setHandler([&](const QByteArray &target, QTcpSocket *socket) {
        checkInStep();
        // Until the count is shown, every request is the count request or Qt's retry of it.
        const bool faulty = atCount ? window.countTexts.isEmpty() : startOffset(target) == "51";
        const auto respond = [=] {
            if (faulty)
                answer(socket, target);
            else
                TestServer::reply(socket, 200, resultPage(startOffset(target)));
        };
        // Retries and redirect hops belong to a wait already held.
        if (std::exchange(heldFetch, marks.size()) != marks.size())
            QTimer::singleShot(kHoldMs, socket, respond);
        else
            respond();
    });

    ticker.start(kTickMs);
    clock.start();
    marks << Mark{0, 0};
    int thrown = 0;
    try {
        runBacklinkQuery(window);
    } catch (const RuntimeError &failure) {
        thrown = failure.number();
        marks << Mark{ticks, clock.elapsed()};
    }
    ticker.stop();

    QCOMPARE(thrown, error);
    checkInStep();
    QVERIFY(inStep);
    if (error) {
        QVERIFY(window.countTexts.isEmpty());
        QCOMPARE(window.refreshes, 0);
        QCOMPARE(entriesOf(window.links), Entries());
        for (const QByteArray &target : std::as_const(m_server->targets))
            QCOMPARE(startOffset(target), "1");
    } else {
        QCOMPARE(window.countTexts, QStringList{"137"});
        QCOMPARE(window.refreshes, 4);
        QCOMPARE(entriesOf(window.links), normalEntries("1") + page51 + normalEntries("101") + normalEntries("151"));
        QCOMPARE(startOffset(m_server->targets.last()), "151");
    }

    // Fetch 0 is the count request; page b=51 is fetch 2.
    const qsizetype faultyFetch = atCount ? 0 : 2;
    for (qsizetype fetch = 0; fetch + 1 < marks.size(); ++fetch) {
        const int fetchTicks = marks[fetch + 1].ticks - marks[fetch].ticks;
        const qint64 fetchMs = marks[fetch + 1].ms - marks[fetch].ms;
        const QByteArray where = "fetch " + QByteArray::number(fetch) + ": " + QByteArray::number(fetchTicks)
                                 + " ticks in " + QByteArray::number(fetchMs) + " ms";
        QVERIFY2(fetchTicks >= 1, where);
        // Within the total limit, parsing included: slower means the wait or the parse went wrong.
        QVERIFY2(fetchMs < kTotal.count(), where);
        if (slow && fetch == faultyFetch)
            QVERIFY2(fetchTicks >= fetchMs / kTickMs / 3, where);
    }
}

QTEST_GUILESS_MAIN(FaultMatrixTest)
#include "tst_faultmatrix.moc"
