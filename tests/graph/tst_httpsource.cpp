#include "archive/errors.h"
#include "graph/httpsource.h"
#include "support/testserver.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QtTest>

#include <atomic>
#include <future>

namespace {

// How the server answers one request: the status it gives, and where in the body it breaks the
// connection off (-1: it sends to the end). Status 0 honours Range: 206 from where it is asked
// for, else 200.
struct Turn
{
    int status;
    qint64 cutAt = -1;
};

QByteArray randomBody(qsizetype size)
{
    QByteArray body(size, Qt::Uninitialized);
    QRandomGenerator generator(13);
    generator.fillRange(reinterpret_cast<quint32 *>(body.data()), size / 4);
    return body;
}

QByteArray rangeOf(const QByteArray &head)
{
    const QRegularExpressionMatch match = QRegularExpression("\r\nRange: *([^\r]*)", QRegularExpression::CaseInsensitiveOption).match(head);
    return match.captured(1).toLatin1();
}

// Answers the nth request with turns[n], the last turn again for any after it; a redirect
// leads to /moved/, which answers whole.
TestServer::Handler scripted(const TestServer &server, const QByteArray &body, QList<Turn> turns)
{
    return [&server, body, turns](const QByteArray &target, QTcpSocket *socket) {
        Turn turn = turns.value(server.heads.size() - 1, turns.last());
        if (turn.status == 302 && target.startsWith("/moved/"))
            turn = {0};
        const QByteArray range = rangeOf(server.heads.last());
        qint64 from = 0;
        QByteArray head;
        if (turn.status == 0 && range.startsWith("bytes=")) {
            from = range.mid(6, range.indexOf('-') - 6).toLongLong();
            head = "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " + QByteArray::number(from) + '-'
                + QByteArray::number(body.size() - 1) + '/' + QByteArray::number(body.size()) + "\r\n";
        } else if (turn.status == 0 || turn.status == 200) {
            head = "HTTP/1.1 200 OK\r\n";
        } else if (turn.status == 302) {
            socket->write("HTTP/1.1 302 Found\r\nLocation: /moved/x.txt.gz\r\nContent-Length: 0\r\n\r\n");
            return;
        } else {
            TestServer::reply(socket, turn.status, "no", "text/plain");
            return;
        }
        socket->write(head + "Content-Length: " + QByteArray::number(body.size() - from) + "\r\n\r\n");
        const qint64 to = turn.cutAt < 0 ? body.size() : turn.cutAt;
        socket->write(body.mid(from, std::max<qint64>(0, to - from)));
        if (turn.cutAt >= 0)
            socket->disconnectFromHost();
    };
}

// The reader blocks, so it reads on a thread of its own while this one serves.
template <typename Reading>
auto whileServing(Reading reading)
{
    auto result = std::async(std::launch::async, std::move(reading));
    while (result.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        QTest::qWait(2);
    return result.get();
}

struct Outcome
{
    QByteArray body;
    QString error;
};

Outcome readAll(graph::HttpSource &source)
{
    return whileServing([&source] {
        Outcome outcome;
        std::vector<char> piece(100000);
        try {
            while (const std::size_t got = source.read(piece.data(), piece.size()))
                outcome.body.append(piece.data(), qsizetype(got));
        } catch (const archive::InputError &error) {
            outcome.error = QString::fromStdString(error.what());
        }
        return outcome;
    });
}

std::string urlOf(const TestServer &server)
{
    return "http://127.0.0.1:" + std::to_string(server.port()) + "/x.txt.gz";
}

} // namespace

class TestHttpSource : public QObject
{
    Q_OBJECT

private slots:
    void aBrokenDownloadArrivesWholeAndByteExact_data();
    void aBrokenDownloadArrivesWholeAndByteExact();
    void aDownloadWaitsForItsReader();
    void anAnswerOtherThanTheBodyIsRefused_data();
    void anAnswerOtherThanTheBodyIsRefused();
    void destroyingStopsTheDownload();
    void notAnHttpUrlIsRefused();
};

void TestHttpSource::aBrokenDownloadArrivesWholeAndByteExact_data()
{
    QTest::addColumn<qsizetype>("size");
    QTest::addColumn<QList<Turn>>("turns");
    // Per request, the Range it must ask for: none (0), or from a byte after the one the request
    // before asked from, up to where the connection broke (Qt may drop what came just before
    // a break; it is asked for again).
    QTest::addColumn<QList<qint64>>("rangesUpTo");
    constexpr qsizetype mb = 1 << 20;
    QTest::newRow("whole") << 3 * mb << QList<Turn>{{0}} << QList<qint64>{0};
    QTest::newRow("cut off twice") << 12 * mb << QList<Turn>{{0, 5 * mb + 7}, {0, 9 * mb}, {0}}
                                   << QList<qint64>{0, 5 * mb + 7, 9 * mb};
    QTest::newRow("range ignored") << 3 * mb << QList<Turn>{{0, mb}, {200}} << QList<qint64>{0, mb};
    QTest::newRow("server error") << mb << QList<Turn>{{503}, {0, 100000}, {503}, {0}}
                                  << QList<qint64>{0, 0, 100000, 100000};
    // Qt may ask for the first URL twice before it follows the redirect.
    QTest::newRow("redirected") << mb << QList<Turn>{{302}} << QList<qint64>{};
}

void TestHttpSource::aBrokenDownloadArrivesWholeAndByteExact()
{
    QFETCH(qsizetype, size);
    QFETCH(QList<Turn>, turns);
    QFETCH(QList<qint64>, rangesUpTo);
    const QByteArray body = randomBody(size);
    TestServer server;
    server.setHandler(scripted(server, body, turns));
    graph::HttpSource source(urlOf(server));

    const Outcome outcome = readAll(source);
    QCOMPARE(outcome.error, QString());
    QVERIFY(outcome.body == body);
    QCOMPARE(source.consumed(), std::uint64_t(size));
    QCOMPARE(source.size(), std::optional<std::uint64_t>(size));
    if (rangesUpTo.isEmpty()) {
        QCOMPARE(server.targets.last(), "/moved/x.txt.gz");
        return;
    }
    QCOMPARE(server.heads.size(), rangesUpTo.size());
    qint64 from = 0;
    for (qsizetype i = 0; i < rangesUpTo.size(); ++i) {
        const QByteArray range = rangeOf(server.heads[i]);
        if (rangesUpTo[i] == 0) {
            QCOMPARE(range, QByteArray());
            continue;
        }
        const qint64 previous = std::exchange(from, range.mid(6).chopped(1).toLongLong());
        QVERIFY2(range == "bytes=" + QByteArray::number(from) + '-' && from >= previous && from > 0 && from <= rangesUpTo[i], range);
    }
}

void TestHttpSource::aDownloadWaitsForItsReader()
{
    const QByteArray body = randomBody(48 << 20);
    TestServer server;
    QTcpSocket *connection = nullptr;
    server.setHandler([&](const QByteArray &, QTcpSocket *socket) {
        connection = socket;
        socket->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    });
    graph::HttpSource source(urlOf(server));
    char first;
    QCOMPARE(whileServing([&] { return source.read(&first, 1); }), std::size_t(1));
    // Nothing reads now: the download must stop taking, leaving most of the body with the server.
    QTest::qWait(300);
    QVERIFY(connection);
    QVERIFY2(connection->bytesToWrite() > body.size() / 2, QByteArray::number(connection->bytesToWrite()));

    const Outcome rest = readAll(source);
    QCOMPARE(rest.error, QString());
    QVERIFY(first + rest.body == body);
}

void TestHttpSource::anAnswerOtherThanTheBodyIsRefused_data()
{
    QTest::addColumn<QList<Turn>>("turns");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("requests");
    QTest::newRow("not found") << QList<Turn>{{404}} << ": HTTP 404 Status" << 1;
    QTest::newRow("keeps breaking") << QList<Turn>{{0, 100}, {0, 0}}
                                    << ": the download broke off after 100 bytes, 5 retries in a row failed: " << 6;
    QTest::newRow("keeps failing") << QList<Turn>{{500}} << ": the download broke off after 0 bytes, 5 retries in a row failed: HTTP 500 Status" << 6;
}

void TestHttpSource::anAnswerOtherThanTheBodyIsRefused()
{
    QFETCH(QList<Turn>, turns);
    QFETCH(QString, error);
    QFETCH(int, requests);
    TestServer server;
    server.setHandler(scripted(server, randomBody(1000), turns));
    graph::HttpSource source(urlOf(server));

    const Outcome outcome = readAll(source);
    QVERIFY2(outcome.error.startsWith(QString::fromStdString(urlOf(server)) + error), qPrintable(outcome.error));
    QCOMPARE(server.heads.size(), requests);
    // The bytes that came before a refusal are delivered, never more.
    QVERIFY(outcome.body.size() <= 100);
}

void TestHttpSource::destroyingStopsTheDownload()
{
    const QByteArray body = randomBody(48 << 20);
    TestServer server;
    QList<QTcpSocket *> connections;
    server.setHandler([&](const QByteArray &, QTcpSocket *socket) {
        connections.append(socket);
        socket->write("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
    });
    // Before any answer (the thread may not have started its loop yet), and mid-transfer.
    { graph::HttpSource source(urlOf(server)); }
    {
        graph::HttpSource source(urlOf(server));
        char first;
        QCOMPARE(whileServing([&] { return source.read(&first, 1); }), std::size_t(1));
    }
    QVERIFY(!connections.isEmpty());
    QTRY_COMPARE(connections.last()->state(), QAbstractSocket::UnconnectedState);
}

void TestHttpSource::notAnHttpUrlIsRefused()
{
    for (const std::string url : {"ftp://example.org/x.gz", "x.txt.gz", "http://"})
        QVERIFY_THROWS_EXCEPTION(archive::InputError, graph::HttpSource{url});
}

QTEST_GUILESS_MAIN(TestHttpSource)
#include "tst_httpsource.moc"
