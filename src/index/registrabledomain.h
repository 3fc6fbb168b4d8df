#pragma once

#include <string>
#include <string_view>

namespace linkindex {

// The registrable domain of a host as the index keeps hosts (lower case, punycode), by the
// public suffix list built into libpsl, private suffixes included: blog.example.co.uk is
// example.co.uk, and two blogs on one blogging host are two domains. A host that has none (an IP
// address, a public suffix itself, a single label) stands for itself.
std::string registrableDomain(std::string_view host);

} // namespace linkindex
