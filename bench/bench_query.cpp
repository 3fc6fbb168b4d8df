// Whole queries from the window against the offline link service on loopback: a domain claiming
// more than 900 pages, so 20 requests, with and without a delay on every answer. What the tool
// adds to the waiting is the overhead, reckoned against the nominal delays and against the same 20
// requests made bare, one after another, without a window. The process's peak memory comes last.
#include "benchsupport.h"
#include "form/form1.h"
#include "net/pagefetcher.h"
#include "query/linksearch.h"
#include "support/serviceprocess.h"

#include <QApplication>
#include <QTimer>
#include <QLineEdit>

#include <sys/resource.h>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    std::printf("| %-58s | %14s | %s\n|---|---|---\n", "whole query of menhu.example (claims 1000)", "figure", "note");

    Form1 window;
    window.Timer1->stop();
    window.show();
    window.Text1->setText(QStringLiteral("menhu.example"));
    for (int latency : {0, 50}) {
        ServiceProcess service({QStringLiteral("--latency-ms"), QString::number(latency)});
        service.becomeProxy();
        const double bare = bestMs([] {
            getHTTPPage1(linksearch::queryUrl(QStringLiteral("menhu.example"), 1));
            for (int b = 1; b <= 901; b += 50)
                getHTTPPage1(linksearch::queryUrl(QStringLiteral("menhu.example"), b));
        }, 3);
        const double ms = bestMs([&] { window.Command5_Click(); }, 3);
        const double waiting = 20.0 * latency;
        printRow(QStringLiteral("20 requests, %1 ms latency, from the window").arg(latency),
                 QString::number(ms, 'f', 1) + " ms",
                 latency ? QStringLiteral("over 20 x latency: %1 ms, %2 %").arg(ms - waiting, 0, 'f', 1)
                               .arg((ms - waiting) / waiting * 100, 0, 'f', 1)
                         : QStringLiteral("%1 links listed").arg(window.linkLists().List1.size()));
        printRow(QStringLiteral("the same 20 requests bare, no window"), QString::number(bare, 'f', 1) + " ms",
                 QStringLiteral("the tool's own part: %1 ms, %2 ms a page").arg(ms - bare, 0, 'f', 1)
                     .arg((ms - bare) / 20, 0, 'f', 2));
    }

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    printRow(QStringLiteral("peak memory (window shown, 19-page queries run)"),
             QString::number(usage.ru_maxrss / 1024.0, 'f', 1) + " MB", QStringLiteral("target < 80 MB"));
    return 0;
}
