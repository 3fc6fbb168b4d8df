#include "graphfiles.h"

#include "../archive/testdata.h"
#include "graph/sitename.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <atomic>

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

std::vector<std::string> siteNames(const graph::Release &release, const std::vector<uint32_t> &sites)
{
    std::vector<std::string> names;
    for (uint32_t site : sites)
        names.push_back(graph::siteName(release.reversedName(site)));
    return names;
}
