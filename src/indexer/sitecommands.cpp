#include "commands.h"

#include "graph/grapherror.h"
#include "graph/graphstore.h"
#include "graph/releasechoice.h"
#include "graph/releasename.h"
#include "graph/shownnames.h"
#include "graph/sitename.h"
#include "graph/sitequeries.h"
#include "index/domain.h"
#include "index/linkchanges.h"
#include "index/schema.h"
#include "inorder.h"
#include "rowwriter.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>

namespace indexer {

namespace {

class QueryError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

std::string typedHost(const std::string &domain)
{
    const std::optional<std::string> host = linkindex::domainHost(domain);
    if (!host)
        throw QueryError("\"" + domain + "\" is not a domain");
    return *host;
}

std::shared_ptr<const graph::Release> chooseRelease(const std::string &index, const std::optional<std::string> &name,
                                                    std::optional<graph::Level> level, const std::string &host)
{
    return graph::chooseRelease(graph::GraphStore(index), name, level, host, [](const graph::GraphStore::Stored &stored) {
        return std::make_shared<const graph::Release>(stored.folder);
    });
}

// The four rank columns of site, from row[at] on.
void setRankCells(std::vector<Cell> &row, size_t at, const graph::Release &release, uint32_t site)
{
    const graph::files::RankRecord rank = release.rank(site);
    const auto position = [](uint32_t value) { return value ? Cell(int64_t(value)) : Cell(); };
    row[at] = position(rank.harmonicPosition);
    row[at + 1] = rank.harmonicValue;
    row[at + 2] = position(rank.pagerankPosition);
    row[at + 3] = rank.pagerankValue;
}

// The names of a list are read this many sites at a time, each time in one pass.
constexpr size_t kNamesAtOnce = size_t(1) << 22;

// The rows of referring as RowWriter writes TSV, made on all cores: the largest lists are millions
// long. Neither site names (graphlines.h) nor release names hold a blank to be made one.
void writeTsvRows(RowWriter &out, const graph::Release &release, std::span<const uint32_t> sites,
                  const graph::ShownNames &names)
{
    constexpr size_t kRowsAPart = size_t(1) << 16;
    const std::string rowEnd = '\t' + release.name() + '\n';
    const auto make = [&](size_t part, std::string &rows) {
        const size_t first = part * kRowsAPart, end = std::min(sites.size(), first + kRowsAPart);
        // The part's names first, in a loop of their own: they lie far apart in memory, and a loop
        // this short lets it fetch many at once.
        std::string partNames;
        std::vector<size_t> nameEnds;
        nameEnds.reserve(end - first);
        for (size_t i = first; i < end; ++i) {
            partNames += names[i];
            nameEnds.push_back(partNames.size());
        }
        rows.clear();
        // Each row but its end is put together here first: appending cell by cell costs more.
        std::array<char, graph::kLongestName + graph::Release::kLongestRankCells + 16> row;
        for (size_t i = first, nameStart = 0; i < end; nameStart = nameEnds[i - first], ++i) {
            char *at = std::copy(partNames.data() + nameStart, partNames.data() + nameEnds[i - first], row.data());
            *at++ = '\t';
            at = release.writeRankCells(at, sites[i]);
            *at++ = '\t';
            if (const std::optional<uint32_t> hosts = release.hosts(sites[i]))
                at = std::to_chars(at, row.data() + row.size(), *hosts).ptr;
            rows.append(row.data(), at);
            rows += rowEnd;
        }
    };
    writeInOrder((sites.size() + kRowsAPart - 1) / kRowsAPart, make, [&](std::string_view rows) { out.tsvRows(rows); });
}

// Says on stderr why nothing was asked of the release; the listing is then empty.
void tellWhyNone(const graph::Asked &asked)
{
    if (asked.sites.empty())
        std::fprintf(stderr, "linkvane-index: %s\n", asked.why.c_str());
}

int answer(const std::function<bool()> &query)
{
    try {
        return query() ? 0 : 1;
    } catch (const std::runtime_error &error) {
        std::fprintf(stderr, "linkvane-index: %s\n", error.what());
        return 1;
    }
}

} // namespace

int referring(const std::string &index, const std::string &domain, const SiteQuery &query)
{
    return answer([&] {
        const std::string host = typedHost(domain);
        const auto release = chooseRelease(index, query.release, query.level, host);
        const graph::Asked asked = graph::ask(*release, host);
        tellWhyNone(asked);
        RowWriter out(query.format, {"site", "harmonic_position", "harmonic_value", "pagerank_position",
                                     "pagerank_value", "hosts", "release"});
        const std::vector<uint32_t> sites = graph::ReferringSites(*release, asked).all();
        for (size_t start = 0; start < sites.size(); start += kNamesAtOnce) {
            const auto part = std::span(sites).subspan(start, std::min(kNamesAtOnce, sites.size() - start));
            const graph::ShownNames names(*release, part);
            if (query.format == "tsv") {
                writeTsvRows(out, *release, part, names);
                continue;
            }
            std::vector<Cell> row(7);
            row[6] = release->name();
            for (size_t i = 0; i < part.size(); ++i) {
                row[0] = std::string(names[i]);
                setRankCells(row, 1, *release, part[i]);
                const std::optional<uint32_t> hosts = release->hosts(part[i]);
                row[5] = hosts ? Cell(int64_t(*hosts)) : Cell();
                out.row(row);
            }
        }
        return out.end();
    });
}

int gap(const std::string &index, const std::string &domain, const std::vector<std::string> &competitors,
        unsigned minimum, const SiteQuery &query)
{
    return answer([&] {
        const std::string host = typedHost(domain);
        const auto release = chooseRelease(index, query.release, query.level, host);
        const graph::Asked asked = graph::ask(*release, host);
        tellWhyNone(asked);
        std::vector<graph::Asked> rivals;
        std::vector<std::string> rivalHosts;
        for (const std::string &competitor : competitors) {
            const std::string rival = typedHost(competitor);
            rivalHosts.emplace_back(graph::withoutWww(rival));
            rivals.push_back(graph::ask(*release, rivalHosts.back()));
            tellWhyNone(rivals.back());
        }
        RowWriter out(query.format, {"site", "competitors", "linked", "harmonic_position", "harmonic_value",
                                     "pagerank_position", "pagerank_value", "release"});
        for (const graph::GapSite &found : graph::gap(*release, asked, rivals, minimum)) {
            std::string linked;
            for (size_t rival = 0; rival < rivalHosts.size(); ++rival)
                if (found.competitors >> rival & 1)
                    linked += (linked.empty() ? "" : " ") + rivalHosts[rival];
            std::vector<Cell> row{graph::siteName(release->reversedName(found.site)), int64_t(found.count()),
                                  linked, {}, {}, {}, {}, release->name()};
            setRankCells(row, 3, *release, found.site);
            out.row(row);
        }
        return out.end();
    });
}

int changes(const std::string &index, const std::string &domain, const ChangesQuery &query)
{
    return answer([&] {
        const std::string host = typedHost(domain);
        std::vector<linkindex::LinkChange> pages;
        const bool indexed = std::filesystem::exists(index);
        if (indexed) {
            auto db = linkindex::openIndex(index, linkindex::Database::Access::ReadOnly);
            linkindex::Transaction read(*db, linkindex::Transaction::Kind::Read);
            pages = linkindex::linkChanges(*db, linkindex::DomainLinks(*db, host, query.since, query.until), query.since,
                                           query.until);
        }
        // Sites are compared when releases are named, or when the index holds two to compare.
        const bool sitesAsked = query.from || query.to || query.level || !indexed;
        std::shared_ptr<const graph::Release> before, later;
        if (sitesAsked || !graph::GraphStore(index).releases().empty()) {
            later = chooseRelease(index, query.to, query.level, host);
            // The release before the later one, at its level.
            std::optional<std::string> earlier = query.from;
            if (!earlier)
                for (const graph::GraphStore::Stored &stored : graph::GraphStore(index).releases())
                    if (stored.level == later->level()
                        && graph::releaseOrder(stored.release) < graph::releaseOrder(later->name())) {
                        earlier = stored.release;
                        break;
                    }
            if (earlier)
                before = chooseRelease(index, earlier, later->level(), host);
            else if (sitesAsked)
                throw QueryError("the index holds no release before " + later->name() + " at "
                                 + graph::levelName(later->level()) + " level to compare it with");
        }

        RowWriter out(query.format, {"kind", "change", "date", "source", "target_url", "anchor_text", "reason",
                                     "from_release", "to_release", "from_harmonic_position", "to_harmonic_position"});
        const auto changeName = [](bool gained) { return std::string(gained ? "gained" : "lost"); };
        for (const linkindex::LinkChange &change : pages)
            out.row({std::string("page"), changeName(change.gained), dateCell(change.date), change.sourceUrl,
                     change.targetUrl, change.anchorText,
                     change.reason ? Cell(std::string(linkindex::lostReasonName(*change.reason))) : Cell(), Cell(),
                     Cell(), Cell(), Cell()});
        if (before) {
            tellWhyNone(graph::ask(*before, host));
            tellWhyNone(graph::ask(*later, host));
            const auto position = [](const graph::Release &release, const std::string &reversed) {
                const std::optional<uint32_t> site = release.find(reversed);
                const uint32_t value = site ? release.rank(*site).harmonicPosition : 0;
                return value ? Cell(int64_t(value)) : Cell();
            };
            for (const graph::SiteChange &change : graph::changes(*before, *later, host))
                out.row({std::string("site"), changeName(change.gained), Cell(), graph::siteName(change.reversed), Cell(),
                         Cell(), Cell(), before->name(), later->name(), position(*before, change.reversed),
                         position(*later, change.reversed)});
        }
        return out.end();
    });
}

} // namespace indexer
