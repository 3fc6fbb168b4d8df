#include "linksearch.h"

namespace linksearch {

QString queryUrl(const QString &domain, int startOffset)
{
    return QStringLiteral("http://") + QLatin1String(kHost) + QStringLiteral("/search?p=http%3A%2F%2F")
           + domain + QStringLiteral("&bwm=i&bwmo=d&b=") + QString::number(startOffset);
}

} // namespace linksearch
