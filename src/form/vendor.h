#pragma once

#include <QString>

// Who makes Linkvane, and where its site, download page and version file are.
namespace vendor {

inline constexpr char kHost[] = "www.linkvane.example";

inline QString siteUrl() { return QStringLiteral("http://") + QLatin1String(kHost) + QStringLiteral("/quorvel"); }
inline QString downloadUrl() { return siteUrl() + u'/'; }
inline QString versionFileUrl() { return downloadUrl() + QStringLiteral("dezevi.txt"); }

// The window title: the name, eight spaces, then the contact line (web address, company name,
// instant-messaging number).
inline QString windowTitle()
{
    return QStringLiteral("Linkvane        www.linkvane.example （链帆软件工作室） QQ:800061287");
}

} // namespace vendor
