#include "indexerruns.h"

#include "../archive/testdata.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace {

constexpr int kWaitMs = 60'000;

} // namespace

IndexerRun linkvaneIndex(const QStringList &arguments, const QByteArray &input)
{
    QProcess process;
    process.start(LINKVANE_INDEX, arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(kWaitMs))
        qFatal("linkvane-index %s did not finish", qPrintable(arguments.join(' ')));
    const QByteArray out = process.readAllStandardOutput();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, QString::fromUtf8(out),
            QString::fromUtf8(process.readAllStandardError()), out};
}

QStringList lines(const QString &text)
{
    return text.split(u'\n', Qt::SkipEmptyParts);
}

QString writeFile(const QString &path, const std::string &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

std::string perRecordGzip(const std::vector<std::string> &records)
{
    std::string out;
    for (const std::string &record : records)
        out += gzipped(record);
    return out;
}

std::string responseRecord(const std::string &url, const std::string &date, const std::string &head, const std::string &body)
{
    return warcRecord("WARC-Type: response\r\nWARC-Target-URI: " + url + "\r\nWARC-Date: " + date
                          + "\r\nContent-Type: application/http; msgtype=response\r\n",
                      head + "\r\n\r\n" + body);
}

std::string pageRecord(const std::string &url, const std::string &date, const std::vector<std::string> &targets)
{
    std::string html = "<html><head><title>Page " + url + "</title></head><body>";
    for (const std::string &target : targets)
        html += "<a href=\"" + target + "\">to " + target + "</a> ";
    html += "</body></html>";
    return responseRecord(url, date, "HTTP/1.1 200 OK\r\nContent-Type: text/html", html);
}

std::string watPageRecord(const std::string &url, const std::string &date, const std::vector<std::string> &targets)
{
    QJsonArray links;
    for (const std::string &target : targets)
        links.append(QJsonObject{{"path", "A@/href"},
                                 {"url", QString::fromStdString(target)},
                                 {"text", QString::fromStdString("to " + target)}});
    return watRecord(url, date,
                     QJsonObject{{"Response-Message", QJsonObject{{"Version", "HTTP/1.1"}, {"Status", "200"}, {"Reason", "OK"}}},
                                 {"Headers", QJsonObject{{"Content-Type", "text/html; charset=UTF-8"}}},
                                 {"HTML-Metadata", QJsonObject{{"Head", QJsonObject{{"Title", QString::fromStdString("Page " + url)}}},
                                                               {"Links", links}}}});
}

std::string watRecord(const std::string &url, const std::string &date, const QJsonObject &response)
{
    const QJsonObject envelope{
        {"Format", "WARC"},
        {"WARC-Header-Metadata",
         QJsonObject{{"WARC-Type", "response"},
                     {"WARC-Date", QString::fromStdString(date)},
                     {"WARC-Target-URI", QString::fromStdString(url)}}},
        {"Payload-Metadata",
         QJsonObject{{"Actual-Content-Type", "application/http; msgtype=response"}, {"HTTP-Response-Metadata", response}}}};
    return warcRecord("WARC-Type: metadata\r\nWARC-Target-URI: " + url + "\r\nWARC-Date: " + date
                          + "\r\nContent-Type: application/json\r\n",
                      QJsonDocument(QJsonObject{{"Envelope", envelope}}).toJson(QJsonDocument::Compact).toStdString());
}

QStringList backlinkSources(const QString &index, const QString &domain)
{
    const IndexerRun run = linkvaneIndex({"backlinks", "--index", index, domain});
    QStringList rows = run.out.split('\n', Qt::SkipEmptyParts);
    if (run.status != 0 || rows.isEmpty())
        return {"failed: " + run.err};
    rows.removeFirst();
    for (QString &row : rows)
        row = row.section('\t', 0, 0);
    return rows;
}
