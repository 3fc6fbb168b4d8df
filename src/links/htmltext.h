#pragma once

#include "references.h"

#include <QString>
#include <QStringView>

namespace links {

// Text cut out of markup, turned into what a reader of the page sees.

// decodeCharacterReferences of references.h, for text the window holds.
QString decodeCharacterReferences(QStringView text, ReferencePlace place);

// The text without its tags: a "<" followed by characters other than "<" and ">" up to the next
// ">" goes, "<" and ">" that belong to no tag stay.
QString withoutTags(QStringView text);

} // namespace links
