#include "services.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {

int showMessageBox(const QString &prompt, int style, const QString &title)
{
    const QMessageBox::Icon icon = (style & vbQuestion) ? QMessageBox::Question
                                   : (style & vbCritical) ? QMessageBox::Critical
                                                           : QMessageBox::NoIcon;
    QMessageBox box(icon, title, prompt, QMessageBox::Ok, QApplication::activeWindow());
    if (style & vbOKCancel) {
        box.addButton(QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
    }
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? vbOK : vbCancel;
}

// Qt's own dialog rather than the desktop's, so that it looks and behaves the same everywhere.
QString askSaveFileName(const QString &caption, const QString &proposed, const QString &filter)
{
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), caption, proposed, filter, nullptr,
                                        QFileDialog::DontUseNativeDialog);
}

void endProcessNow()
{
    std::fflush(nullptr);
    std::_Exit(0);
}

} // namespace

Services &services()
{
    static Services current{showMessageBox,
                            [](const QUrl &url) { QDesktopServices::openUrl(url); },
                            askSaveFileName,
                            endProcessNow};
    return current;
}

} // namespace platform
