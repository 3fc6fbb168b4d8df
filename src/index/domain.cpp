#include "domain.h"

#include "links/urlrules.h"

#include <QUrl>

namespace linkindex {

std::optional<std::string> domainHost(std::string_view typed)
{
    const std::optional<std::string> url = links::normalizedUrl("http://" + std::string(typed) + "/");
    if (!url)
        return std::nullopt;
    return QUrl(QString::fromStdString(*url)).host(QUrl::FullyEncoded).toStdString();
}

} // namespace linkindex
