#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTcpServer>

#include <functional>

class QTcpSocket;

// An HTTP server on loopback that plays the proxy the program reaches through http_proxy. It
// records every request target as received (absolute form) and answers with a handler, which
// may also misbehave on purpose with the raw socket.
class TestServer : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<void(const QByteArray &target, QTcpSocket *socket)>;

    explicit TestServer(Handler handler = {});

    quint16 port() const { return m_server.serverPort(); }
    // Points http_proxy at this server.
    void becomeProxy() const;
    void setHandler(Handler handler) { m_handler = std::move(handler); }

    QList<QByteArray> targets;
    // Every request's request line and header lines, as received.
    QList<QByteArray> heads;

    // A complete answer with Content-Length, keeping the connection open.
    static void reply(QTcpSocket *socket, int status, const QByteArray &body,
                      const QByteArray &contentType = "text/html; charset=utf-8");
    // The query value of key in a request target, still percent-encoded.
    static QByteArray queryValue(const QByteArray &target, const QByteArray &key);

private:
    void readRequests(QTcpSocket *socket);

    QTcpServer m_server;
    Handler m_handler;
    QHash<QTcpSocket *, QByteArray> m_pending;
};
