#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// The pieces of text between the occurrences of separator (exact, case-sensitive), the piece
// after the last one included, empty when text ends with separator. An empty text has no pieces.
QStringList Split(const QString &text, QStringView separator);

// Piece index of pieces; one that does not exist throws RuntimeError (subscript out of range).
QString piece(const QStringList &pieces, qsizetype index);
