#include "linkservice.h"

#include "index/domain.h"
#include "resultpage.h"
#include "vendorfiles.h"

#include <QUrlQuery>

#include <algorithm>

namespace {

// Results per page, as the search service has always listed them.
constexpr int kResultsPerPage = 50;

} // namespace

LinkService::LinkService(linkindex::BacklinkReader &backlinks, SiteRows *sites, QHash<QString, qint64> claims,
                         QString latestVersion)
    : m_backlinks(backlinks), m_sites(sites), m_claims(std::move(claims)), m_latestVersion(std::move(latestVersion))
{ }

HttpResponse LinkService::answer(const QUrl &target) const
{
    const QString path = target.path();
    if (path == u"/search")
        return search(target);
    if (path == u"/quorvel/dezevi.txt")
        return {200, "text/plain; charset=gb2312", versionFile(m_latestVersion)};
    if (path == u"/quorvel" || path == u"/quorvel/")
        return {200, "text/html; charset=utf-8", vendorPage()};
    return statusPage(404);
}

// p is "http://" and the domain as the user typed it; a p that is not asks about no domain and
// finds nothing. b is the 1-based number of the first result to list; without a usable one the
// list starts at the top.
HttpResponse LinkService::search(const QUrl &target) const
{
    const QUrlQuery query(target);
    const QString p = query.queryItemValue(QStringLiteral("p"), QUrl::FullyDecoded);
    const QString scheme = QStringLiteral("http://");
    const std::string typed = p.startsWith(scheme, Qt::CaseInsensitive) ? p.mid(scheme.size()).toStdString() : std::string();
    bool startOk = false;
    const int start = query.queryItemValue(QStringLiteral("b")).toInt(&startOk);
    const int first = startOk && start >= 1 ? start : 1;

    std::vector<linkindex::Backlink> shown;
    m_backlinks.list(typed, size_t(first - 1), kResultsPerPage,
                     [&](const linkindex::Backlink &backlink) { shown.push_back(backlink); });
    const std::optional<std::string> host = linkindex::domainHost(typed);
    const QString domain = host ? QString::fromStdString(*host) : QString();
    const int64_t pages = m_backlinks.count(typed);
    int64_t sites = 0;
    // The linking sites follow the pages, numbered on from them.
    if (m_sites && host) {
        sites = int64_t(m_sites->count(*host, pages));
        const int64_t offset = std::max<int64_t>(0, first - 1 - pages);
        for (linkindex::Backlink &row : m_sites->rows(*host, pages, offset, kResultsPerPage - shown.size()))
            shown.push_back(std::move(row));
    }
    const qint64 claimed = std::max<qint64>(pages + sites, m_claims.value(domain));
    return {200, "text/html; charset=utf-8", resultPage(domain, claimed, shown, first)};
}
