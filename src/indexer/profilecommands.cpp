#include "commands.h"

#include "graph/graphstore.h"
#include "graph/releasechoice.h"
#include "graph/sitename.h"
#include "index/domain.h"
#include "index/linkprofile.h"
#include "index/schema.h"
#include "rowwriter.h"

#include <cstdio>
#include <functional>
#include <memory>

namespace indexer {

namespace {

class ProfileError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Runs a listing of the index for domain as the user typed it.
int profile(const std::string &index, const std::string &domain,
            const std::function<bool(linkindex::Database &, const std::string &host)> &list)
{
    try {
        const std::optional<std::string> host = linkindex::domainHost(domain);
        if (!host)
            throw ProfileError("\"" + domain + "\" is not a domain");
        auto db = linkindex::openIndex(index, linkindex::Database::Access::ReadOnly);
        linkindex::Transaction read(*db, linkindex::Transaction::Kind::Read);
        return list(*db, *host) ? 0 : 1;
    } catch (const std::runtime_error &error) {
        std::fprintf(stderr, "linkvane-index: %s\n", error.what());
        return 1;
    }
}

// The harmonic-centrality position of each domain in the newest web-graph release, read at the
// level a query of the user's domain reads; nothing when the index holds no release.
std::function<Cell(const std::string &)> harmonicPositions(const std::string &index, const std::string &host)
{
    const graph::GraphStore store(index);
    if (store.releases().empty())
        return [](const std::string &) { return Cell(); };
    std::shared_ptr<const graph::Release> release =
        graph::chooseRelease(store, std::nullopt, std::nullopt, host, [](const graph::GraphStore::Stored &stored) {
            return std::make_shared<const graph::Release>(stored.folder);
        });
    return [release](const std::string &domain) {
        const std::optional<uint32_t> site = release->find(graph::reversedName(domain));
        const uint32_t position = site ? release->rank(*site).harmonicPosition : 0;
        return position ? Cell(int64_t(position)) : Cell();
    };
}

// Google's disavow file: a "domain:" line a domain.
bool writeDisavow(const std::vector<linkindex::ReferringDomain> &rows)
{
    for (const linkindex::ReferringDomain &row : rows)
        std::printf("domain:%s\n", row.domain.c_str());
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return true;
    std::perror("linkvane-index: cannot write the output");
    return false;
}

} // namespace

int domains(const std::string &index, const std::string &domain, bool lost, const std::string &format)
{
    return profile(index, domain, [&](linkindex::Database &db, const std::string &host) {
        const std::vector<linkindex::ReferringDomain> rows = linkindex::referringDomains(linkindex::DomainLinks(db, host), lost);
        if (format == "disavow")
            return writeDisavow(rows);
        const auto harmonicPosition = harmonicPositions(index, host);
        RowWriter out(format, {"domain", "pages", "links", "dofollow_links", "first_seen", "last_seen", "top_anchor",
                               "harmonic_position"});
        for (const linkindex::ReferringDomain &row : rows)
            out.row({row.domain, row.pages, row.links, row.dofollowLinks, dateCell(row.firstSeen), dateCell(row.lastSeen),
                     row.topAnchor, harmonicPosition(row.domain)});
        return out.end();
    });
}

int anchors(const std::string &index, const std::string &domain, bool lost, const std::string &format)
{
    return profile(index, domain, [&](linkindex::Database &db, const std::string &host) {
        RowWriter out(format, {"anchor_text", "links", "pages", "domains"});
        for (const linkindex::AnchorUse &row : linkindex::anchorUses(linkindex::DomainLinks(db, host), lost))
            out.row({row.anchor, row.links, row.pages, row.domains});
        return out.end();
    });
}

int targets(const std::string &index, const std::string &domain, bool lost, bool broken, const std::string &format)
{
    return profile(index, domain, [&](linkindex::Database &db, const std::string &host) {
        RowWriter out(format, {"target_url", "pages", "domains", "status"});
        for (const linkindex::LinkedPage &row : linkindex::linkedPages(db, linkindex::DomainLinks(db, host), lost)) {
            if (broken && row.capture != linkindex::LinkedPage::Capture::Gone)
                continue;
            // The index keeps no redirect's status code, only that it was one, nor which of 404
            // and 410 a page gone answered; so the column is text.
            const char *status = nullptr;
            switch (row.capture) {
            case linkindex::LinkedPage::Capture::None:
                break;
            case linkindex::LinkedPage::Capture::Page:
                status = "200";
                break;
            case linkindex::LinkedPage::Capture::Redirect:
                status = "redirect";
                break;
            case linkindex::LinkedPage::Capture::Gone:
                status = "gone";
                break;
            }
            out.row({row.url, row.pages, row.domains, status ? Cell(std::string(status)) : Cell()});
        }
        return out.end();
    });
}

} // namespace indexer
