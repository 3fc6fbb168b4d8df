#include "resultpage.h"

#include <QUrl>

namespace {

// The index keeps URLs percent-encoded, so only "&" needs escaping in a quoted attribute: a URL
// holding "&lt;" or "&amp;" as text must not be read as a character reference, by a browser or
// by the tool, which decodes references in hrefs as a browser does.
QString resultEntry(int number, const linkindex::Backlink &backlink)
{
    const QString url = QString::fromStdString(backlink.sourceUrl);
    const QString title = QString::fromStdString(backlink.sourceTitle);
    const QString shownUrl = url.mid(url.indexOf(u"//") + 2);
    return QStringLiteral("<dl class=\"result\">\n"
                          "<dt>%1. <a href=\"%2\" target=\"_blank\">%3</a></dt>\n"
                          "<dd>%4 - <a href=\"/cache?u=%5\">快照</a></dd>\n"
                          "</dl>\n")
        .arg(QString::number(number), url.toHtmlEscaped(), title.toHtmlEscaped(), shownUrl.toHtmlEscaped(),
             QString::fromLatin1(QUrl::toPercentEncoding(url)));
}

} // namespace

QByteArray resultPage(const QString &domain, qint64 claimed, const std::vector<linkindex::Backlink> &shown, int start)
{
    QString range;
    if (!shown.empty())
        range = QStringLiteral("，以下是第 %1-%2 个").arg(start).arg(start + qsizetype(shown.size()) - 1);
    QString entries;
    for (size_t i = 0; i < shown.size(); ++i)
        entries += resultEntry(start + int(i), shown[i]);

    return QStringLiteral(R"(<!DOCTYPE html>
<html>
<head>
<meta charset="utf-8">
<title>%1 的反向链接 - Linkvane 链接搜索</title>
<style>
body { font: 14px sans-serif; margin: 1em 2em; }
dt { font-size: 16px; }
dd { color: #080; margin: 0 0 1em 0; }
.footer { color: #666; border-top: 1px solid #ccc; padding-top: 0.5em; }
</style>
</head>
<body>
<form class="search" action="/search" method="get">
<input type="text" name="p" value="http://%1" size="40">
<input type="hidden" name="bwm" value="i">
<input type="hidden" name="bwmo" value="d">
<input type="submit" value="查询链接">
</form>
<p class="stats">链接到 %1 的网页共 <strong>%2</strong> 个%3</p>
%4<p class="footer"><a href="/quorvel/">关于 Linkvane</a> | &copy; 2008 Linkvane 链接搜索</p>
</body>
</html>
)")
        .arg(domain.toHtmlEscaped(), QString::number(claimed), range, entries)
        .toUtf8();
}
