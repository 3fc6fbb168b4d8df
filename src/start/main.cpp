// linkvane-start: Linkvane answering from the user's own link index (or, before there is one,
// from the demo list), as the desktop entry starts it.

#include "commandline/commandhelp.h"
#include "index/indexlocation.h"
#include "launcher.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QMessageBox>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2];

// Where a person can see a message box (not a terminal, not a test's offscreen screen), errors are
// shown there too: the desktop entry has no terminal.
void report(const QString &message)
{
    std::fprintf(stderr, "linkvane-start: %s\n", qPrintable(message));
    if (!isatty(STDERR_FILENO) && QGuiApplication::platformName() != u"offscreen")
        QMessageBox::critical(nullptr, QStringLiteral("Linkvane"), message);
}

// A signal to the launcher closes the window, and so the service.
void closeOnSignals(Launcher &launcher)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, &launcher);
    QObject::connect(notifier, &QSocketNotifier::activated, &launcher, [&launcher] {
        char signal;
        if (::read(g_signalPipe[1], &signal, 1) == 1)
            launcher.closeWindow();
    });
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signal, [](int) {
            const char byte = 1;
            [[maybe_unused]] const auto written = ::write(g_signalPipe[0], &byte, 1);
        });
}

// Reads the command line before the window system starts, so that --help and --version answer
// without a screen. False when the program is to end, with that exit status.
bool readCommandLine(int argc, char *argv[], int &exitStatus)
{
    QCoreApplication app(argc, argv);
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QStringLiteral("Shows the version."));
    const commandline::CommandInfo start{
        {},
        QStringLiteral("[OPTIONS]"),
        QStringLiteral("Opens Linkvane on your own link index, $XDG_DATA_HOME/linkvane/index.sqlite "
                       "(~/.local/share/linkvane/index.sqlite), which linkvane-index builds from web archives and web "
                       "graphs. Until there is one, Linkvane answers from its demo list. Behind the window runs "
                       "linkvane-service on a free loopback port; it stops when the window closes."),
        {version}};
    const QString help = commandline::commandHelp(QStringLiteral("linkvane-start"), start);
    QCommandLineParser parser;
    parser.addOption(commandline::helpOption());
    parser.addOption(version);
    QString error;
    if (!parser.parse(app.arguments()))
        error = parser.errorText();
    else if (!parser.positionalArguments().isEmpty())
        error = QStringLiteral("unexpected argument ") + parser.positionalArguments().first();
    if (!error.isEmpty()) {
        std::fprintf(stderr, "linkvane-start: %s\n\n%s", qPrintable(error), qPrintable(help));
        exitStatus = 2;
        return false;
    }
    if (parser.isSet(QStringLiteral("help")))
        std::fputs(qPrintable(help), stdout);
    else if (parser.isSet(version))
        std::printf("linkvane-start %s\n", LINKVANE_VERSION);
    else
        return true;
    exitStatus = 0;
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    int exitStatus = 0;
    if (!readCommandLine(argc, argv, exitStatus))
        return exitStatus;

    QApplication app(argc, argv);
    const QString index = QString::fromStdString(linkindex::defaultIndexPath());
    Launcher launcher(QCoreApplication::applicationDirPath(),
                      QFileInfo::exists(index) ? QStringList{"--index", index} : QStringList{});
    QObject::connect(&launcher, &Launcher::finished, &app, [&](int exitCode) {
        if (!launcher.error().isEmpty())
            report(launcher.error());
        app.exit(exitCode);
    });
    closeOnSignals(launcher);
    if (!launcher.start()) {
        report(launcher.error());
        return 1;
    }
    return app.exec();
}
