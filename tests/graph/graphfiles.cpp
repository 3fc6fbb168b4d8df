#include "graphfiles.h"

#include "../archive/testdata.h"
#include "graph/sitename.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <atomic>

const std::string kSampleVertices = "3\tcom.example\t4\n"
                                    "0\tcom.example-shop\t1\n"
                                    "5\tuk.co.bbc\t2\n"
                                    "1\torg.xn--80ak6aa92e\t1\n"
                                    "2\tnet.linker\t1\n"
                                    "4\tcom.rival\t1\n"
                                    "6\tcom.rival-two\t1\n"
                                    "7\tcom.other\t1\n";
const std::string kSampleEdges = "5\t3\n0\t3\n5\t4\n1\t4\n2\t3\n2\t3\n7\t4\n7\t6\n1\t6\n3\t4\n";
const std::string kSampleRanks = "1\t3.1209718E7\t2\t0.01395099273569498\tuk.co.bbc\t2\n"
                                 "2\t3.0959424E7\t1\t8.93996134374923E-4\tcom.rival\t1\n"
                                 "3\t---\t3\t---\tcom.example\t4\n"
                                 "4\t1.5E6\t5\t1.0E-5\tnet.unknown\t1\n"
                                 "5\t1.25E6\t4\t2.5E-6\tnet.linker\t1\n";

std::vector<std::string> sampleDomainFiles(const QTemporaryDir &folder, const std::string &release)
{
    return {writeGraphFile(folder, release + "-domain-edges.txt.gz", kSampleEdges),
            writeGraphFile(folder, release + "-domain-ranks.txt.gz", ranksHeader(graph::Level::Domain) + kSampleRanks),
            writeGraphFile(folder, release + "-domain-vertices.txt.gz", kSampleVertices)};
}

std::string writeGraphFile(const QTemporaryDir &folder, const std::string &name, const std::string &bytes)
{
    const std::string path = folder.filePath(QString::fromStdString(name)).toStdString();
    QFile file(QString::fromStdString(path));
    const std::string written = name.ends_with(".gz") ? gzipped(bytes) : bytes;
    if (!file.open(QIODevice::WriteOnly) || file.write(written.data(), qint64(written.size())) != qint64(written.size()))
        qFatal("cannot write %s", path.c_str());
    return path;
}

std::string ranksHeader(graph::Level level)
{
    return level == graph::Level::Domain ? "#harmonicc_pos\t#harmonicc_val\t#pr_pos\t#pr_val\t#host_rev\t#n_hosts\n"
                                         : "#harmonicc_pos\t#harmonicc_val\t#pr_pos\t#pr_val\t#host_rev\n";
}

std::unique_ptr<graph::Release> buildTestRelease(const QTemporaryDir &dir, const std::vector<std::string> &files,
                                                 graph::BuildRequest request)
{
    static int built = 0;
    const QString folder = dir.filePath(QStringLiteral("release-%1").arg(++built));
    QDir().mkpath(folder);
    request.inputs = files;
    const std::atomic<bool> neverStop = false;
    graph::buildRelease(request, folder.toStdString(), [](const graph::BuildProgress &) {}, neverStop);
    return std::make_unique<graph::Release>(folder.toStdString());
}

void writeEarlierFormatMeta(const QString &folder)
{
    QFile meta(folder + "/meta");
    QVERIFY(meta.open(QIODevice::ReadOnly));
    const QByteArray text = meta.readAll();
    meta.close();
    QVERIFY(meta.open(QIODevice::WriteOnly | QIODevice::Truncate));
    meta.write(text.mid(text.indexOf('\n') + 1));
    meta.close();
}

std::vector<std::string> siteNames(const graph::Release &release, const std::vector<uint32_t> &sites)
{
    std::vector<std::string> names;
    for (uint32_t site : sites)
        names.push_back(graph::siteName(release.reversedName(site)));
    return names;
}
