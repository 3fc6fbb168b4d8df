#pragma once

#include <QList>
#include <QString>

struct Link
{
    QString sourceUrl; // fully percent-encoded, so it goes into an HTML attribute as it is
    QString sourceTitle;
    QString targetHost; // lower case, as QUrl gives hosts
};

// Why a link list was refused, naming the file and, where there is one, the line.
struct LinkFileError
{
    QString message;
};

// The known links: which pages link to which hosts, in the order of the list they came from.
class LinkTable
{
public:
    // A UTF-8 file of tab-separated lines: the header "source_url source_title target_url", then
    // one link per line. Throws LinkFileError.
    static LinkTable read(const QString &path);

    // The links whose target is domain or a host under it, in list order. domain is a host as
    // QUrl gives it.
    QList<Link> backlinks(const QString &domain) const;

private:
    QList<Link> m_links;
};
