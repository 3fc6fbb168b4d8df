// How fast the archive layer reads a WARC: every record through (its header parsed, its block
// read, the HTTP header of a response parsed; no HTML), next to a bare inflate of the same file
// measured in the same run, and the same records from an uncompressed copy.
#include "benchsupport.h"

#include "archive/decodingsource.h"
#include "archive/filesource.h"
#include "archive/gzipsource.h"
#include "archive/httpresponse.h"
#include "archive/warcreader.h"

#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>

namespace {

// The target of the archive reader: at most this many times a bare inflate of the same file.
constexpr double kTargetRatio = 1.2;
// Runs of each measure, taken in turn so that a noisy moment on the machine hits all of them.
constexpr int kRounds = 7;

struct Pass
{
    std::uint64_t records = 0;
    std::uint64_t responses = 0;
};

Pass readEveryRecord(const std::string &path, bool blocks)
{
    archive::FileSource file(path);
    archive::DecodingSource decoded(file);
    archive::WarcReader reader(decoded);
    std::string block;
    Pass pass;
    while (const archive::WarcRecord *record = reader.next()) {
        ++pass.records;
        if (!blocks)
            continue;
        reader.readBlock(block);
        if (record->type() == "response" && archive::parseHttpResponse(block))
            ++pass.responses;
    }
    return pass;
}

void inflateOnly(const std::string &path)
{
    archive::FileSource file(path);
    archive::GzipSource inflated(file);
    const auto buffer = std::make_unique_for_overwrite<char[]>(1 << 20);
    while (inflated.read(buffer.get(), 1 << 20) > 0) {
    }
}

void gzipDc(const std::string &path)
{
    QProcess gzip;
    gzip.setStandardOutputFile(QProcess::nullDevice());
    gzip.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), QString::fromStdString(path)});
    gzip.waitForFinished(-1);
}

// The decoded bytes of path into a file at copy; returns their count.
std::uint64_t decodeInto(const std::string &path, const std::string &copy)
{
    archive::FileSource file(path);
    archive::DecodingSource decoded(file);
    std::ofstream out(copy, std::ios::binary);
    const auto buffer = std::make_unique_for_overwrite<char[]>(1 << 20);
    std::uint64_t bytes = 0;
    while (const std::size_t got = decoded.read(buffer.get(), 1 << 20)) {
        out.write(buffer.get(), std::streamsize(got));
        bytes += got;
    }
    return bytes;
}

QString perSecond(double count, double ms, const char *unit)
{
    return QString::number(count / (ms / 1000), 'f', 0) + QLatin1Char(' ') + QLatin1String(unit);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s WARC.gz   (scripts/make-bench-warc makes one)\n", argv[0]);
        return 2;
    }
    const std::string path = argv[1];
    QTemporaryDir dir;
    const std::string plain = dir.filePath(QStringLiteral("plain.warc")).toStdString();
    const double decodedMb = double(decodeInto(path, plain)) / 1e6;
    const Pass pass = readEveryRecord(path, true);

    double gzipMs = 1e300, inflateMs = 1e300, readMs = 1e300, plainMs = 1e300, headersMs = 1e300;
    for (int round = 0; round < kRounds; ++round) {
        gzipMs = std::min(gzipMs, bestMs([&] { gzipDc(path); }, 1));
        inflateMs = std::min(inflateMs, bestMs([&] { inflateOnly(path); }, 1));
        readMs = std::min(readMs, bestMs([&] { readEveryRecord(path, true); }, 1));
        plainMs = std::min(plainMs, bestMs([&] { readEveryRecord(plain, true); }, 1));
        headersMs = std::min(headersMs, bestMs([&] { readEveryRecord(plain, false); }, 1));
    }

    std::printf("| %-58s | %14s | %s\n|---|---|---\n", "archive reader", "figure", "note");
    const QString what = QStringLiteral("%1 records (%2 responses), %3 MB decoded").arg(pass.records).arg(pass.responses).arg(decodedMb, 0, 'f', 1);
    printRow(QStringLiteral("gzip -dc > /dev/null (baseline)"), QString::number(gzipMs, 'f', 1) + " ms",
             perSecond(decodedMb, gzipMs, "MB/s decoded"));
    printRow(QStringLiteral("inflate alone, in process"), QString::number(inflateMs, 'f', 1) + " ms",
             perSecond(decodedMb, inflateMs, "MB/s decoded"));
    printRow(QStringLiteral("every record of the gzip WARC"), QString::number(readMs, 'f', 1) + " ms",
             perSecond(decodedMb, readMs, "MB/s, ") + perSecond(double(pass.records), readMs, "records/s; ") + what);
    const double ratio = readMs / gzipMs;
    printRow(QStringLiteral("  as a ratio to gzip -dc"), QString::number(ratio, 'f', 2) + "x",
             QStringLiteral("target <= %1x: %2").arg(kTargetRatio).arg(ratio <= kTargetRatio ? "met" : "MISSED"));
    printRow(QStringLiteral("  as a ratio to inflate alone"), QString::number(readMs / inflateMs, 'f', 2) + "x",
             QStringLiteral("what the records cost beyond the inflate"));
    printRow(QStringLiteral("every record of an uncompressed copy"), perSecond(double(pass.records), plainMs, "records/s"),
             perSecond(decodedMb, plainMs, "MB/s"));
    printRow(QStringLiteral("  headers only, blocks skipped"), perSecond(double(pass.records), headersMs, "records/s"),
             QStringLiteral("a block nobody reads is seeked over"));
    return 0;
}
