#pragma once

#include <string>
#include <vector>

namespace links {

// The rel tokens search engines read as a word on how far a link vouches for its target.
struct Rel
{
    bool nofollow = false;
    bool ugc = false;       // user-generated content: comments, forum posts
    bool sponsored = false; // paid for

    bool operator==(const Rel &) const = default;
};

enum class LinkType {
    Text,     // an <a> or <area> with text of its own (or none at all)
    Image,    // an <a> holding an image and no text: its anchor text is the image's alt
    Redirect, // where a 3xx response sends its page
};

// A link from a page to a page on another host.
struct Link
{
    std::string url;        // absolute http or https URL, normalised as urlrules.h says
    std::string host;       // the URL's host: lower case, IDNA names as punycode
    std::string anchorText; // as a reader sees it: references decoded, whitespace collapsed
    Rel rel;
    LinkType type = LinkType::Text;
};

// What a capture of a URL says about its links.
enum class PageState {
    Ok,       // a page (200): its links stand
    Noindex,  // a page whose <meta name="robots"> says noindex: its links count for nothing
    Gone,     // a 404 or 410: the page and its links are gone
    Redirect, // a 3xx: its one link is where it sends readers
};

// What one capture of a page says about it: its title and its links to other hosts, in the
// order they stand on the page. Links to the page's own host are a site's navigation, never a
// backlink, and are left out. Only the links of an Ok page and the one of a Redirect are
// backlinks; a Noindex page's links count for nothing while it says so.
struct Page
{
    std::string url;   // normalised as urlrules.h says
    std::string host;
    std::string title; // references decoded, whitespace collapsed
    std::vector<Link> links;
    PageState state = PageState::Ok;
};

} // namespace links
