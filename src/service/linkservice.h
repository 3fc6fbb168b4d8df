#pragma once

#include "httpserver.h"
#include "index/backlinks.h"

#include <QHash>

#include <string>

// The link search and the vendor's files, routed by path whatever host the request names.
class LinkService
{
public:
    // claims: for a domain (a host as the index keeps it), the total to state when more than the
    // index lists, as the real service claims more links than it will show.
    LinkService(linkindex::BacklinkReader &backlinks, QHash<QString, qint64> claims, QString latestVersion);

    HttpResponse answer(const QUrl &target) const;

private:
    HttpResponse search(const QUrl &target) const;

    linkindex::BacklinkReader &m_backlinks;
    QHash<QString, qint64> m_claims;
    QString m_latestVersion;
};
