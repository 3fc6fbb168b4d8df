#include "testserver.h"

#include <QTcpSocket>
#include <QtTest>

TestServer::TestServer(Handler handler) : m_handler(std::move(handler))
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequests(socket); });
        }
    });
    QVERIFY(m_server.listen(QHostAddress::LocalHost));
}

void TestServer::becomeProxy() const
{
    qputenv("http_proxy", "http://127.0.0.1:" + QByteArray::number(port()));
}

void TestServer::readRequests(QTcpSocket *socket)
{
    // GET requests only: a request ends with its blank line.
    QByteArray &pending = m_pending[socket];
    pending += socket->readAll();
    qsizetype end;
    while ((end = pending.indexOf("\r\n\r\n")) >= 0) {
        const QByteArray requestLine = pending.left(pending.indexOf("\r\n"));
        heads.append(pending.left(end));
        pending.remove(0, end + 4);
        const QByteArray target = requestLine.split(' ').value(1);
        targets.append(target);
        if (m_handler)
            m_handler(target, socket);
    }
}

void TestServer::reply(QTcpSocket *socket, int status, const QByteArray &body, const QByteArray &contentType)
{
    socket->write("HTTP/1.1 " + QByteArray::number(status) + " Status\r\nContent-Type: " + contentType
                  + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
}

QByteArray TestServer::queryValue(const QByteArray &target, const QByteArray &key)
{
    const QByteArray query = target.mid(target.indexOf('?') + 1);
    for (const QByteArray &pair : query.split('&')) {
        if (pair.startsWith(key + '='))
            return pair.mid(key.size() + 1);
    }
    return {};
}
