// Stands in for the linkvane program in the launcher's tests: the real window, made without a
// screen, queries the domain in LINKVANE_TEST_DOMAIN through the proxy the launcher set, and
// writes the rows it lists, and the proxy it used, to the file LINKVANE_TEST_ROWS. With
// LINKVANE_TEST_CRASH set it crashes instead, with LINKVANE_TEST_HANG it never ends.
#include "form/form1.h"
#include "results/resulttable.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QThread>
#include <QTimer>

#include <cstdlib>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("LINKVANE_TEST_CRASH"))
        std::abort();
    if (qEnvironmentVariableIsSet("LINKVANE_TEST_HANG"))
        return app.exec();

    Form1 window;
    window.Timer1->stop();
    window.Text1->setText(qEnvironmentVariable("LINKVANE_TEST_DOMAIN"));
    window.Command5_Click();

    QFile rows(qEnvironmentVariable("LINKVANE_TEST_ROWS"));
    if (!rows.open(QIODevice::WriteOnly))
        return 1;
    rows.write("proxy " + qgetenv("http_proxy") + "\ncount " + window.Label1.toUtf8() + '\n');
    for (int row = 0; row < window.ListView1->rows(); ++row)
        rows.write((window.ListView1->cellText(row, 1).trimmed() + u'\t' + window.ListView1->cellText(row, 2).trimmed() + u'\n')
                       .toUtf8());
    return 0;
}
