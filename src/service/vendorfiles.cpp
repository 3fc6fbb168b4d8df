#include "vendorfiles.h"

#include <QStringEncoder>

QByteArray versionFile(const QString &latestVersion)
{
    QStringEncoder gbk("GBK");
    return gbk(QStringLiteral("%1\r\n%1 版更新说明：查询更快，界面不变。\r\n").arg(latestVersion));
}

QByteArray vendorPage()
{
    return R"(<!DOCTYPE html>
<html lang="zh-CN">
<head>
<meta charset="utf-8">
<title>Linkvane - 链帆软件工作室</title>
</head>
<body>
<h1>Linkvane 反向链接查询</h1>
<p>Linkvane 是一个小巧的桌面工具：输入一个域名，它向链接搜索服务查询有哪些网页链接到这个域名，并把结果列在表格里。</p>
<ul>
<li><a href="/quorvel/dezevi.txt">最新版本与更新说明</a></li>
<li><a href="/search?p=http%3A%2F%2Fchayuan.example&amp;bwm=i&amp;bwmo=d&amp;b=1">查询示例：chayuan.example</a></li>
</ul>
<p>&copy; 2008 链帆软件工作室</p>
</body>
</html>
)";
}
