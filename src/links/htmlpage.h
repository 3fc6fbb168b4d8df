#pragma once

#include "page.h"

#include <string_view>

namespace links {

// The title and the links to other hosts of one HTML page, as a reader of it sees them.
// pageUrl is the URL it was captured at; a URL that normalizedUrl refuses gives a page without
// a URL or links. Links are <a href> and <area href> (whose anchor text is its alt), resolved
// against the page's first <base href>, wherever on the page it stands; an <a> with no text of
// its own but an image is an Image link, the alt of its first image its anchor text. The title
// is the first <title>. A <meta name="robots"> saying noindex or none, anywhere on the page,
// makes it a Noindex page; its links are read all the same. Malformed and hostile HTML ends in
// time and memory linear in its size.
Page extractPage(std::string_view utf8Html, std::string_view pageUrl);

// The anchor text a redirect's one link is kept with.
inline constexpr std::string_view kRedirectAnchor = "(redirect)";

// A 301, 302, 303, 307 or 308 response to pageUrl: a page with no title and one link, to
// location resolved against pageUrl, with kRedirectAnchor as its anchor text; none when it leads
// to no http(s) URL or stays on the page's host.
Page redirectPage(std::string_view pageUrl, std::string_view location);

// A 404 or 410 response to pageUrl: a Gone page, with no title and no links; without a URL when
// pageUrl is no http(s) URL.
Page gonePage(std::string_view pageUrl);

} // namespace links
