// A result page as the link-search service could send it, through everything the query does
// with a page: the count and its page plan, the anchor lines, their URLs and names as a reader
// sees them.
#include "net/pagefetcher.h"
#include "platform/runtimeerror.h"
#include "query/countplan.h"
#include "query/pagelinks.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString page = BytesToBstr(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), "UTF-8");
    try {
        const int pages = pagesToWalk(cutCountText(page));
        if (pages < 0 || pages > 18)
            std::abort();
    } catch (const RuntimeError &) {
    }
    LinkLists links;
    appendPageLinks(page, links);
    if (links.List1.size() != links.List2.size() || links.List1.size() != links.List3.size()
        || links.List1.contains(QString()))
        std::abort();
    return 0;
}
