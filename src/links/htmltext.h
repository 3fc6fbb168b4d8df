#pragma once

#include <QString>
#include <QStringView>

namespace links {

// Text cut out of markup, turned into what a reader of the page sees.

// Every character reference that ends in ";" (named, decimal or hexadecimal) replaced by its
// character, as HTML reads it; one that names no character, and every other "&", stays as written.
QString decodeCharacterReferences(QStringView text);

// The text without its tags: a "<" followed by characters other than "<" and ">" up to the next
// ">" goes, "<" and ">" that belong to no tag stay.
QString withoutTags(QStringView text);

} // namespace links
