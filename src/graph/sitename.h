#pragma once

#include <string>
#include <string_view>

namespace graph {

// Common Crawl's web graphs name a site by its host's labels in reverse order, with a leading
// "www." dropped: www.blog.example.com is "com.example.blog". The index keeps them that way, so
// that a domain and every host under it stand together in name order.
std::string reversedName(std::string_view host);
std::string siteName(std::string_view reversed);
// The same at the end of out.
void appendSiteName(std::string &out, std::string_view reversed);

// Whether a reversed name is domain's, or a host's under it ("com.example" and
// "com.example.blog" are under "com.example", "com.example-shop" is not).
bool isUnder(std::string_view reversed, std::string_view domain);

// The name a host stands under in a graph: the host without a leading "www.".
std::string_view withoutWww(std::string_view host);

} // namespace graph
