// Queries of a web-graph release at full size (make_bench_graph writes one, scripts/bench-graph
// adds it): the first page of referring sites with the exact total, for the domain with the most
// and for one with few, against opening the release alone; the whole list of the largest as TSV
// from linkvane-index, against cat moving the same bytes; and a gap of three of the largest
// competitors, against listing the largest once. Given an index of a host-level release and
// domains of it, the first page of each at host level, where a domain stands for all its hosts,
// against the first page of the largest at domain level, and the whole list of the first.
#include "benchsupport.h"
#include "graph/graphstore.h"
#include "graph/release.h"
#include "graph/sitename.h"
#include "graph/sitequeries.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr double kTargetFirstPageMs = 5;
constexpr double kTargetRowsASecond = 5e6;
constexpr double kTargetGapMs = 1000;

QString met(bool yes)
{
    return yes ? QStringLiteral("met") : QStringLiteral("MISSED");
}

QString ms(double value)
{
    return QString::number(value, 'f', value < 10 ? 3 : 1) + " ms";
}

// The first 50 referring sites with their names and the total, as the service shows a first page.
void firstPage(const std::string &folder, const std::string &host)
{
    const graph::Release release(folder);
    const graph::Asked asked = graph::ask(release, host);
    const graph::ReferringSites sites(release, asked);
    size_t named = sites.count();
    for (uint32_t site : sites.page(0, 50))
        named += graph::siteName(release.reversedName(site)).size();
    if (named == SIZE_MAX)
        std::puts("");
}

// Wall time of a program's run with its standard output in file.
double runMs(const QString &program, const QStringList &arguments, const QString &file)
{
    QProcess process;
    process.setStandardOutputFile(file);
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitCode() != 0)
        throw std::runtime_error(program.toStdString() + " failed");
    return clock.nsecsElapsed() / 1e6;
}

// The whole list of host's referring sites as TSV from linkvane-index, rows of them: two rows, the
// baseline (cat moving the same bytes) and the list, best of three runs each.
void printWholeList(const QString &linkvaneIndex, const std::string &index, const std::string &host, uint64_t rows,
                    const QString &what)
{
    QTemporaryDir dir;
    const QString tsv = dir.filePath(QStringLiteral("list.tsv"));
    double listMs = 1e300, catMs = 1e300;
    for (int run = 0; run < 3; ++run) {
        listMs = std::min(listMs, runMs(linkvaneIndex,
                                        {"referring", "--index", QString::fromStdString(index), QString::fromStdString(host)},
                                        dir.filePath(QStringLiteral("listed.tsv"))));
        if (run == 0)
            QFile::copy(dir.filePath(QStringLiteral("listed.tsv")), tsv);
        catMs = std::min(catMs, runMs(QStringLiteral("cat"), {tsv}, dir.filePath(QStringLiteral("copied.tsv"))));
    }
    const double rate = double(rows) / (listMs / 1000);
    printRow(QStringLiteral("cat of the list of %1 (baseline)").arg(what), ms(catMs));
    printRow(QStringLiteral("linkvane-index referring of %1, TSV").arg(what), ms(listMs),
             QStringLiteral("%1x the baseline; %2 million rows a second, target >= %3: %4")
                 .arg(listMs / catMs, 0, 'f', 1)
                 .arg(rate / 1e6, 0, 'f', 2)
                 .arg(kTargetRowsASecond / 1e6)
                 .arg(met(rate >= kTargetRowsASecond)));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 3 && argc < 5) {
        std::fprintf(stderr, "usage: bench_graph_query INDEX LINKVANE-INDEX [HOST-INDEX DOMAIN...]\n");
        return 2;
    }
    const std::string index = argv[1];
    const auto folderOf = [](const std::string &index) {
        const std::vector<graph::GraphStore::Stored> stored = graph::GraphStore(index).releases();
        if (stored.empty()) {
            std::fprintf(stderr, "bench_graph_query: no web graph beside %s\n", index.c_str());
            std::exit(1);
        }
        return stored.front().folder;
    };
    const std::string folder = folderOf(index);
    const graph::Release release(folder);

    // The sites with the most referring sites, most first, and one with ten.
    std::vector<std::pair<uint64_t, uint32_t>> largest;
    uint32_t few = 0;
    for (uint32_t site = 0; site < release.vertices(); ++site) {
        const uint64_t count = release.sourceCount(site);
        largest.emplace_back(count, site);
        if (count == 10)
            few = site;
    }
    std::partial_sort(largest.begin(), largest.begin() + 4, largest.end(), std::greater<>());
    const auto host = [&](uint32_t site) { return graph::siteName(release.reversedName(site)); };

    std::printf("\nWeb graph %s: %llu sites, %llu links\n", release.name().c_str(),
                (unsigned long long)release.vertices(), (unsigned long long)release.edges());
    const double open = bestMs([&] { graph::Release again(folder); }, 50);
    printRow(QStringLiteral("opening the release (baseline)"), ms(open));
    double largestPage = 0;
    for (const auto &[count, site] : {largest.front(), std::pair<uint64_t, uint32_t>{10, few}}) {
        const double page = bestMs([&] { firstPage(folder, host(site)); }, 50);
        if (site == largest.front().second)
            largestPage = page;
        printRow(QStringLiteral("%1 (%2 referring sites): total + first 50, release opened too")
                     .arg(QString::fromStdString(host(site)))
                     .arg(count),
                 ms(page), QStringLiteral("%1x the baseline; target < %2 ms: %3")
                               .arg(page / open, 0, 'f', 1)
                               .arg(kTargetFirstPageMs)
                               .arg(met(page < kTargetFirstPageMs)));
    }

    const QString linkvaneIndex = QString::fromLocal8Bit(argv[2]);
    printWholeList(linkvaneIndex, index, host(largest.front().second), largest.front().first,
                   QStringLiteral("the largest"));

    const graph::Asked mine = graph::ask(release, host(largest[3].second));
    std::vector<graph::Asked> rivals;
    for (int i = 0; i < 3; ++i)
        rivals.push_back(graph::ask(release, host(largest[i].second)));
    const double once = bestMs([&] { graph::ReferringSites(release, rivals.front()).all(); }, 5);
    size_t found = 0;
    const double gap = bestMs([&] { found = graph::gap(release, mine, rivals, 1).size(); }, 5);
    printRow(QStringLiteral("all referring sites of the largest (baseline)"), ms(once));
    printRow(QStringLiteral("gap of the fourth largest against the three largest (%1 sites)").arg(found), ms(gap),
             QStringLiteral("%1x the baseline; target < %2 ms: %3")
                 .arg(gap / once, 0, 'f', 1)
                 .arg(kTargetGapMs)
                 .arg(met(gap < kTargetGapMs)));

    if (argc == 3)
        return 0;
    const std::string hostIndex = argv[3];
    const std::string hostFolder = folderOf(hostIndex);
    const graph::Release hosts(hostFolder);
    std::printf("\nHost level %s: %llu hosts, %llu links\n", hosts.name().c_str(), (unsigned long long)hosts.vertices(),
                (unsigned long long)hosts.edges());
    for (int i = 4; i < argc; ++i) {
        const std::string domain = argv[i];
        const graph::Asked asked = graph::ask(hosts, domain);
        const uint64_t count = graph::ReferringSites(hosts, asked).count();
        const double page = bestMs([&] { firstPage(hostFolder, domain); }, 10);
        printRow(QStringLiteral("%1 (%2 hosts, %3 referring hosts): total + first 50, release opened too")
                     .arg(QString::fromStdString(domain))
                     .arg(asked.sites.size())
                     .arg(count),
                 ms(page), QStringLiteral("%1x the largest's first page at domain level").arg(page / largestPage, 0, 'f', 1));
        if (i == 4)
            printWholeList(linkvaneIndex, hostIndex, domain, count, QString::fromStdString(domain + " at host level"));
    }
    return 0;
}
