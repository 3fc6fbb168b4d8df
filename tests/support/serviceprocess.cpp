#include "serviceprocess.h"

#include <QRegularExpression>

namespace {

constexpr int kWaitMs = 5000;

} // namespace

ServiceProcess::ServiceProcess(const QStringList &arguments)
{
    m_process.start(QStringLiteral(LINKVANE_SERVICE), arguments);
    while (!m_process.canReadLine() && m_process.waitForReadyRead(kWaitMs)) { }
    const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("^listening on 127\\.0\\.0\\.1:(\\d+)\n$"))
                                              .match(QString::fromUtf8(m_process.readLine()));
    m_port = match.hasMatch() ? match.captured(1).toUShort() : 0;
    m_process.setReadChannel(QProcess::StandardError);
}

ServiceProcess::~ServiceProcess()
{
    m_process.kill();
    m_process.waitForFinished();
}

void ServiceProcess::becomeProxy() const
{
    qputenv("http_proxy", "http://127.0.0.1:" + QByteArray::number(m_port));
}

bool ServiceProcess::logged(const QByteArray &line)
{
    while (!log().contains(line)) {
        if (!m_process.waitForReadyRead(kWaitMs))
            return false;
    }
    return true;
}

QByteArray ServiceProcess::log()
{
    return m_log += m_process.readAllStandardError();
}
