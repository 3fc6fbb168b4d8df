// How fast the anchor pattern goes through result pages, typical and hostile, next to the engines
// a C++ developer would otherwise reach for.
#include "benchsupport.h"
#include "query/linksearch.h"
#include "query/testregexp.h"

#include <QRegularExpression>

#include <regex>

using namespace std::chrono_literals;

namespace {

// The pattern as the other engines spell it: "." there too excludes LF only where told so.
const std::string kAnchorStd = ". <a.*?href=.*?>.*?</a>";

QString hostilePage(qsizetype bytes)
{
    const QString unit = QStringLiteral(" <a href=x>");
    return unit.repeated(bytes / unit.size());
}

} // namespace

int main()
{
    using linksearch::kAnchorPattern;
    std::printf("| %-58s | %14s | %s\n|---|---|---\n", "TestRegExp, anchor pattern", "figure", "note");

    const QString typical = resultPage(1, 50);
    const double typicalMs = bestMs([&] { TestRegExp(kAnchorPattern, typical); }, 50);
    const double mb = typical.toUtf8().size() / 1e6;
    printRow(QStringLiteral("typical 50-link result page (%1 KB)").arg(typical.toUtf8().size() / 1024),
             QString::number(mb / (typicalMs / 1000), 'f', 0) + " MB/s", QString::number(typicalMs, 'f', 3) + " ms");

    const QString big = typical.repeated(40);
    const double bigMs = bestMs([&] { TestRegExp(kAnchorPattern, big); }, 5);
    printRow(QStringLiteral("40 typical pages in one text (%1 MB)").arg(big.toUtf8().size() / 1e6, 0, 'f', 1),
             QString::number(big.toUtf8().size() / 1e6 / (bigMs / 1000), 'f', 0) + " MB/s");

    double twoMb = 0;
    for (int megabytes : {1, 2, 4, 8}) {
        const QString hostile = hostilePage(megabytes * 1'000'000);
        const double ms = bestMs([&] { TestRegExp(kAnchorPattern, hostile); }, 3);
        if (megabytes == 2)
            twoMb = ms;
        printRow(QStringLiteral("hostile single line, %1 MB of \" <a href=x>\"").arg(megabytes),
                 QString::number(ms, 'f', 1) + " ms", QStringLiteral("%1 ns/byte").arg(ms * 1e6 / (megabytes * 1e6), 0, 'f', 2));
    }

    // The other engines, each in a child process killed after a few seconds.
    const QString hostile = hostilePage(2'000'000);
    const std::string hostileStd = hostile.toStdString();
    const std::string typicalStd = typical.toStdString();
    const auto stdRegex = [](const std::string &text) {
        const std::regex pattern(kAnchorStd, std::regex::ECMAScript | std::regex::icase);
        for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator(); ++it) {
        }
    };
    const auto qtRegex = [](const QString &text) {
        const QRegularExpression pattern(QString::fromStdString(kAnchorStd), QRegularExpression::CaseInsensitiveOption);
        auto it = pattern.globalMatch(text);
        while (it.hasNext())
            it.next();
    };
    const auto perPage = [&](const CappedRun &run) {
        return run.ms ? QString::number(*run.ms / 50, 'f', 3) + " ms" : run.outcome;
    };
    const auto typicalRatio = [&](const CappedRun &run) {
        return run.ms ? QStringLiteral("TestRegExp %1x as fast").arg(*run.ms / 50 / typicalMs, 0, 'f', 1) : QString();
    };
    const auto hostileRatio = [&](const CappedRun &run) {
        return run.ms ? QStringLiteral("TestRegExp %1x as fast").arg(*run.ms / twoMb, 0, 'f', 0) : QString();
    };
    const CappedRun stdTypical = cappedMs([&] { for (int i = 0; i < 50; ++i) stdRegex(typicalStd); }, 5s);
    const CappedRun qtTypical = cappedMs([&] { for (int i = 0; i < 50; ++i) qtRegex(typical); }, 5s);
    const CappedRun stdHostile = cappedMs([&] { stdRegex(hostileStd); }, 5s);
    const CappedRun qtHostile = cappedMs([&] { qtRegex(hostile); }, 5s);
    printRow(QStringLiteral("std::regex ECMAScript, typical page"), perPage(stdTypical), typicalRatio(stdTypical));
    printRow(QStringLiteral("QRegularExpression (PCRE2), typical page"), perPage(qtTypical), typicalRatio(qtTypical));
    printRow(QStringLiteral("std::regex ECMAScript, hostile 2 MB"), stdHostile.outcome, hostileRatio(stdHostile));
    printRow(QStringLiteral("QRegularExpression (PCRE2), hostile 2 MB"), qtHostile.outcome, hostileRatio(qtHostile));
    return 0;
}
