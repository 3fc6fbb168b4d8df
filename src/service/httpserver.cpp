#include "httpserver.h"

#include <QTcpSocket>
#include <QTimer>

#include <cstdio>
#include <optional>

namespace {

// Heads and bodies beyond this are refused rather than buffered without end; real requests to
// this service are a few hundred bytes.
constexpr qsizetype kMaxRequestPart = 64 * 1024;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    }
    Q_UNREACHABLE();
    return {};
}

struct RequestHead
{
    QByteArray method;
    QByteArray target;
    qsizetype bodyBytes = 0;
    bool keepAlive = true;
};

bool headerIs(const QByteArray &name, const char *wanted)
{
    return name.compare(wanted, Qt::CaseInsensitive) == 0;
}

// The request line and headers, without the blank line that ends them; nullopt when they are
// malformed or frame the body in a way this server does not read (chunked).
std::optional<RequestHead> parseHead(const QByteArray &head)
{
    QList<QByteArray> lines = head.split('\n');
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    const QList<QByteArray> requestLine = lines.takeFirst().split(' ');
    if (requestLine.size() != 3 || requestLine[0].isEmpty() || requestLine[1].isEmpty()
        || (requestLine[2] != "HTTP/1.1" && requestLine[2] != "HTTP/1.0"))
        return std::nullopt;

    RequestHead parsed{requestLine[0], requestLine[1], 0, requestLine[2] == "HTTP/1.1"};
    for (const QByteArray &line : lines) {
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return std::nullopt;
        const QByteArray name = line.left(colon);
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (headerIs(name, "Content-Length")) {
            bool ok = false;
            parsed.bodyBytes = value.toLongLong(&ok);
            if (!ok || parsed.bodyBytes < 0 || parsed.bodyBytes > kMaxRequestPart)
                return std::nullopt;
        } else if (headerIs(name, "Transfer-Encoding")) {
            return std::nullopt;
        } else if ((headerIs(name, "Connection") || headerIs(name, "Proxy-Connection"))
                   && value.toLower().contains("close")) {
            parsed.keepAlive = false;
        }
    }
    return parsed;
}

// One client connection: its requests are answered strictly one after another, so answers
// leave in the order the requests came even when they wait for the latency.
class Connection : public QObject
{
public:
    Connection(QTcpSocket *socket, const HttpHandler &handler, std::chrono::milliseconds latency)
        : QObject(socket), m_socket(socket), m_handler(handler), m_latency(latency)
    {
        connect(socket, &QTcpSocket::readyRead, this, &Connection::readRequests);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

private:
    void readRequests()
    {
        m_buffer += m_socket->readAll();
        if (m_answering)
            return;
        const qsizetype headEnd = m_buffer.indexOf("\r\n\r\n");
        if (headEnd < 0) {
            if (m_buffer.size() > kMaxRequestPart)
                answer("-", "-", statusPage(400), false);
            return;
        }
        const std::optional<RequestHead> head = parseHead(m_buffer.left(headEnd));
        if (!head) {
            answer("-", m_buffer.left(m_buffer.indexOf("\r\n")), statusPage(400), false);
            return;
        }
        const qsizetype requestEnd = headEnd + 4 + head->bodyBytes;
        if (m_buffer.size() < requestEnd)
            return;
        m_buffer.remove(0, requestEnd);

        const QUrl target = QUrl::fromEncoded(head->target);
        if (head->method != "GET")
            answer(head->method, head->target, statusPage(405), false);
        else if (!target.isValid())
            answer(head->method, head->target, statusPage(400), false);
        else
            answer(head->method, head->target, m_handler(target), head->keepAlive);
    }

    // The timer belongs to this connection, so a client that leaves early cancels its answer.
    void answer(const QByteArray &method, const QByteArray &target, const HttpResponse &response,
                bool keepAlive)
    {
        m_answering = true;
        QTimer::singleShot(m_latency, this, [=, this] {
            QByteArray message
                = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reasonPhrase(response.status)
                  + "\r\nContent-Type: " + response.contentType
                  + "\r\nContent-Length: " + QByteArray::number(response.body.size()) + "\r\n";
            if (!keepAlive)
                message += "Connection: close\r\n";
            m_socket->write(message + "\r\n" + response.body);
            std::fprintf(stderr, "%s %s %d %lld\n", method.constData(), target.constData(),
                         response.status, static_cast<long long>(response.body.size()));
            if (!keepAlive) {
                m_socket->disconnectFromHost();
                return;
            }
            m_answering = false;
            readRequests();
        });
    }

    QTcpSocket *m_socket;
    const HttpHandler &m_handler;
    std::chrono::milliseconds m_latency;
    QByteArray m_buffer;
    bool m_answering = false;
};

} // namespace

HttpResponse statusPage(int status)
{
    const QByteArray line = QByteArray::number(status) + ' ' + reasonPhrase(status);
    return {status, "text/html; charset=utf-8",
            "<!DOCTYPE html>\n<html>\n<head><title>" + line + "</title></head>\n<body>\n<h1>" + line
                + "</h1>\n</body>\n</html>\n"};
}

HttpServer::HttpServer(HttpHandler handler, std::chrono::milliseconds latency)
    : m_handler(std::move(handler)), m_latency(latency)
{
    connect(this, &QTcpServer::newConnection, this, &HttpServer::serveNewConnections);
}

void HttpServer::serveNewConnections()
{
    while (QTcpSocket *socket = nextPendingConnection())
        new Connection(socket, m_handler, m_latency);
}
