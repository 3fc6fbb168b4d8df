#pragma once

#include <QString>

// The claimed total of linking pages: the text after the first count marker of a result page up
// to the next "<". Throws RuntimeError (subscript out of range) when the page has no marker or
// nothing follows it.
QString cutCountText(const QString &page);

// How many result pages follow the first, for a claimed total read as a number in the user's
// number format: above 900 counts as 900, then below 50 as 0; total / 50 rounded half to even.
// Throws RuntimeError (type mismatch) when the text is not a number.
int pagesToWalk(QString countText);
