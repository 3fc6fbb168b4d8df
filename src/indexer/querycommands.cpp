#include "commands.h"

#include "archive/warcdate.h"
#include "index/backlinks.h"
#include "index/indexstats.h"
#include "index/schema.h"
#include "linklist.h"
#include "progress.h"
#include "results/csvrecord.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace indexer {

namespace {

// Writes a listing of backlinks on standard output in one format.
class BacklinkWriter
{
public:
    explicit BacklinkWriter(const std::string &format) : m_format(format) { }

    void begin()
    {
        if (m_format == "tsv")
            write(std::string(kListHeader) + '\n');
        else if (m_format == "csv")
            write((kCsvByteOrderMark.toString() + csvRecord({QStringLiteral("source_url"), QStringLiteral("source_title"),
                                                        QStringLiteral("target_url"), QStringLiteral("anchor_text"),
                                                        QStringLiteral("nofollow"), QStringLiteral("captured")}))
                      .toStdString());
        else
            write("[");
    }

    void row(const linkindex::Backlink &b)
    {
        if (m_format == "tsv") {
            write(listLine({b.sourceUrl, b.sourceTitle, b.targetUrl, b.anchorText, b.nofollow, b.captured}));
            return;
        }
        const QString captured = b.captured ? QString::fromStdString(archive::formatWarcDate(*b.captured)) : QString();
        if (m_format == "csv") {
            write(csvRecord({QString::fromStdString(b.sourceUrl), QString::fromStdString(b.sourceTitle),
                             QString::fromStdString(b.targetUrl), QString::fromStdString(b.anchorText),
                             b.nofollow ? QStringLiteral("1") : QStringLiteral("0"), captured})
                      .toStdString());
            return;
        }
        const QJsonObject object{{"source_url", QString::fromStdString(b.sourceUrl)},
                                 {"source_title", QString::fromStdString(b.sourceTitle)},
                                 {"target_url", QString::fromStdString(b.targetUrl)},
                                 {"anchor_text", QString::fromStdString(b.anchorText)},
                                 {"nofollow", b.nofollow},
                                 {"captured", b.captured ? QJsonValue(captured) : QJsonValue()}};
        write(m_rows++ ? ",\n" : "\n");
        write(QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString());
    }

    void end()
    {
        if (m_format == "json")
            write(m_rows ? "\n]\n" : "]\n");
    }

private:
    static void write(const std::string &text) { std::fwrite(text.data(), 1, text.size(), stdout); }

    std::string m_format;
    int64_t m_rows = 0;
};

// Standard output could not take everything (a full disk, a closed pipe).
bool outputFailed()
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return false;
    std::perror("linkvane-index: cannot write the output");
    return true;
}

} // namespace

int backlinks(const std::string &index, const std::string &domain, const std::string &format)
{
    try {
        auto db = linkindex::openIndex(index, linkindex::Database::Access::ReadOnly);
        linkindex::BacklinkReader reader(*db);
        BacklinkWriter out(format);
        out.begin();
        reader.list(domain, 0, SIZE_MAX, [&](const linkindex::Backlink &b) { out.row(b); });
        out.end();
    } catch (const linkindex::IndexError &error) {
        std::fprintf(stderr, "linkvane-index: %s\n", error.what());
        return 1;
    }
    return outputFailed() ? 1 : 0;
}

int stats(const std::string &index)
{
    try {
        auto db = linkindex::openIndex(index, linkindex::Database::Access::ReadOnly);
        const linkindex::IndexStats stats = linkindex::indexStats(*db);
        std::printf("index         %s\n"
                    "inputs        %s\n"
                    "pages         %s\n"
                    "links         %s\n"
                    "target hosts  %s\n"
                    "size on disk  %.1f MB\n",
                    index.c_str(), groupedNumber(stats.inputs).c_str(), groupedNumber(stats.pages).c_str(),
                    groupedNumber(stats.links).c_str(), groupedNumber(stats.targetHosts).c_str(),
                    double(stats.bytes) / 1e6);
    } catch (const linkindex::IndexError &error) {
        std::fprintf(stderr, "linkvane-index: %s\n", error.what());
        return 1;
    }
    return outputFailed() ? 1 : 0;
}

} // namespace indexer
