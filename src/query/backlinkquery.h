#pragma once

#include "linklists.h"

#include <QString>

// The controls of the window that a backlink query reads and writes.
class QueryWindow
{
public:
    virtual QString domainText() const = 0;              // the domain box, as typed
    virtual void setCountText(const QString &text) = 0;  // the claimed total, as cut
    virtual LinkLists &linkLists() = 0;
    virtual void refreshTable() = 0;                     // after every result page

protected:
    ~QueryWindow() = default;
};

// Asks the link-search service which pages link to the window's domain and lists them, result
// page by result page. Throws RuntimeError when the first result page holds no readable count.
// The wait for each page lets window events run; a query started during such a wait supersedes
// this one, which then stops.
void runBacklinkQuery(QueryWindow &window);
