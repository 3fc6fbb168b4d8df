#include "testdata.h"

#include "archive/httpresponse.h"

#include <QtTest>

using namespace archive;

class HttpResponseTest : public QObject
{
    Q_OBJECT

private slots:
    void readsTheStatusLine_data();
    void readsTheStatusLine();
    void blockWithoutResponseIsNone_data();
    void blockWithoutResponseIsNone();
    void readsHeaderFields_data();
    void readsHeaderFields();
    void bodyStartsAfterTheBlankLine_data();
    void bodyStartsAfterTheBlankLine();
};

void HttpResponseTest::readsTheStatusLine_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("reason");
    QTest::addRow("HTTP/1.1") << QByteArray("HTTP/1.1 200 OK\r\n\r\n") << 200 << "OK";
    QTest::addRow("HTTP/1.0, a reason of words") << QByteArray("HTTP/1.0 404 Not Found\r\n\r\n") << 404 << "Not Found";
    QTest::addRow("no reason") << QByteArray("HTTP/1.1 301\r\nLocation: /x\r\n\r\n") << 301 << "";
    QTest::addRow("no reason, a blank left") << QByteArray("HTTP/1.1 302 \r\n\r\n") << 302 << "";
    QTest::addRow("two blanks before the status") << QByteArray("HTTP/1.1  200 OK\r\n\r\n") << 200 << "OK";
    QTest::addRow("HTTP/2 as browsers report it") << QByteArray("HTTP/2 200\r\n\r\n") << 200 << "";
    QTest::addRow("bare line feeds") << QByteArray("HTTP/1.1 500 Oops\n\n") << 500 << "Oops";
    QTest::addRow("only the status line") << QByteArray("HTTP/1.1 204 No Content") << 204 << "No Content";
}

void HttpResponseTest::readsTheStatusLine()
{
    QFETCH(QByteArray, block);
    QFETCH(int, status);
    QFETCH(QString, reason);
    std::string text = block.toStdString();
    const std::optional<HttpResponse> response = parseHttpResponse(text);
    QVERIFY(response);
    QCOMPARE(response->status, status);
    QCOMPARE(QString::fromUtf8(response->reason), reason);
}

void HttpResponseTest::blockWithoutResponseIsNone_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addRow("empty") << QByteArray();
    QTest::addRow("a page without its header") << QByteArray("<!DOCTYPE html><html></html>");
    QTest::addRow("a request") << QByteArray("GET / HTTP/1.1\r\nHost: a.example\r\n\r\n");
    QTest::addRow("status of words") << QByteArray("HTTP/1.1 OK\r\n\r\n");
    QTest::addRow("status of two digits") << QByteArray("HTTP/1.1 20 OK\r\n\r\n");
    QTest::addRow("status of four digits") << QByteArray("HTTP/1.1 2000 OK\r\n\r\n");
    QTest::addRow("no version") << QByteArray("HTTP/ 200 OK\r\n\r\n");
    QTest::addRow("version of words") << QByteArray("HTTP/x.y 200 OK\r\n\r\n");
    QTest::addRow("lower case") << QByteArray("http/1.1 200 OK\r\n\r\n");
    QTest::addRow("header without end past 256 KiB")
        << QByteArray("HTTP/1.1 200 OK\r\n") + QByteArray("X-Filler: ") + QByteArray(300'000, 'a');
}

void HttpResponseTest::blockWithoutResponseIsNone()
{
    QFETCH(QByteArray, block);
    std::string text = block.toStdString();
    QVERIFY(!parseHttpResponse(text));
}

void HttpResponseTest::readsHeaderFields_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("values");
    QTest::addRow("whatever the case") << QByteArray("content-TYPE: text/html\r\n") << "Content-Type" << QStringList{"text/html"};
    QTest::addRow("repeated, all kept in order") << QByteArray("Set-Cookie: a=1\r\nVary: x\r\nSet-Cookie: b=2\r\n") << "Set-Cookie"
                                                 << QStringList{"a=1", "b=2"};
    QTest::addRow("folded over three lines") << QByteArray("X-Long: one\r\n two\r\n\tthree\r\nServer: s\r\n") << "X-Long"
                                             << QStringList{"one   two   three"};
    QTest::addRow("folded after an empty value") << QByteArray("X-Late:\r\n  value\r\n") << "X-Late" << QStringList{"value"};
    QTest::addRow("a line that is no field is passed over") << QByteArray("garbage line\r\nLocation: /next\r\n") << "Location"
                                                            << QStringList{"/next"};
    QTest::addRow("a fold after such a line is passed over too") << QByteArray("Server: s\r\ngarbage\r\n folded\r\n") << "Server"
                                                                 << QStringList{"s"};
    QTest::addRow("not there") << QByteArray("Server: s\r\n") << "Location" << QStringList();
}

void HttpResponseTest::readsHeaderFields()
{
    QFETCH(QByteArray, header);
    QFETCH(QString, name);
    QFETCH(QStringList, values);
    std::string block = "HTTP/1.1 200 OK\r\n" + header.toStdString() + "\r\nbody";
    const std::optional<HttpResponse> response = parseHttpResponse(block);
    QVERIFY(response);
    QStringList found;
    for (const HeaderFields::Field &field : response->headers.all()) {
        if (equalsIgnoringCase(field.name, name.toStdString()))
            found << QString::fromUtf8(field.value);
    }
    QCOMPARE(found, values);
    QCOMPARE(response->headers.get(name.toLower().toStdString()).has_value(), !values.isEmpty());
    QCOMPARE(response->body, std::string_view("body"));
}

void HttpResponseTest::bodyStartsAfterTheBlankLine_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<QByteArray>("body");
    QTest::addRow("CRLF") << QByteArray("HTTP/1.1 200 OK\r\nA: b\r\n\r\n<html>\r\n\r\n</html>") << QByteArray("<html>\r\n\r\n</html>");
    QTest::addRow("bare line feeds") << QByteArray("HTTP/1.1 200 OK\nA: b\n\n<html>") << QByteArray("<html>");
    QTest::addRow("no fields") << QByteArray("HTTP/1.1 200 OK\r\n\r\n<html>") << QByteArray("<html>");
    QTest::addRow("binary body") << QByteArray("HTTP/1.1 200 OK\r\n\r\n\x1f\x8b\0\0\r\n\r\n", 27) << QByteArray("\x1f\x8b\0\0\r\n\r\n", 8);
    QTest::addRow("cut inside the header: no body") << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: text/ht") << QByteArray();
}

void HttpResponseTest::bodyStartsAfterTheBlankLine()
{
    QFETCH(QByteArray, block);
    QFETCH(QByteArray, body);
    std::string text = block.toStdString();
    const std::optional<HttpResponse> response = parseHttpResponse(text);
    QVERIFY(response);
    QCOMPARE(bytes(response->body), body);
}

QTEST_GUILESS_MAIN(HttpResponseTest)
#include "tst_httpresponse.moc"
