#include "sitename.h"

namespace graph {

namespace {

// Appends the labels of name to out in reverse order.
void appendReversed(std::string &out, std::string_view name)
{
    size_t end = name.size();
    while (true) {
        const size_t dot = end == 0 ? std::string_view::npos : name.rfind('.', end - 1);
        const size_t start = dot == std::string_view::npos ? 0 : dot + 1;
        out.append(name.substr(start, end - start));
        if (dot == std::string_view::npos)
            return;
        out.push_back('.');
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
