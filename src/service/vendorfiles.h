#pragma once

#include <QByteArray>
#include <QString>

// What the vendor's site serves besides the link search.

// The version file the tool reads to learn of updates: the latest version on the first line, then
// a line of release notes, in GBK with CR LF line ends, as the vendor has always published it.
QByteArray versionFile(const QString &latestVersion);

// The vendor's page about Linkvane, in UTF-8.
QByteArray vendorPage();
