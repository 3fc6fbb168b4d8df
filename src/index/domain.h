#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace linkindex {

// The host a domain stands for as a user types it, in the form the index keeps hosts in (lower
// case, IDNA names as punycode); nothing when it names no host.
std::optional<std::string> domainHost(std::string_view typed);

} // namespace linkindex
