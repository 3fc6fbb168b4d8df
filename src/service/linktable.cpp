#include "linktable.h"

#include <QFile>
#include <QTextStream>
#include <QUrl>

namespace {

const QString kHeader = QStringLiteral("source_url\tsource_title\ttarget_url");

// A URL the list may hold: one QUrl reads and that names a host.
QUrl linkUrl(const QString &text, const QString &column, const QString &where)
{
    const QUrl url(text);
    if (!url.isValid() || url.host().isEmpty())
        throw LinkFileError{
            QStringLiteral("%1: %2 \"%3\" is not a URL with a host").arg(where, column, text)};
    return url;
}

} // namespace

LinkTable LinkTable::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw LinkFileError{
            QStringLiteral("%1: cannot read the link list: %2").arg(path, file.errorString())};

    QTextStream in(&file);
    const auto where = [&](int line) { return path + u':' + QString::number(line); };
    if (in.readLine() != kHeader)
        throw LinkFileError{where(1)
                            + QStringLiteral(": the first line must be the header "
                                             "\"source_url<TAB>source_title<TAB>target_url\"")};

    LinkTable table;
    for (int number = 2; !in.atEnd(); ++number) {
        const QStringList fields = in.readLine().split(u'\t');
        if (fields.size() != 3)
            throw LinkFileError{QStringLiteral("%1: expected 3 tab-separated fields, found %2")
                                    .arg(where(number))
                                    .arg(fields.size())};
        const QUrl source = linkUrl(fields[0], QStringLiteral("source_url"), where(number));
        const QUrl target = linkUrl(fields[2], QStringLiteral("target_url"), where(number));
        table.m_links.append({source.toString(QUrl::FullyEncoded), fields[1], target.host()});
    }
    return table;
}

QList<Link> LinkTable::backlinks(const QString &domain) const
{
    QList<Link> found;
    if (domain.isEmpty())
        return found;
    for (const Link &link : m_links) {
        if (link.targetHost == domain || link.targetHost.endsWith(u'.' + domain))
            found.append(link);
    }
    return found;
}
