#include "hostkey.h"

namespace linkindex {

std::string hostKey(std::string_view host)
{
    std::string key(host.rbegin(), host.rend());
    key += '.';
    return key;
}

std::string hostFromKey(std::string_view key)
{
    key.remove_suffix(1);
    return {key.rbegin(), key.rend()};
}

std::pair<std::string, std::string> domainKeyRange(std::string_view domain)
{
    std::string first = hostKey(domain);
    std::string last = first;
    last.back() = '.' + 1;
    return {std::move(first), std::move(last)};
}

} // namespace linkindex
