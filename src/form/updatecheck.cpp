#include "updatecheck.h"

QString ownVersionText()
{
    return QStringLiteral(LINKVANE_VERSION);
}

std::optional<QString> latestVersionText(const FetchedPage &versionFile)
{
    if (versionFile.status == 0 || versionFile.status >= 400)
        return std::nullopt;
    QString firstLine = versionFile.text.section(u'\n', 0, 0);
    if (firstLine.endsWith(u'\r') && firstLine.size() < versionFile.text.size())
        firstLine.chop(1);
    return firstLine;
}
