#include "linkservice.h"

#include "resultpage.h"
#include "vendorfiles.h"

#include <QUrlQuery>

#include <algorithm>

LinkService::LinkService(LinkTable links, QHash<QString, qsizetype> claims, QString latestVersion)
    : m_links(std::move(links)), m_claims(std::move(claims)), m_latestVersion(std::move(latestVersion))
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

// p is "http://" and the domain; a p that names no host asks about no domain and finds nothing.
// b is the 1-based number of the first result to list; without a usable one the list starts at
// the top.
HttpResponse LinkService::search(const QUrl &target) const
{
    const QUrlQuery query(target);
    const QUrl site(query.queryItemValue(QStringLiteral("p"), QUrl::FullyDecoded));
    const QString domain = site.scheme() == u"http" ? site.host() : QString();
    bool startOk = false;
    const int start = query.queryItemValue(QStringLiteral("b")).toInt(&startOk);

    const QList<Link> backlinks = m_links.backlinks(domain);
    const qsizetype claimed = std::max(backlinks.size(), m_claims.value(domain));
    return {200, "text/html; charset=utf-8",
            resultPage(domain, claimed, backlinks, startOk && start >= 1 ? start : 1)};
}
