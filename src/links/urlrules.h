#pragma once

#include "page.h"

#include <QUrl>

#include <optional>
#include <string>
#include <string_view>

namespace links {

// The one form the index keeps every URL in: absolute http or https, no fragment, the host in
// lower case and IDNA names as punycode, no default port (80 for http, 443 for https), "." and
// ".." segments resolved, an empty path as "/", and every byte that a URL must not carry
// literally percent-encoded, so the text is ASCII and fits an HTML attribute or a CSV cell as
// it is. Before parsing, url is cleaned as a browser cleans an href: C0 controls and spaces
// at either end dropped, tabs and line breaks removed, "\" read as "/" before the query, a "%"
// that starts no escape read as "%25". nullopt for anything else: a relative URL, another
// scheme, no host, a host that is not a valid name.
std::optional<std::string> normalizedUrl(std::string_view url);

// Turns the hrefs of one page into the links the index stores: normalised, only http and
// https, only to hosts other than the page's own.
class LinkResolver
{
public:
    // pageUrl as normalizedUrl gives it.
    explicit LinkResolver(std::string_view pageUrl);

    // The page's <base href>, itself resolved against the page URL; the base of every link
    // resolved after it. A base that is no http(s) URL leaves the page URL as the base.
    void setBase(std::string_view href);

    // The link an href makes, its anchor text whitespace-collapsed; nullopt when it leads to no
    // http(s) URL (mailto:, javascript:, an empty href…) or stays on the page's own host,
    // whatever the scheme, port or case it is written with.
    std::optional<Link> resolve(std::string_view href, std::string_view anchorText, Rel rel, LinkType type) const;

    // The page's host as links carry theirs.
    const std::string &pageHost() const { return m_pageHost; }

private:
    // Whether an absolute href spells the page's host just as the page URL does: most absolute
    // links of a site lead to itself, and need no URL built to tell.
    bool writesPageHost(std::string_view href) const;

    QUrl m_base;
    std::string m_pageHost;
    bool m_baseOnPageHost = true;
};

} // namespace links
