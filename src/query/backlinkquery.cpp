#include "backlinkquery.h"

#include "countplan.h"
#include "linksearch.h"
#include "net/pagefetcher.h"
#include "pagelinks.h"

void runBacklinkQuery(QueryWindow &window)
{
    using linksearch::kPageSize;
    using linksearch::queryUrl;

    LinkLists &links = window.linkLists();
    links.List1.clear();
    links.List2.clear();
    links.List3.clear();
    const quint64 run = ++links.queriesStarted;
    const auto superseded = [&links, run] { return links.queriesStarted != run; };

    const QString countPage = getHTTPPage1(queryUrl(window.domainText(), 1)).text;
    if (superseded())
        return;
    const QString countText = cutCountText(countPage);
    window.setCountText(countText);
    const int pageCount = pagesToWalk(countText);

    // The first result page is fetched again: the count request only served to read the total.
    for (int index = 0; index <= pageCount; ++index) {
        // The domain box is read anew for every page.
        const QString page = getHTTPPage1(queryUrl(window.domainText(), kPageSize * index + 1)).text;
        if (superseded())
            return;
        appendPageLinks(page, links);
        window.refreshTable();
    }
}
