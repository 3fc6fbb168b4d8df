#include "benchsupport.h"

#include <QElapsedTimer>

#include <csignal>
#include <cstring>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

QString resultPage(int first, int count)
{
    QString page = QStringLiteral("<html><head><title>搜索结果</title></head><body>\n"
                                  "<div class=\"bar\"><form action=\"/search\"><input name=\"p\"></form></div>\n"
                                  "<p>找到 共 <strong>%1</strong> 条结果</p>\n<ol>\n")
                       .arg(first + count + 500);
    for (int k = first; k < first + count; ++k) {
        page += QStringLiteral("<li>%1. <a href=\"http://www.site%1.example/articles/2026/tea-%1.html\" "
                               "target=\"_blank\">茶园新闻：第%1篇 秋季新茶品鉴会回顾</a>\n"
                               "<span class=\"u\">www.site%1.example/articles/2026/tea-%1.html - 12k</span> - "
                               "<a href=\"http://cache.example/?u=%1\">快照</a></li>\n")
                    .arg(k);
    }
    return page + QStringLiteral("</ol>\n<div class=\"foot\">&copy; 2026</div></body></html>\n");
}

double bestMs(const std::function<void()> &work, int runs)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        work();
        best = std::min(best, clock.nsecsElapsed() / 1e6);
    }
    return best;
}

CappedRun cappedMs(const std::function<void()> &work, std::chrono::seconds cap)
{
    std::fflush(nullptr);
    QElapsedTimer clock;
    clock.start();
    const pid_t child = fork();
    if (child == 0) {
        alarm(unsigned(cap.count()));
        work();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    const double ms = clock.nsecsElapsed() / 1e6;
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM)
        return {std::nullopt, QStringLiteral("> %1 s, killed").arg(cap.count())};
    if (WIFSIGNALED(status))
        return {std::nullopt, QStringLiteral("crashed (%1)").arg(strsignal(WTERMSIG(status)))};
    return {ms, QString::number(ms, 'f', 1) + QStringLiteral(" ms")};
}

void printRow(const QString &what, const QString &figure, const QString &note)
{
    std::printf("| %-58s | %14s | %s\n", qPrintable(what), qPrintable(figure), qPrintable(note));
}
