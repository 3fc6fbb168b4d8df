#pragma once

#include <string>
#include <string_view>

namespace linkindex {

// A link's URL as the index stores it. Nearly every URL starts with its scheme and the host the
// link's row names already, so that start is left out and a mark says which scheme it was:
// about a fifth of the index's bytes. Any other URL is kept whole. host is the URL's host, as
// the link holds it.
std::string storedLinkUrl(std::string_view url, std::string_view host);
std::string linkUrlFromStored(std::string_view stored, std::string_view host);

} // namespace linkindex
