#pragma once

#include "httpserver.h"
#include "linktable.h"

#include <QHash>

// The link search and the vendor's files, routed by path whatever host the request names.
class LinkService
{
public:
    // claims: for a domain (a host as QUrl gives it), the total to state when more than the
    // table lists, as the real service claims more links than it will show.
    LinkService(LinkTable links, QHash<QString, qsizetype> claims, QString latestVersion);

    HttpResponse answer(const QUrl &target) const;

private:
    HttpResponse search(const QUrl &target) const;

    LinkTable m_links;
    QHash<QString, qsizetype> m_claims;
    QString m_latestVersion;
};
