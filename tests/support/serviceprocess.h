#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>

// The built linkvane-service running as a process, stopped when this goes.
class ServiceProcess
{
public:
    explicit ServiceProcess(const QStringList &arguments);
    ~ServiceProcess();

    // 0 when the service did not start listening.
    quint16 port() const { return m_port; }
    // Points http_proxy at the service.
    void becomeProxy() const;

    // Whether the service wrote line to stderr, waiting a little for it.
    bool logged(const QByteArray &line);
    // Everything the service has written to stderr so far.
    QByteArray log();

private:
    QProcess m_process;
    quint16 m_port = 0;
    QByteArray m_log;
};
