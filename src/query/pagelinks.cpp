#include "pagelinks.h"

#include "linksearch.h"
#include "split.h"
#include "testregexp.h"

void appendPageLinks(const QString &page, LinkLists &links)
{
    using namespace linksearch;
    const QStringList lines = Split(TestRegExp(kAnchorPattern, page), u"\r\n");
    for (const QString &line : lines) {
        if (line.contains(kSnapshotWord))
            continue;
        const QString urls = TestRegExp(kUrlPattern, line);
        const QString title = TestRegExp(kTitlePattern, line).remove(QStringLiteral("</a>")).remove(u'>');
        links.List1.append(line);
        links.List3.append(urls);
        links.List2.append(title);
    }
}
