#include "fetchextract.h"

#include "indexer/linklist.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace cluster {

namespace {

// A download or an extract is given as long as it takes: a WAT file is some hundreds of MB.
constexpr int kNoTimeout = -1;

// linkvane-index beside this program (an installed package, a build tree), else the one on PATH.
QString linkvaneIndex()
{
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/linkvane-index");
    return QFileInfo(beside).isExecutable() ? beside : QStringLiteral("linkvane-index");
}

// Runs program to its end, its standard error passed on to ours; its exit status, or why it
// did not run.
std::optional<int> run(const QString &program, const QStringList &arguments, const QString &outputFile = {})
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (outputFile.isEmpty())
        process.setStandardOutputFile(QProcess::nullDevice());
    else
        process.setStandardOutputFile(outputFile);
    process.start(program, arguments);
    if (!process.waitForFinished(kNoTimeout) || process.exitStatus() != QProcess::NormalExit) {
        std::fprintf(stderr, "linkvane-cluster: %s: %s\n", qPrintable(program), qPrintable(process.errorString()));
        return std::nullopt;
    }
    return process.exitCode();
}

// Appends the links file holds to out, with its header line only when header.
bool append(const QString &file, bool header, QIODevice &out)
{
    QFile links(file);
    if (!links.open(QIODevice::ReadOnly))
        return false;
    if (!header)
        links.readLine();
    while (!links.atEnd()) {
        const QByteArray chunk = links.read(1 << 20);
        if (chunk.isEmpty() || out.write(chunk) != chunk.size())
            return false;
    }
    return true;
}

} // namespace

bool fetchAndExtract(const QStringList &paths, const FetchSettings &settings, QIODevice &out)
{
    // Downloads go where the node keeps its scratch files ($TMPDIR), not to the shared folder.
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        std::fprintf(stderr, "linkvane-cluster: cannot make a scratch folder: %s\n", qPrintable(scratch.errorString()));
        return false;
    }
    const QString links = scratch.filePath(QStringLiteral("links.tsv"));
    QStringList extractArguments{QStringLiteral("extract"), QStringLiteral("--threads"), QStringLiteral("1")};
    if (!settings.targetsFile.isEmpty())
        extractArguments << QStringLiteral("--targets") << settings.targetsFile;

    bool header = true;
    for (qsizetype number = 0; number < paths.size(); ++number) {
        // Hadoop Streaming hands a mapper "offset<TAB>line".
        const QString path = paths[number].section(u'\t', -1).trimmed();
        if (path.isEmpty())
            continue;
        QString input = QFileInfo(path).absoluteFilePath();
        // Named as in the bucket, so that extract's progress and errors in the log name the file.
        const QString download = scratch.filePath(QFileInfo(path).fileName());
        if (!settings.base.isEmpty()) {
            const QString url = settings.base + (settings.base.endsWith(u'/') ? QString() : QStringLiteral("/"))
                              + (path.startsWith(u'/') ? path.mid(1) : path);
            std::fprintf(stderr, "linkvane-cluster: [%lld/%lld] fetching %s\n", static_cast<long long>(number + 1),
                         static_cast<long long>(paths.size()), qPrintable(url));
            // --globoff: brackets and braces in a path are characters, not curl's ranges.
            const std::optional<int> status = run(QStringLiteral("curl"),
                                                  {QStringLiteral("--silent"), QStringLiteral("--show-error"),
                                                   QStringLiteral("--fail"), QStringLiteral("--location"),
                                                   QStringLiteral("--globoff"), QStringLiteral("--retry"),
                                                   QString::number(settings.retries), QStringLiteral("--output"), download,
                                                   url});
            if (status != 0) {
                std::fprintf(stderr, "linkvane-cluster: cannot fetch %s%s\n", qPrintable(url),
                             status ? qPrintable(QStringLiteral(" (curl exit status %1)").arg(*status)) : "");
                return false;
            }
            input = download;
        }
        std::fprintf(stderr, "linkvane-cluster: [%lld/%lld] extracting %s\n", static_cast<long long>(number + 1),
                     static_cast<long long>(paths.size()), qPrintable(path));
        const std::optional<int> status = run(linkvaneIndex(), extractArguments + QStringList{input}, links);
        if (status != 0) {
            std::fprintf(stderr, "linkvane-cluster: linkvane-index extract could not read %s whole\n", qPrintable(path));
            return false;
        }
        if (!append(links, header, out)) {
            std::fprintf(stderr, "linkvane-cluster: cannot write the links of %s: %s\n", qPrintable(path),
                         qPrintable(out.errorString()));
            return false;
        }
        header = false;
        QFile::remove(download);
    }
    // A share of nothing but blank lines is still a link list, one that adds nothing.
    const std::string empty = std::string(indexer::kListHeader) + '\n';
    if (header && out.write(empty.data(), qint64(empty.size())) != qint64(empty.size())) {
        std::fprintf(stderr, "linkvane-cluster: cannot write the links: %s\n", qPrintable(out.errorString()));
        return false;
    }
    return true;
}

} // namespace cluster
