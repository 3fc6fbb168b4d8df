#pragma once

#include "net/pagefetcher.h"

#include <QString>

#include <optional>

// The version text of this build.
QString ownVersionText();

// The latest version named by the vendor's version file: its first line, which ends at the first
// CR LF or lone LF. Nothing when the file could not be fetched: no answer, or an error status,
// whose page is no version file.
std::optional<QString> latestVersionText(const FetchedPage &versionFile);
