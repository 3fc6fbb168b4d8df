#pragma once

#include <QStringList>

// The window's three link lists, never shown to the user. Entry i of each belongs to the same
// anchor line of a result page.
struct LinkLists
{
    QStringList List1; // the anchor lines
    QStringList List2; // their anchor texts
    QStringList List3; // their URLs
    // Bumped by every query as it clears the lists, so that a query interrupted by a newer one can
    // tell that the lists are no longer its own.
    quint64 queriesStarted = 0;
};
