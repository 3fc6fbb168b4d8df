#pragma once

#include <string>
#include <string_view>

namespace graph {

// Common Crawl's web graphs name a site by its host's labels in reverse order, with a leading
// "www." dropped: www.blog.example.com is "com.example.blog". The index keeps them that way, so
// that a domain and every host under it stand together in name order.
std::string reversedName(std::string_view host);
std::string siteName(std::string_view reversed);

// The name a host stands under in a graph: the host without a leading "www.".
std::string_view withoutWww(std::string_view host);

} // namespace graph
