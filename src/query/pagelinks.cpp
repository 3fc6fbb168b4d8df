#include "pagelinks.h"

#include "links/htmltext.h"
#include "linksearch.h"
#include "split.h"
#include "testregexp.h"

using links::decodeCharacterReferences;
using links::ReferencePlace;
using links::withoutTags;

void appendPageLinks(const QString &page, LinkLists &links)
{
    using namespace linksearch;
    const QStringList lines = Split(TestRegExp(kAnchorPattern, page), u"\r\n");
    for (const QString &line : lines) {
        // The piece after the last CR LF of the matches is empty: no anchor, so no link.
        if (line.isEmpty() || line.contains(kSnapshotWord))
            continue;
        // What the URL and the name say in markup is what the page means: "&amp;" in an href is
        // "&". URLs stand in an href, where "&lt=3" is a parameter, not a "<".
        const QString urls = decodeCharacterReferences(TestRegExp(kUrlPattern, line), ReferencePlace::Attribute);
        const QString name =
            decodeCharacterReferences(withoutTags(TestRegExp(kTitlePattern, line)).remove(u'>'), ReferencePlace::Text);
        links.List1.append(line);
        links.List3.append(urls);
        links.List2.append(name);
    }
}
