#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

// linkvane-index run as a user runs it, and the archive records the program-level tests feed it.

struct IndexerRun
{
    int status = -1; // -1: it crashed or was killed
    QString out;
    QString err;
    QByteArray bytes; // standard output as written
};

// Runs linkvane-index with arguments, input on its standard input; a run that does not end
// within a minute ends the test.
IndexerRun linkvaneIndex(const QStringList &arguments, const QByteArray &input = {});

// The lines of a listing, empty ones left out.
QStringList lines(const QString &text);

// Writes bytes to the file at path and returns path; a file that cannot be written ends the test.
QString writeFile(const QString &path, const std::string &bytes);

// A gzip member a record, as crawlers write WARC and WAT files.
std::string perRecordGzip(const std::vector<std::string> &records);

// A response record of url captured at date: head is the HTTP status line and headers without
// the blank line that ends them.
std::string responseRecord(const std::string &url, const std::string &date, const std::string &head, const std::string &body);

// A response record of an HTML page at url, captured at date, linking to each of targets.
std::string pageRecord(const std::string &url, const std::string &date, const std::vector<std::string> &targets);

// A WAT metadata record, as Common Crawl writes them, of a page at url captured at date, linking
// to each of targets.
std::string watPageRecord(const std::string &url, const std::string &date, const std::vector<std::string> &targets);

// A WAT metadata record of a response to url captured at date, response being its
// HTTP-Response-Metadata.
std::string watRecord(const std::string &url, const std::string &date, const QJsonObject &response);

// The source URLs of a domain's backlinks in the index, in listing order; a failure comes back
// as one entry saying why.
QStringList backlinkSources(const QString &index, const QString &domain);
