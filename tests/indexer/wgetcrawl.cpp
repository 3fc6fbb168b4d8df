#include "wgetcrawl.h"

#include "support/testserver.h"

#include <QProcess>
#include <QtTest>

WgetRun crawlWithWget(const TestServer &server, const QString &directory, const QStringList &arguments,
                      const QString &fakeClock)
{
    QProcess wget;
    wget.setWorkingDirectory(directory);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("http_proxy", "http://127.0.0.1:" + QString::number(server.port()));
    // faketime reads its moment in the local zone; wget writes WARC dates in UTC.
    environment.insert("TZ", "UTC");
    wget.setProcessEnvironment(environment);
    if (fakeClock.isEmpty())
        wget.start("wget", arguments);
    else
        wget.start("faketime", QStringList{"-f", fakeClock, "wget"} + arguments);
    // The server answers only while this thread's event loop runs, so no blocking wait here.
    if (!QTest::qWaitFor([&] { return wget.state() == QProcess::NotRunning; }, 60'000)) {
        wget.kill();
        wget.waitForFinished();
        return {-1, "wget did not finish"};
    }
    const bool ended = wget.error() != QProcess::FailedToStart && wget.exitStatus() == QProcess::NormalExit;
    return {ended ? wget.exitCode() : -1, QString::fromLocal8Bit(wget.readAllStandardError()) + wget.errorString()};
}
