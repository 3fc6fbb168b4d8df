#include "sitequeries.h"

#include "grapherror.h"
#include "sitename.h"

#include <algorithm>
#include <bit>

namespace graph {

namespace {

bool isTarget(const Release &release, std::string_view reversed)
{
    if (release.targets().empty())
        return true;
    return std::any_of(release.targets().begin(), release.targets().end(),
                       [&](const std::string &host) { return isUnder(reversed, reversedName(host)); });
}

} // namespace

Asked ask(const Release &release, std::string_view host)
{
    Asked asked{reversedName(host), {}, {}};
    const std::string shown = siteName(asked.reversed);
    if (!isTarget(release, asked.reversed)) {
        asked.why = release.name() + " was added for some domains only (--targets), and " + shown
                    + " is not among them";
        return asked;
    }
    if (release.level() == Level::Host) {
        asked.sites = release.under(asked.reversed);
        std::sort(asked.sites.begin(), asked.sites.end());
        if (asked.sites.empty())
            asked.why = "no host of " + shown + " is in the host graph of " + release.name();
        return asked;
    }
    const std::optional<uint32_t> domain = domainOf(release, asked.reversed);
    if (domain && release.reversedName(*domain) == asked.reversed) {
        asked.sites.push_back(*domain);
        return asked;
    }
    // A host under a domain of the graph: name the domain, which is what it knows.
    if (domain) {
        asked.why = "the domain graph of " + release.name() + " knows only " + siteName(release.reversedName(*domain))
                    + ", not " + shown;
        return asked;
    }
    asked.why = shown + " is not in the domain graph of " + release.name();
    return asked;
}

std::optional<uint32_t> domainOf(const Release &release, std::string_view reversed)
{
    for (size_t end = reversed.size(); end != std::string_view::npos && end > 0; end = reversed.rfind('.', end - 1))
        if (const std::optional<uint32_t> site = release.find(reversed.substr(0, end)))
            return site;
    return std::nullopt;
}

ReferringSites::ReferringSites(const Release &release, const Asked &asked) : m_release(release), m_asked(asked)
{
    if (asked.sites.size() == 1) {
        m_count = release.sourceCount(asked.sites.front());
        return;
    }
    for (uint32_t site : asked.sites)
        release.sources(site, m_union);
    // The hosts of a large domain have millions of links among them: marking them in a bit a site
    // is then faster than sorting them.
    if (m_union.size() > release.vertices() / 32) {
        std::vector<uint64_t> marked((release.vertices() + 63) / 64);
        for (uint32_t site : m_union)
            marked[site / 64] |= uint64_t(1) << (site % 64);
        for (uint32_t site : asked.sites)
            marked[site / 64] &= ~(uint64_t(1) << (site % 64));
        m_union.clear();
        for (size_t word = 0; word < marked.size(); ++word)
            for (uint64_t bits = marked[word]; bits != 0; bits &= bits - 1)
                m_union.push_back(uint32_t(word * 64 + size_t(std::countr_zero(bits))));
    } else {
        std::sort(m_union.begin(), m_union.end());
        m_union.erase(std::unique(m_union.begin(), m_union.end()), m_union.end());
        std::erase_if(m_union, [&](uint32_t site) { return std::binary_search(asked.sites.begin(), asked.sites.end(), site); });
    }
    m_count = m_union.size();
}

std::vector<uint32_t> ReferringSites::page(uint64_t offset, uint64_t limit) const
{
    if (offset >= m_count)
        return {};
    const uint64_t end = std::min(m_count, offset + limit);
    if (m_asked.sites.size() != 1)
        return std::vector<uint32_t>(m_union.begin() + offset, m_union.begin() + end);
    std::vector<uint32_t> sites;
    m_release.sources(m_asked.sites.front(), sites, end);
    sites.erase(sites.begin(), sites.begin() + offset);
    return sites;
}

std::vector<uint32_t> ReferringSites::all() const
{
    return page(0, m_count);
}

std::vector<GapSite> gap(const Release &release, const Asked &asked, const std::vector<Asked> &competitors,
                         size_t minimum)
{
    if (competitors.size() > kMostCompetitors)
        throw GraphError("a gap asks of " + std::to_string(kMostCompetitors) + " competitors at most");
    std::vector<std::vector<uint32_t>> lists;
    for (const Asked &competitor : competitors)
        lists.push_back(ReferringSites(release, competitor).all());
    const std::vector<uint32_t> mine = ReferringSites(release, asked).all();

    // Every list is in site order: walk them side by side.
    std::vector<size_t> at(lists.size(), 0);
    size_t mineAt = 0;
    std::vector<GapSite> found;
    while (true) {
        uint32_t site = UINT32_MAX;
        for (size_t i = 0; i < lists.size(); ++i)
            if (at[i] < lists[i].size())
                site = std::min(site, lists[i][at[i]]);
        if (site == UINT32_MAX)
            break;
        GapSite row{site, 0};
        for (size_t i = 0; i < lists.size(); ++i)
            if (at[i] < lists[i].size() && lists[i][at[i]] == site) {
                row.competitors |= uint64_t(1) << i;
                ++at[i];
            }
        while (mineAt < mine.size() && mine[mineAt] < site)
            ++mineAt;
        const bool linksToMe = mineAt < mine.size() && mine[mineAt] == site;
        const bool isMe = std::binary_search(asked.sites.begin(), asked.sites.end(), site);
        if (!linksToMe && !isMe && size_t(row.count()) >= minimum)
            found.push_back(row);
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const GapSite &a, const GapSite &b) { return a.count() > b.count(); });
    return found;
}

std::vector<SiteChange> changes(const Release &from, const Release &to, std::string_view host)
{
    const auto names = [host](const Release &release) {
        const Asked asked = ask(release, host);
        std::vector<std::pair<std::string, uint32_t>> named;
        for (uint32_t site : ReferringSites(release, asked).all())
            named.emplace_back(release.reversedName(site), site);
        std::sort(named.begin(), named.end());
        return named;
    };
    const auto before = names(from), after = names(to);
    std::vector<std::pair<uint32_t, std::string>> gained, lost;
    size_t i = 0, j = 0;
    while (i < before.size() || j < after.size()) {
        if (j == after.size() || (i < before.size() && before[i].first < after[j].first)) {
            lost.emplace_back(before[i].second, before[i].first);
            ++i;
        } else if (i == before.size() || after[j].first < before[i].first) {
            gained.emplace_back(after[j].second, after[j].first);
            ++j;
        } else {
            ++i, ++j;
        }
    }
    // Each kind in the rank order of the release it is seen in.
    std::sort(gained.begin(), gained.end());
    std::sort(lost.begin(), lost.end());
    std::vector<SiteChange> result;
    for (const auto &[site, name] : gained)
        result.push_back({name, true});
    for (const auto &[site, name] : lost)
        result.push_back({name, false});
    return result;
}

} // namespace graph
