#include "net/pagefetcher.h"
#include "support/testserver.h"

#include <QTcpSocket>
#include <QtTest>

using namespace std::chrono_literals;

class PageFetcherTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void errorStatusBodyIsAPage_data();
    void errorStatusBodyIsAPage();
    void transportFailureGivesEmptyText_data();
    void transportFailureGivesEmptyText();
    void decodesInTheNamedCharset();
    void requestTargetIsTheUrlAsWritten_data();
    void requestTargetIsTheUrlAsWritten();
    void followsRedirects();
    void fetchesStartedDuringAWaitEachGetTheirOwnPage();

private:
    std::unique_ptr<TestServer> m_server;
};

void PageFetcherTest::init()
{
    setFetchLimits({500ms, 2s});
    m_server = std::make_unique<TestServer>();
    m_server->becomeProxy();
}

void PageFetcherTest::errorStatusBodyIsAPage_data()
{
    QTest::addColumn<int>("status");
    QTest::newRow("200") << 200;
    QTest::newRow("404") << 404;
    QTest::newRow("500") << 500;
    QTest::newRow("503") << 503;
}

void PageFetcherTest::errorStatusBodyIsAPage()
{
    QFETCH(int, status);
    m_server->setHandler([status](const QByteArray &, QTcpSocket *socket) {
        TestServer::reply(socket, status, "<html>页面 " + QByteArray::number(status) + "</html>");
    });
    const FetchedPage page = getHTTPPage1(QStringLiteral("http://site.example/x"));
    QCOMPARE(page.text, "<html>页面 " + QString::number(status) + "</html>");
    QCOMPARE(page.status, status);
}

void PageFetcherTest::transportFailureGivesEmptyText_data()
{
    QTest::addColumn<QString>("failure");
    QTest::newRow("connection refused") << "refused";
    QTest::newRow("never answers (idle limit)") << "silent";
    QTest::newRow("trickles for ever (total limit)") << "trickle";
    QTest::newRow("reset in the middle of the body") << "reset";
    QTest::newRow("redirect loop") << "loop";
}

void PageFetcherTest::transportFailureGivesEmptyText()
{
    QFETCH(QString, failure);
    QTimer trickle;
    if (failure == "refused") {
        quint16 closedPort;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            closedPort = probe.serverPort();
        }
        qputenv("http_proxy", "http://127.0.0.1:" + QByteArray::number(closedPort));
    }
    m_server->setHandler([&](const QByteArray &, QTcpSocket *socket) {
        if (failure == "reset") {
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n<html>half");
            socket->flush();
            QTimer::singleShot(50, socket, &QTcpSocket::abort);
        } else if (failure == "trickle") {
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n");
            QObject::connect(&trickle, &QTimer::timeout, socket, [socket] { socket->write("x"); });
            trickle.start(100);
        } else if (failure == "loop") {
            socket->write("HTTP/1.1 302 Found\r\nLocation: http://site.example/x\r\nContent-Length: 5\r\n\r\nagain");
        }
    });
    QElapsedTimer clock;
    clock.start();
    const FetchedPage page = getHTTPPage1(QStringLiteral("http://site.example/x"));
    QVERIFY2(page.text.isEmpty(), qPrintable(page.text));
    QCOMPARE(page.status, 0);
    QVERIFY(clock.elapsed() < 10'000);
}

void PageFetcherTest::decodesInTheNamedCharset()
{
    const QByteArray gbk = "\xd7\xee\xd0\xc2\xb0\xe6\xb1\xbe 8.8\r\n"; // 最新版本 8.8
    m_server->setHandler([&](const QByteArray &target, QTcpSocket *socket) {
        if (target.endsWith("/gbk"))
            TestServer::reply(socket, 200, gbk, "text/plain");
        else
            TestServer::reply(socket, 200, "ok \xff\xfe \xe4\xb8\xad\xe6\x96\x87 \xe4", "text/html");
    });
    QCOMPARE(getHTTPPage2(QStringLiteral("http://site.example/gbk")).text, "最新版本 8.8\r\n");
    // Invalid UTF-8, a broken-off sequence at the end included, becomes replacement characters.
    QCOMPARE(getHTTPPage1(QStringLiteral("http://site.example/utf8")).text, "ok \uFFFD\uFFFD 中文 \uFFFD");
    QCOMPARE(BytesToBstr("\xd6\xd0\xce\xc4\xd6", "gb2312"), "中文\uFFFD");
}

void PageFetcherTest::requestTargetIsTheUrlAsWritten_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QByteArray>("target");
    const QString search = QStringLiteral("http://search.linkvane.example/search?p=http%3A%2F%2F");
    const QByteArray sent = "http://search.linkvane.example/search?p=http%3A%2F%2F";
    QTest::newRow("escapes stay escaped") << search + "chayuan.example&bwm=i&bwmo=d&b=51"
                                          << sent + "chayuan.example&bwm=i&bwmo=d&b=51";
    QTest::newRow("a lone % stands for itself") << search + "a%zz.example&b=1" << sent + "a%25zz.example&b=1";
    QTest::newRow("a % at the end") << search + "a.example%" << sent + "a.example%25";
    QTest::newRow("tilde") << search + "a.example/~me&b=1" << sent + "a.example/~me&b=1";
    QTest::newRow("blank and non-ASCII go out as UTF-8")
        << search + "a b.例子.example" << sent + "a%20b.%E4%BE%8B%E5%AD%90.example";
    QTest::newRow("# ends the URL") << search + "a.example#x&b=1" << sent + "a.example";
    QTest::newRow("upper case is kept") << search + "Chayuan.EXAMPLE&b=1" << sent + "Chayuan.EXAMPLE&b=1";
}

void PageFetcherTest::requestTargetIsTheUrlAsWritten()
{
    QFETCH(QString, url);
    QFETCH(QByteArray, target);
    m_server->setHandler([](const QByteArray &, QTcpSocket *socket) { TestServer::reply(socket, 200, "ok"); });
    QCOMPARE(getHTTPPage1(url).text, "ok");
    QCOMPARE(m_server->targets, QList<QByteArray>{target});
}

void PageFetcherTest::followsRedirects()
{
    m_server->setHandler([](const QByteArray &target, QTcpSocket *socket) {
        if (target.endsWith("/old"))
            socket->write("HTTP/1.1 301 Moved\r\nLocation: http://site.example/new\r\nContent-Length: 0\r\n\r\n");
        else
            TestServer::reply(socket, 200, "new page");
    });
    QCOMPARE(getHTTPPage1(QStringLiteral("http://site.example/old")).text, "new page");
}

void PageFetcherTest::fetchesStartedDuringAWaitEachGetTheirOwnPage()
{
    QTcpSocket *outerSocket = nullptr;
    FetchedPage inner;
    m_server->setHandler([&](const QByteArray &target, QTcpSocket *socket) {
        if (target.endsWith("/outer")) {
            // Held back until a handler running inside the outer wait has fetched its own page.
            outerSocket = socket;
            QTimer::singleShot(0, [&] {
                inner = getHTTPPage1(QStringLiteral("http://site.example/inner"));
                TestServer::reply(outerSocket, 200, "outer page");
            });
        } else {
            TestServer::reply(socket, 200, "inner page");
        }
    });
    QCOMPARE(getHTTPPage1(QStringLiteral("http://site.example/outer")).text, "outer page");
    QCOMPARE(inner.text, "inner page");
}

QTEST_GUILESS_MAIN(PageFetcherTest)
#include "tst_pagefetcher.moc"
