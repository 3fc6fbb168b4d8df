#include "pagefetcher.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <QTimer>

namespace {

FetchLimits g_limits;

QNetworkAccessManager &network()
{
    // One manager for the process, so connections are reused; it goes with the application.
    static QNetworkAccessManager *manager = new QNetworkAccessManager(QCoreApplication::instance());
    return *manager;
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Whether the reply is an HTTP answer, error statuses included, rather than a transport failure
// (refused, reset, cut off, timed out, redirected in circles).
bool isAnswer(const QNetworkReply &reply, int status)
{
    const auto error = reply.error();
    if (error == QNetworkReply::NoError)
        return true;
    const bool statusError = (error >= QNetworkReply::ContentAccessDenied
                              && error <= QNetworkReply::UnknownContentError)
                             || error == QNetworkReply::ProtocolInvalidOperationError
                             || (error >= QNetworkReply::InternalServerError
                                 && error <= QNetworkReply::UnknownServerError);
    return status != 0 && statusError;
}

FetchedPage fetchPage(const QString &url, const char *charset)
{
    QNetworkRequest request(requestUrl(url));
    request.setTransferTimeout(int(g_limits.idle.count()));
    QNetworkReply *reply = network().get(request);

    QEventLoop wait;
    QObject::connect(reply, &QNetworkReply::finished, &wait, &QEventLoop::quit);
    QTimer::singleShot(g_limits.total, reply, &QNetworkReply::abort);
    if (!reply->isFinished())
        wait.exec();
    // The wait also ends when the application is told to quit.
    if (!reply->isFinished())
        reply->abort();

    FetchedPage page;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (isAnswer(*reply, status)) {
        page.status = status;
        page.text = BytesToBstr(reply->readAll(), charset);
    }
    reply->deleteLater();
    return page;
}

} // namespace

FetchedPage getHTTPPage1(const QString &url)
{
    return fetchPage(url, "UTF-8");
}

FetchedPage getHTTPPage2(const QString &url)
{
    return fetchPage(url, "gb2312");
}

QString BytesToBstr(const QByteArray &body, const char *Cset)
{
    QStringDecoder decoder(qstricmp(Cset, "gb2312") == 0 ? "GBK" : Cset);
    // A line feed after the body ends any multi-byte sequence that the body breaks off, so that it
    // too becomes a replacement character instead of vanishing; it is taken off again.
    QString text = decoder.decode(body + '\n');
    text.chop(1);
    return text;
}

QUrl requestUrl(const QString &url)
{
    static constexpr QByteArrayView notInRequestLine = "\"<>\\^`{|}";
    const QByteArray bytes = url.section(u'#', 0, 0).toUtf8();
    QByteArray target;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const bool escape = c == '%' ? !(i + 2 < bytes.size() && isHexDigit(bytes[i + 1]) && isHexDigit(bytes[i + 2]))
                                     : c <= 0x20 || c >= 0x7F || notInRequestLine.contains(char(c));
        if (escape)
            target += '%' + QByteArray::number(c, 16).toUpper().rightJustified(2, '0');
        else
            target += char(c);
    }
    return QUrl::fromEncoded(target, QUrl::StrictMode);
}

void setFetchLimits(FetchLimits limits)
{
    g_limits = limits;
}
