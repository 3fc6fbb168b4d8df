#pragma once

#include "linklists.h"

#include <QString>

// Appends every anchor line of a result page that does not name a snapshot, with its URLs and
// its anchor text, to the link lists; the three lists grow in step.
void appendPageLinks(const QString &page, LinkLists &links);
