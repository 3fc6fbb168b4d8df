// An HTML page as an archive could hold it, through what the importer does with one: decoded by
// its own charset rules, then read for its title and links; the same bytes as the Location of a
// redirect too. Whatever the bytes, every link leads to an http(s) URL in normal form on another
// host, and all text is valid UTF-8.
#include "links/charset.h"
#include "links/htmlpage.h"
#include "links/urlrules.h"

#include <QUtf8StringView>

#include <cstdlib>
#include <string>

namespace {

constexpr char kPageUrl[] = "http://www.page.example/docs/intro.html";

void check(const links::Page &page)
{
    if (page.url != kPageUrl || page.host != "www.page.example" || !QUtf8StringView(page.title).isValidUtf8())
        std::abort();
    for (const links::Link &link : page.links) {
        const bool http = link.url.starts_with("http://") || link.url.starts_with("https://");
        for (char c : link.url) {
            if (c <= ' ' || c > '~' || c == '"' || c == '<' || c == '>')
                std::abort();
        }
        if (!http || link.host.empty() || link.host == page.host || links::normalizedUrl(link.url) != link.url
            || links::LinkResolver(link.url).pageHost() != link.host || !QUtf8StringView(link.anchorText).isValidUtf8())
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const std::string html = links::htmlToUtf8(bytes, "");
    if (!QUtf8StringView(html).isValidUtf8())
        std::abort();
    check(links::extractPage(html, kPageUrl));
    check(links::redirectPage(kPageUrl, bytes));
    return 0;
}
