#pragma once

#include <QString>
#include <QUrl>

#include <functional>

// The desktop services the window hands work to. The running program uses the real ones; tests
// replace members of services() to answer message boxes and save dialogs and to catch what would
// be opened.
namespace platform {

// Message box styles and answers, as the window's prompts give them.
enum MsgBoxStyle { vbOKCancel = 1, vbCritical = 16, vbQuestion = 32 };
enum MsgBoxResult { vbOK = 1, vbCancel = 2 };

struct Services
{
    // Modal box with a prompt, a style (buttons + icon) and a title; returns the button chosen.
    std::function<int(const QString &prompt, int style, const QString &title)> messageBox;
    // Hands a URL to the desktop's default handler (normally the web browser), without waiting.
    std::function<void(const QUrl &url)> openUrl;
    // Modal save dialog with a caption, the file it proposes and a name filter; returns the path
    // chosen, empty when the user cancelled.
    std::function<QString(const QString &caption, const QString &proposed, const QString &filter)> saveFileName;
    // Ends the process at once: no further handler runs.
    std::function<void()> endProcess;
};

Services &services();

inline int MsgBox(const QString &prompt, int style, const QString &title)
{
    return services().messageBox(prompt, style, title);
}

} // namespace platform
