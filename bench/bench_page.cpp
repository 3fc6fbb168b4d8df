// One result page through the query (anchor lines, their URLs and titles, the three lists), and
// the table refresh that follows every page, at the most links a query can list.
#include "benchsupport.h"
#include "form/form1.h"
#include "query/pagelinks.h"

#include <QApplication>
#include <QTimer>
#include <QtTest/QTest>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    std::printf("| %-58s | %14s | %s\n|---|---|---\n", "result page and table refresh", "figure", "note");

    const QString page = resultPage(1, 50);
    const double pageMs = bestMs([&] {
        LinkLists links;
        appendPageLinks(page, links);
    }, 200);
    printRow(QStringLiteral("one 50-link result page end to end"), QString::number(pageMs, 'f', 3) + " ms",
             QStringLiteral("target < 1 ms"));

    Form1 window;
    window.Timer1->stop();
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    LinkLists &links = window.linkLists();
    for (int first = 1; first <= 901; first += 50)
        appendPageLinks(resultPage(first, 50), links);
    // A refresh is done for the user when the window shows it: each is timed with a full repaint.
    const auto refresh = [&] {
        window.Command1_Click();
        window.repaint();
    };
    const double refreshMs = bestMs(refresh, 20);
    printRow(QStringLiteral("table refresh and repaint with %1 links").arg(links.List1.size()),
             QString::number(refreshMs, 'f', 2) + " ms", QStringLiteral("target < 20 ms"));

    // A whole query refreshes after each of its 19 pages, with 51, 102, ... 969 links.
    LinkLists all = links;
    const double queryMs = bestMs([&] {
        for (qsizetype n = 51; n <= all.List1.size(); n += 51) {
            links.List1 = all.List1.first(n);
            links.List2 = all.List2.first(n);
            links.List3 = all.List3.first(n);
            refresh();
        }
    }, 3);
    printRow(QStringLiteral("the 19 refreshes of a whole query"), QString::number(queryMs, 'f', 1) + " ms");
    return 0;
}
