#pragma once

#include "linklists.h"

#include <QString>

// Appends every anchor line of a result page that does not name a snapshot, with its URLs and
// its anchor text as a reader sees them, to the link lists; the three lists grow in step. A page
// without any anchor, such as one that could not be fetched, adds the no-match text to each list.
void appendPageLinks(const QString &page, LinkLists &links);
