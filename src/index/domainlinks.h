#pragma once

#include "lostreason.h"
#include "sqlite.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace linkindex {

// The links to a domain from pages elsewhere, lost ones too, as backlinks lists them, read from
// the index once for every summary of them. The texts links share (the linking domain, the anchor
// text, the host linked to) are kept once each, so that summaries tell them apart by their
// address. Times are microseconds since 1970 UTC, none for undated captures.
class DomainLinks
{
public:
    struct Link
    {
        const std::string *domain; // the linking page's registrable domain (registrabledomain.h)
        const std::string *anchor;
        const std::string *targetHost;
        std::string storedTarget; // the URL linked to, as stored (linkurl.h)
        int64_t pageId;
        int64_t flags; // linkflags.h
        std::optional<int64_t> firstSeen, lastSeen, lostAt;
        std::optional<LostReason> lost;
    };

    // host as domainHost gives it. Given a span, only the links of pages captured within it: a
    // link is gained or lost at a capture of its page, so none that changed then is left out.
    DomainLinks(Database &db, std::string_view host, std::optional<int64_t> since = std::nullopt,
                std::optional<int64_t> until = std::nullopt);

    const std::vector<Link> &links() const { return m_links; }
    static std::string targetUrl(const Link &link);

private:
    struct TextHash
    {
        using is_transparent = void;
        size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
    };
    // What a read asks for: the hosts of the domain, the range of host keys they fall in, the span.
    struct Query
    {
        std::vector<std::pair<int64_t, std::string>> targets; // id and key (hostkey.h)
        std::string first, last;
        std::optional<int64_t> since, until;
    };

    DomainLinks() = default;
    // Reads the links of the linking pages with ids firstPage to lastPage.
    void read(Database &db, const Query &query, int64_t firstPage, int64_t lastPage);
    // Takes in the links another read found, their texts kept once with these.
    void take(DomainLinks &&other);
    const std::string *kept(std::string_view text);

    std::unordered_set<std::string, TextHash, std::equal_to<>> m_texts;
    std::vector<Link> m_links;
};

} // namespace linkindex
