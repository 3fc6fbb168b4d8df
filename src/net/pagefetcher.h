#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <chrono>

// A fetched page: the body decoded as text whatever the HTTP status (an error page is a page
// like any other), or empty text when no answer came. status is the HTTP status, 0 when there
// was no answer.
struct FetchedPage
{
    QString text;
    int status = 0;
};

// One HTTP GET of exactly url, through the system's proxy configuration (http_proxy, no_proxy).
// The caller waits while window events keep running, so handlers may run, and fetch, meanwhile.
// The wait always ends: see FetchLimits.
FetchedPage getHTTPPage1(const QString &url); // decoded as UTF-8
FetchedPage getHTTPPage2(const QString &url); // decoded as gb2312

// The whole body decoded in the charset Cset; bytes not valid in it become replacement
// characters. "gb2312" is read as GBK, its superset, as browsers and Windows read that label.
QString BytesToBstr(const QByteArray &body, const char *Cset);

// The request URL for a URL as the caller wrote it: what is percent-encoded stays encoded, a
// "%" that starts no escape stands for itself, blanks and non-ASCII go out as UTF-8 escapes and
// "#" ends the URL.
QUrl requestUrl(const QString &url);

// A fetch gives up after idle without data, or after total in all.
struct FetchLimits
{
    std::chrono::milliseconds idle{20'000};
    std::chrono::milliseconds total{60'000};
};
void setFetchLimits(FetchLimits limits); // tests shorten the waits
