#pragma once

#include <QByteArray>
#include <QTcpServer>
#include <QUrl>

#include <chrono>
#include <functional>

struct HttpResponse
{
    int status = 200;
    QByteArray contentType;
    QByteArray body;
};

// The answer to a GET of target, which keeps the form it arrived in: absolute when the client
// takes this server for its proxy, origin form otherwise.
using HttpHandler = std::function<HttpResponse(const QUrl &target)>;

// A small HTML page naming status, for answers that have nothing else to say.
HttpResponse statusPage(int status);

// HTTP/1.1 over plain TCP, enough for Qt's network access manager and simple clients: GET
// requests, one after another on kept-alive connections, each answered after latency and logged
// on stderr. QHttpServer 6.4 is not used because it crashes when a client leaves before a delayed
// answer is written, and it does not tell the request target as it arrived.
class HttpServer : public QTcpServer
{
public:
    HttpServer(HttpHandler handler, std::chrono::milliseconds latency);

private:
    void serveNewConnections();

    HttpHandler m_handler;
    std::chrono::milliseconds m_latency;
};
