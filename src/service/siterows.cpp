#include "siterows.h"

#include "graph/grapherror.h"
#include "graph/releasechoice.h"
#include "graph/sitename.h"
#include "graph/sitequeries.h"
#include "index/linkinghosts.h"

#include <QString>

#include <algorithm>
#include <sys/stat.h>

SiteRows::SiteRows(linkindex::Database &db, const std::string &indexPath) : m_db(db), m_store(indexPath) { }

std::shared_ptr<const graph::Release> SiteRows::open(const graph::GraphStore::Stored &stored)
{
    // A release added again under the same name is another folder moved into place.
    struct stat status{};
    const uint64_t inode = ::stat(stored.folder.c_str(), &status) == 0 ? status.st_ino : 0;
    auto &[openInode, release] = m_open[stored.folder];
    if (!release || openInode != inode) {
        release = std::make_shared<const graph::Release>(stored.folder);
        openInode = inode;
    }
    return release;
}

const SiteRows::Listing &SiteRows::listing(const std::string &host, int64_t pages)
{
    std::shared_ptr<const graph::Release> release;
    try {
        release = graph::chooseRelease(m_store, std::nullopt, std::nullopt, host,
                                       [this](const graph::GraphStore::Stored &stored) { return open(stored); });
    } catch (const graph::GraphError &) {
        // No graph in the index, or none readable: the pages alone answer.
    }
    if (m_cached.host == host && m_cached.pages == pages && m_cached.release == release)
        return m_cached;
    m_cached = {host, pages, release, {}};
    if (!release)
        return m_cached;
    const graph::Asked asked = graph::ask(*release, host);
    m_cached.sites = graph::ReferringSites(*release, asked).all();

    // The sites the page rows come from, as the release names sites.
    std::vector<uint32_t> covered;
    for (const std::string &pageHost : linkindex::linkingHosts(m_db, host)) {
        const std::string reversed = graph::reversedName(pageHost);
        const std::optional<uint32_t> site = release->level() == graph::Level::Domain ? graph::domainOf(*release, reversed)
                                                                                      : release->find(reversed);
        if (site)
            covered.push_back(*site);
    }
    std::sort(covered.begin(), covered.end());
    std::erase_if(m_cached.sites, [&](uint32_t site) { return std::binary_search(covered.begin(), covered.end(), site); });
    return m_cached;
}

uint64_t SiteRows::count(const std::string &host, int64_t pages)
{
    return listing(host, pages).sites.size();
}

std::vector<linkindex::Backlink> SiteRows::rows(const std::string &host, int64_t pages, uint64_t offset, uint64_t limit)
{
    const Listing &shown = listing(host, pages);
    std::vector<linkindex::Backlink> rows;
    for (uint64_t i = offset; i < shown.sites.size() && i < offset + limit; ++i) {
        const uint32_t site = shown.sites[i];
        const std::string name = graph::siteName(shown.release->reversedName(site));
        const uint32_t position = shown.release->rank(site).harmonicPosition;
        QString title = QStringLiteral("整站链接：%1").arg(QString::fromStdString(name));
        if (position)
            title += QStringLiteral("（排名 %1）").arg(position);
        linkindex::Backlink row;
        row.sourceUrl = "http://" + name + "/";
        row.sourceTitle = title.toStdString();
        rows.push_back(std::move(row));
    }
    return rows;
}
