#include "commands.h"

#include "archive/warcdate.h"
#include "graph/grapherror.h"
#include "graph/graphstore.h"
#include "graph/release.h"
#include "index/backlinks.h"
#include "index/indexstats.h"
#include "index/schema.h"
#include "links/linknames.h"
#include "progress.h"
#include "rowwriter.h"

#include <cstdio>

namespace indexer {

int backlinks(const std::string &index, const std::string &domain, linkindex::BacklinkReader::Pages pages,
              const std::string &format)
{
    try {
        auto db = linkindex::openIndex(index, linkindex::Database::Access::ReadOnly);
        linkindex::BacklinkReader reader(*db, pages);
        RowWriter out(format, {"source_url", "source_title", "target_url", "anchor_text", "nofollow", "captured", "rel",
                               "type", "first_seen", "last_seen", "lost", "lost_reason"});
        reader.list(domain, 0, SIZE_MAX, [&](const linkindex::Backlink &b) {
            out.row({b.sourceUrl, b.sourceTitle, b.targetUrl, b.anchorText, b.rel.nofollow, dateCell(b.captured),
                     links::relText(b.rel), std::string(links::linkTypeName(b.type)), dateCell(b.firstSeen),
                     dateCell(b.lastSeen), b.lost.has_value(),
                     b.lost ? Cell(std::string(linkindex::lostReasonName(*b.lost))) : Cell()});
        });
        return out.end() ? 0 : 1;
    } catch (const linkindex::IndexError &error) {
        std::fprintf(stderr, "linkvane-index: %s\n", error.what());
        return 1;
    }
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
        // A release that cannot be read is listed with why, the others as usual.
        for (const graph::GraphStore::Stored &stored : graph::GraphStore(index).releases()) {
            try {
                const graph::Release release(stored.folder);
                std::printf("web graph     %s (%s level%s): %s vertices, %s edges, %.1f MB\n", release.name().c_str(),
                            graph::levelName(release.level()).c_str(),
                            release.targets().empty() ? "" : ", some domains only",
                            groupedNumber(int64_t(release.vertices())).c_str(),
                            groupedNumber(int64_t(release.edges())).c_str(), double(release.bytesOnDisk()) / 1e6);
            } catch (const graph::GraphError &error) {
                std::printf("web graph     %s\n", error.what());
            }
        }
    } catch (const std::runtime_error &error) {
        std::fprintf(stderr, "linkvane-index: %s\n", error.what());
        return 1;
    }
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return 0;
    std::perror("linkvane-index: cannot write the output");
    return 1;
}

} // namespace indexer
