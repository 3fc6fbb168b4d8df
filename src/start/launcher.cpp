#include "launcher.h"

#include <QProcessEnvironment>
#include <QRegularExpression>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/prctl.h>
#endif

namespace {

constexpr int kServiceStartMs = 10'000;
constexpr int kServiceStopMs = 3'000;

void endWithParent(QProcess &process)
{
#ifdef Q_OS_LINUX
    // Should the launcher itself be killed, its children go with it.
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
#else
    Q_UNUSED(process);
#endif
}

} // namespace

Launcher::Launcher(QString programs, QStringList serviceArguments)
    : m_programs(std::move(programs)), m_serviceArguments(std::move(serviceArguments))
{
    connect(&m_window, &QProcess::finished, this, &Launcher::windowFinished);
    connect(&m_window, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            m_error = QStringLiteral("cannot start %1: %2").arg(m_window.program(), m_window.errorString());
            windowFinished(1, QProcess::CrashExit);
        }
    });
}

bool Launcher::start()
{
    m_service.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    endWithParent(m_service);
    m_service.start(m_programs + QStringLiteral("/linkvane-service"), QStringList{"--port", "0"} + m_serviceArguments);
    // The service names its port on its first line, once it listens.
    while (!m_service.canReadLine() && m_service.waitForReadyRead(kServiceStartMs)) { }
    const QRegularExpressionMatch listening = QRegularExpression(QStringLiteral("^listening on (127\\.0\\.0\\.1:\\d+)\n$"))
                                                  .match(QString::fromUtf8(m_service.readLine()));
    if (!listening.hasMatch()) {
        m_error = m_service.state() == QProcess::NotRunning && m_service.error() == QProcess::FailedToStart
                      ? QStringLiteral("cannot start %1: %2").arg(m_service.program(), m_service.errorString())
                      : QStringLiteral("linkvane-service did not start (its messages are above)");
        m_service.kill();
        m_service.waitForFinished();
        return false;
    }

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"http_proxy", "HTTP_PROXY", "no_proxy", "NO_PROXY"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("http_proxy"), QStringLiteral("http://") + listening.captured(1));
    m_window.setProcessEnvironment(environment);
    m_window.setProcessChannelMode(QProcess::ForwardedChannels);
    endWithParent(m_window);
    m_window.start(m_programs + QStringLiteral("/linkvane"), {});
    return true;
}

void Launcher::closeWindow()
{
    m_window.terminate();
}

void Launcher::windowFinished(int exitCode, QProcess::ExitStatus status)
{
    m_service.terminate();
    if (!m_service.waitForFinished(kServiceStopMs)) {
        m_service.kill();
        m_service.waitForFinished();
    }
    emit finished(status == QProcess::NormalExit ? exitCode : 1);
}
