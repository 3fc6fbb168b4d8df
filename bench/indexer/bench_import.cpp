// linkvane-index add end to end, as a user runs it, against baselines timed in the same run: the
// crawl of Debian's python3.11-doc against libxml2's bare SAX parser over the same pages (the
// floor of any import built on it), a WAT file and extract against gzip -dc of that file, and
// the peak memory of add on a 1 GB WARC and on a WARC of one 16 MiB record.
#include "baresax.h"
#include "benchsupport.h"
#include "childrun.h"

#include "archive/decodingsource.h"
#include "archive/filesource.h"
#include "archive/httpresponse.h"
#include "archive/warcreader.h"

#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace {

constexpr double kTargetMbPerSecond = 80;
constexpr double kTargetSpeedUp = 1.6;
constexpr double kTargetWatRatio = 1.5;
constexpr double kTargetPeakMb = 200;
// Runs of each measure, taken in turn so that a noisy moment on the machine hits all of them.
constexpr int kRounds = 5;

const std::string kIndexer = LINKVANE_INDEX;

// The HTML bodies of the crawl's pages: what add parses.
std::vector<std::string> htmlPages(const std::string &warc)
{
    archive::FileSource file(warc);
    archive::DecodingSource decoded(file);
    archive::WarcReader reader(decoded);
    std::vector<std::string> pages;
    std::string block;
    while (const archive::WarcRecord *record = reader.next()) {
        if (record->type() != "response")
            continue;
        reader.readBlock(block);
        const std::optional<archive::HttpResponse> response = archive::parseHttpResponse(block);
        if (response && response->status == 200
            && response->headers.get("Content-Type").value_or("").find("html") != std::string_view::npos)
            pages.emplace_back(response->body);
    }
    return pages;
}

// A run that fails has no figure worth printing: the time of a failure would pass for speed.
ChildRun checked(const std::vector<std::string> &argv, const std::string &output = "/dev/null")
{
    const ChildRun run = runChild(argv, output);
    if (run.status != 0) {
        std::string command;
        for (const std::string &arg : argv)
            command += (command.empty() ? "" : " ") + arg;
        throw std::runtime_error(command + " ended with status " + std::to_string(run.status));
    }
    return run;
}

class Runs
{
public:
    // Best wall time of argv over the rounds, and the highest peak memory of any run.
    void add(const std::string &name, std::vector<std::string> argv, const std::string &output = "/dev/null")
    {
        m_runs.push_back({name, std::move(argv), output, 1e300, 0});
    }
    void run(const std::function<void()> &beforeEach)
    {
        for (int round = 0; round < kRounds; ++round) {
            for (Run &run : m_runs) {
                beforeEach();
                const ChildRun child = checked(run.argv, run.output);
                run.ms = std::min(run.ms, child.ms);
                run.peakMb = std::max(run.peakMb, child.peakMb);
            }
        }
    }
    ChildRun best(const std::string &name) const
    {
        const auto run = std::find_if(m_runs.begin(), m_runs.end(), [&](const Run &r) { return r.name == name; });
        return {run->ms, run->peakMb, 0};
    }

private:
    struct Run
    {
        std::string name;
        std::vector<std::string> argv;
        std::string output;
        double ms;
        double peakMb;
    };
    std::vector<Run> m_runs;
};

QString met(bool yes)
{
    return yes ? QStringLiteral("met") : QStringLiteral("MISSED");
}

QString fixed(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

void warcImport(const std::string &warc, const std::string &index, const std::function<void()> &freshIndex)
{
    const std::vector<std::string> pages = htmlPages(warc);
    double mb = 0;
    for (const std::string &page : pages)
        mb += page.size() / 1e6;
    Runs runs;
    runs.add("one", {"taskset", "-c", "0", kIndexer, "add", "--quiet", "--threads", "1", "--index", index, warc});
    runs.add("two", {kIndexer, "add", "--quiet", "--threads", "2", "--index", index, warc});
    double saxMs = 1e300;
    for (int round = 0; round < kRounds; ++round)
        saxMs = std::min(saxMs, bestMs([&] { for (const std::string &page : pages) parseWithoutHandlers(page); }, 1));
    runs.run(freshIndex);

    std::printf("| %-58s | %14s | %s\n|---|---|---\n",
                qPrintable(QStringLiteral("add of the python3.11-doc crawl: %1 pages, %2 MB of HTML").arg(pages.size()).arg(fixed(mb, 1))),
                "MB/s of HTML", "note");
    const auto rate = [&](double ms) {
        return QStringLiteral("%1 pages/s, %2x the baseline's time").arg(fixed(pages.size() / (ms / 1000), 0)).arg(fixed(ms / saxMs, 2));
    };
    printRow(QStringLiteral("libxml2 SAX alone, same pages, in process (baseline)"), fixed(mb / (saxMs / 1000), 1), rate(saxMs));
    const double one = runs.best("one").ms, two = runs.best("two").ms;
    printRow(QStringLiteral("add --threads 1, pinned to one core"), fixed(mb / (one / 1000), 1),
             rate(one) + QStringLiteral("; target >= %1 MB/s: %2").arg(kTargetMbPerSecond).arg(met(mb / (one / 1000) >= kTargetMbPerSecond)));
    printRow(QStringLiteral("add --threads 2"), fixed(mb / (two / 1000), 1),
             rate(two) + QStringLiteral("; %1x one thread, target >= %2x: %3").arg(fixed(one / two, 2)).arg(kTargetSpeedUp)
                             .arg(met(one / two >= kTargetSpeedUp)));
}

void watImport(const std::string &wat, const std::string &index, const std::function<void()> &freshIndex,
               const std::string &scratch)
{
    // A user's list: two sites this crawl links to among many that a given file never names.
    const std::string targets = scratch + "/targets.txt";
    {
        std::ofstream list(targets);
        list << "github.com\nsphinx-doc.org\n";
        for (int i = 0; i < 98; ++i)
            list << "site" << i << ".example\n";
    }
    const std::string part = scratch + "/part.tsv", targetPart = scratch + "/targets.tsv";
    Runs runs;
    runs.add("gzip", {"gzip", "-dc", wat});
    runs.add("add", {kIndexer, "add", "--quiet", "--index", index, wat});
    runs.add("extract", {kIndexer, "extract", "--threads", "1", wat}, part);
    runs.add("targets", {kIndexer, "extract", "--threads", "1", "--targets", targets, wat}, targetPart);
    runs.run(freshIndex);

    const double watMb = std::filesystem::file_size(wat) / 1e6;
    std::printf("| %-58s | %14s | %s\n|---|---|---\n",
                qPrintable(QStringLiteral("WAT file, %1 MB gzip (a member a record)").arg(fixed(watMb, 1))), "figure", "note");
    const double gzip = runs.best("gzip").ms;
    printRow(QStringLiteral("gzip -dc > /dev/null (baseline)"), fixed(gzip, 0) + " ms");
    const double add = runs.best("add").ms;
    printRow(QStringLiteral("add, end to end into a fresh index"), fixed(add / gzip, 2) + "x",
             QStringLiteral("%1 ms; target <= %2x: %3").arg(fixed(add, 0)).arg(kTargetWatRatio).arg(met(add / gzip <= kTargetWatRatio)));
    for (const auto &[name, what, output] : {std::tuple{"extract", "extract, one thread, every link", part},
                                             std::tuple{"targets", "extract, one thread, --targets of 100 domains", targetPart}}) {
        const double ms = runs.best(name).ms;
        printRow(QString::fromLatin1(what), fixed(ms / gzip, 2) + "x",
                 QStringLiteral("%1 ms, %2 MB of WAT a second, %3 KB written")
                     .arg(fixed(ms, 0)).arg(fixed(watMb / (ms / 1000), 1)).arg(std::filesystem::file_size(output) / 1000));
    }
}

void memory(const std::string &bigWarc, const std::string &bigRecord, const std::string &index,
            const std::function<void()> &freshIndex)
{
    std::printf("| %-58s | %14s | %s\n|---|---|---\n", "peak resident memory of add", "figure", "note");
    for (const auto &[what, input] : {std::pair{"a WARC of %1 GB, uncompressed", bigWarc},
                                      std::pair{"a WARC of one %1 MiB record", bigRecord}}) {
        freshIndex();
        const ChildRun run = checked({kIndexer, "add", "--quiet", "--index", index, input});
        const double size = std::filesystem::file_size(input);
        const QString name = QString::fromLatin1(what).arg(fixed(bigRecord == input ? size / (1 << 20) : size / 1e9, 1));
        printRow(name, fixed(run.peakMb, 1) + " MB",
                 QStringLiteral("%1 s; target < %2 MB: %3").arg(fixed(run.ms / 1000, 1)).arg(kTargetPeakMb).arg(met(run.peakMb < kTargetPeakMb)));
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: %s WARC WAT 1GB-WARC 16MIB-RECORD-WARC   (scripts/bench makes them)\n", argv[0]);
        return 2;
    }
    QTemporaryDir scratch;
    const std::string index = scratch.filePath(QStringLiteral("index.sqlite")).toStdString();
    const auto freshIndex = [&] {
        for (const char *end : {"", "-wal", "-shm"})
            std::filesystem::remove(index + end);
    };
    try {
        warcImport(argv[1], index, freshIndex);
        watImport(argv[2], index, freshIndex, scratch.path().toStdString());
        memory(argv[3], argv[4], index, freshIndex);
    } catch (const std::runtime_error &error) {
        std::fprintf(stderr, "%s: no figures from here on\n", error.what());
        return 1;
    }
    return 0;
}
