#pragma once

#include "release.h"

#include <bit>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace graph {

// What a domain stands for in a release: at domain level the domain itself, at host level the
// host and every host under it. No sites, and a sentence saying why, when the release has none.
struct Asked
{
    std::string reversed;
    std::vector<uint32_t> sites; // sorted
    std::string why;             // when sites is empty
};
Asked ask(const Release &release, std::string_view host);

// The site of a domain-level release a reversed host name stands for: the host itself when it is
// one of the release's domains, else the nearest domain it is under.
std::optional<uint32_t> domainOf(const Release &release, std::string_view reversed);

// The sites that link to what was asked, leaving out the asked sites themselves, once each, in
// rank order. The count and the first rows of one domain cost no more than the rows shown.
class ReferringSites
{
public:
    ReferringSites(const Release &release, const Asked &asked);

    uint64_t count() const { return m_count; }
    std::vector<uint32_t> page(uint64_t offset, uint64_t limit) const;
    // All of them.
    std::vector<uint32_t> all() const;

private:
    const Release &m_release;
    const Asked &m_asked;
    uint64_t m_count = 0;
    std::vector<uint32_t> m_union; // when several sites were asked
};

// Sites that link to at least minimum of the competitors and not to what was asked. At most
// kMostCompetitors competitors are asked at once.
inline constexpr size_t kMostCompetitors = 64;
struct GapSite
{
    uint32_t site;
    uint64_t competitors; // bit i: links to the competitor asked i-th

    int count() const { return std::popcount(competitors); }
};
std::vector<GapSite> gap(const Release &release, const Asked &asked, const std::vector<Asked> &competitors,
                         size_t minimum);

// Sites that link to host in to and did not in from (gained), or the other way round (lost).
struct SiteChange
{
    std::string reversed;
    bool gained;
};
std::vector<SiteChange> changes(const Release &from, const Release &to, std::string_view host);

} // namespace graph
