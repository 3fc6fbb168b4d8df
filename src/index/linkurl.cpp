#include "linkurl.h"

#include <array>

namespace linkindex {

namespace {

struct Mark
{
    char mark;
    std::string_view scheme;
};
constexpr std::array kMarks{Mark{'+', "https://"}, Mark{'-', "http://"}};
// Starts a URL kept whole that would otherwise read as marked.
constexpr char kWhole = '=';
constexpr std::string_view kMarkChars = "+-=";

} // namespace

std::string storedLinkUrl(std::string_view url, std::string_view host)
{
    for (const Mark &mark : kMarks) {
        if (url.starts_with(mark.scheme) && url.substr(mark.scheme.size()).starts_with(host))
            return mark.mark + std::string(url.substr(mark.scheme.size() + host.size()));
    }
    const bool looksMarked = !url.empty() && kMarkChars.find(url.front()) != std::string_view::npos;
    return looksMarked ? kWhole + std::string(url) : std::string(url);
}

std::string linkUrlFromStored(std::string_view stored, std::string_view host)
{
    if (stored.empty())
        return {};
    for (const Mark &mark : kMarks) {
        if (stored.front() == mark.mark)
            return std::string(mark.scheme) + std::string(host) + std::string(stored.substr(1));
    }
    if (stored.front() == kWhole)
        stored.remove_prefix(1);
    return std::string(stored);
}

} // namespace linkindex
