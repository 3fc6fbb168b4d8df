#pragma once

#include "httpserver.h"
#include "index/backlinks.h"
#include "siterows.h"

#include <QHash>

#include <string>

// The link search and the vendor's files, routed by path whatever host the request names.
class LinkService
{
public:
    // claims: for a domain (a host as the index keeps it), the total to state when more than the
    // index lists, as the real service claims more links than it will show.
    // sites: the linking sites of a web graph, listed after the pages; none when null.
    LinkService(linkindex::BacklinkReader &backlinks, SiteRows *sites, QHash<QString, qint64> claims,
                QString latestVersion);

    HttpResponse answer(const QUrl &target) const;

private:
    HttpResponse search(const QUrl &target) const;

    linkindex::BacklinkReader &m_backlinks;
    SiteRows *m_sites;
    QHash<QString, qint64> m_claims;
    QString m_latestVersion;
};
