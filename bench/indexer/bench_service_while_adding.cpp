// linkvane-service answering the window's requests while linkvane-index add writes to its index:
// the slowest and the median answer during an add of the given inputs, against the same requests
// to the same service with the index at rest afterwards, in the same run. The add runs as a user
// would start it, at normal priority with its default threads.
#include "benchsupport.h"
#include "childrun.h"
#include "net/pagefetcher.h"
#include "query/linksearch.h"
#include "support/serviceprocess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <vector>

namespace {

constexpr double kTargetMs = 100;

// One batch: every domain the crawl links to most, and three of its result pages.
void requestBatch(std::vector<double> &times)
{
    for (const char *domain : {"python.org", "github.com", "sphinx-doc.org", "wikipedia.org"}) {
        for (int first : {1, 51, 101}) {
            QElapsedTimer clock;
            clock.start();
            const int status = getHTTPPage1(linksearch::queryUrl(QString::fromLatin1(domain), first)).status;
            times.push_back(clock.nsecsElapsed() / 1e6);
            // The time of a failed request would pass for speed.
            if (status != 200)
                throw std::runtime_error(std::string("the service answered ") + domain + " with status " + std::to_string(status));
        }
    }
}

double median(std::vector<double> times)
{
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

double slowest(const std::vector<double> &times)
{
    return *std::max_element(times.begin(), times.end());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FIRST_INPUT INPUT...   (the first is in the index before the service starts)\n", argv[0]);
        return 2;
    }
    QStringList inputs;
    for (int i = 2; i < argc; ++i)
        inputs << QString::fromLocal8Bit(argv[i]);
    QTemporaryDir dir;
    const QString index = dir.filePath(QStringLiteral("index.sqlite"));
    if (runChild({LINKVANE_INDEX, "add", "--quiet", "--index", index.toStdString(), argv[1]}).status != 0) {
        std::fprintf(stderr, "linkvane-index add of %s failed: no figures\n", argv[1]);
        return 1;
    }
    try {
        ServiceProcess service({QStringLiteral("--index"), index});
        service.becomeProxy();

        std::vector<double> during;
        QProcess add;
        add.setStandardOutputFile(QProcess::nullDevice());
        add.setStandardErrorFile(QProcess::nullDevice());
        add.start(QStringLiteral(LINKVANE_INDEX), QStringList{"add", "--quiet", "--index", index} + inputs);
        QElapsedTimer addClock;
        addClock.start();
        // Each request runs the event loop, which sees the add end.
        while (add.state() != QProcess::NotRunning)
            requestBatch(during);
        const double addSeconds = addClock.elapsed() / 1e3;
        if (add.exitStatus() != QProcess::NormalExit || add.exitCode() != 0)
            throw std::runtime_error("linkvane-index add failed");

        std::vector<double> atRest;
        while (atRest.size() < during.size())
            requestBatch(atRest);

        std::printf("| %-58s | %14s | %s\n|---|---|---\n",
                    qPrintable(QStringLiteral("service answers while add writes (%1 requests)").arg(during.size())), "figure", "note");
        printRow(QStringLiteral("index at rest: median answer (baseline)"), QString::number(median(atRest), 'f', 2) + " ms",
                 QStringLiteral("slowest %1 ms").arg(slowest(atRest), 0, 'f', 1));
        printRow(QStringLiteral("while add writes: median answer"), QString::number(median(during), 'f', 2) + " ms",
                 QStringLiteral("%1x the baseline; the add took %2 s").arg(median(during) / median(atRest), 0, 'f', 2)
                     .arg(addSeconds, 0, 'f', 1));
        const double worst = slowest(during);
        printRow(QStringLiteral("while add writes: slowest answer"), QString::number(worst, 'f', 1) + " ms",
                 QStringLiteral("%1x the slowest at rest; target < %2 ms: %3").arg(worst / slowest(atRest), 0, 'f', 2)
                     .arg(kTargetMs).arg(worst < kTargetMs ? QStringLiteral("met") : QStringLiteral("MISSED")));
    } catch (const std::runtime_error &error) {
        std::fprintf(stderr, "%s: no figures\n", error.what());
        return 1;
    }
    return 0;
}
