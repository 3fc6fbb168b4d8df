#pragma once

#include <string>
#include <vector>

namespace links {

// A link from a page to a page on another host.
struct Link
{
    std::string url;        // absolute http or https URL, normalised as urlrules.h says
    std::string host;       // the URL's host: lower case, IDNA names as punycode
    std::string anchorText; // as a reader sees it: references decoded, whitespace collapsed
    bool nofollow = false;  // the link's rel holds "nofollow"
};

// What one capture of a page says about it: its title and its links to other hosts, in the
// order they stand on the page. Links to the page's own host are a site's navigation, never a
// backlink, and are left out.
struct Page
{
    std::string url;   // normalised as urlrules.h says
    std::string host;
    std::string title; // references decoded, whitespace collapsed
    std::vector<Link> links;
};

} // namespace links
