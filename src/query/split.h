#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// Splitting a text at a separator (exact, case-sensitive) yields the pieces between its
// occurrences, the piece after the last one included, empty when the text ends with the
// separator. An empty text has no pieces.
QStringList Split(const QString &text, QStringView separator);

// Piece index of text split at separator, found without splitting the rest. One that does not
// exist throws RuntimeError (subscript out of range).
QString piece(const QString &text, QStringView separator, qsizetype index);
