#pragma once

#include <string>
#include <string_view>
#include <utility>

namespace linkindex {

// How the index keys a host: its characters reversed, then a dot, so that "www.example.com"
// becomes "moc.elpmaxe.www." and every host under a domain shares the domain's key as a prefix.
std::string hostKey(std::string_view host);
std::string hostFromKey(std::string_view key);

// The keys of a domain and of every host under it: those from first (inclusive) to last
// (exclusive).
std::pair<std::string, std::string> domainKeyRange(std::string_view domain);

} // namespace linkindex
