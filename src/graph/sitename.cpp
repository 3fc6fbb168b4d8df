#include "sitename.h"

#include <algorithm>

namespace graph {

namespace {

// Appends the labels of name to out in reverse order: as many bytes as name, put in place.
void appendReversed(std::string &out, std::string_view name)
{
    out.resize(out.size() + name.size());
    char *to = out.data() + out.size() - name.size();
    size_t end = name.size();
    while (true) {
        const size_t dot = end == 0 ? std::string_view::npos : name.rfind('.', end - 1);
        const size_t start = dot == std::string_view::npos ? 0 : dot + 1;
        to = std::copy(name.data() + start, name.data() + end, to);
        if (dot == std::string_view::npos)
            return;
        *to++ = '.';
        end = dot;
    }
}

} // namespace

bool isUnder(std::string_view reversed, std::string_view domain)
{
    return reversed.starts_with(domain) && (reversed.size() == domain.size() || reversed[domain.size()] == '.');
}

std::string_view withoutWww(std::string_view host)
{
    return host.starts_with("www.") && host.size() > 4 ? host.substr(4) : host;
}

std::string reversedName(std::string_view host)
{
    std::string reversed;
    appendReversed(reversed, withoutWww(host));
    return reversed;
}

std::string siteName(std::string_view reversed)
{
    std::string name;
    appendReversed(name, reversed);
    return name;
}

void appendSiteName(std::string &out, std::string_view reversed)
{
    appendReversed(out, reversed);
}

} // namespace graph
