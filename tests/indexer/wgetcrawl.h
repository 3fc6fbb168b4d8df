#pragma once

#include <QString>
#include <QStringList>

class TestServer;

// The real wget, crawling what a test's server serves as its http_proxy, so that any host name
// reaches loopback.
struct WgetRun
{
    int status = -1; // -1: it could not start, crashed or did not end within a minute
    QString err;
};

// Runs wget with arguments in directory while server answers on this thread. With fakeClock
// ("2026-09-01 12:00:00", UTC) it runs under faketime, its clock stopped at that moment, so its
// WARC records carry that date; the server keeps the real clock.
WgetRun crawlWithWget(const TestServer &server, const QString &directory, const QStringList &arguments,
                      const QString &fakeClock = {});
