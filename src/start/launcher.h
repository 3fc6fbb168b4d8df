#pragma once

#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

// Opens Linkvane on the user's own link index: starts linkvane-service on a free loopback port,
// then the window with http_proxy pointing at it, and stops the service when the window has gone,
// however it went (closed, crashed or killed).
class Launcher : public QObject
{
    Q_OBJECT

public:
    // programs: the folder holding linkvane and linkvane-service. serviceArguments: where the
    // service takes its links from.
    Launcher(QString programs, QStringList serviceArguments);

    // Starts both; false, with error() saying why, when the service could not be started.
    bool start();
    QString error() const { return m_error; }
    // Ends the window, which ends the service after it.
    void closeWindow();

signals:
    // The window has gone and the service is stopped; exitCode is the window's.
    void finished(int exitCode);

private:
    void windowFinished(int exitCode, QProcess::ExitStatus status);

    QString m_programs;
    QStringList m_serviceArguments;
    QProcess m_service;
    QProcess m_window;
    QString m_error;
};
