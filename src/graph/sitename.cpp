#include "sitename.h"

namespace graph {

namespace {

void reverseLabels(std::string_view name, std::string &reversed)
{
    reversed.clear();
    size_t end = name.size();
    while (true) {
        const size_t dot = end == 0 ? std::string_view::npos : name.rfind('.', end - 1);
        const size_t start = dot == std::string_view::npos ? 0 : dot + 1;
        reversed.append(name.substr(start, end - start));
        if (dot == std::string_view::npos)
            return;
        reversed.push_back('.');
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
    reverseLabels(withoutWww(host), reversed);
    return reversed;
}

std::string siteName(std::string_view reversed)
{
    std::string name;
    reverseLabels(reversed, name);
    return name;
}

void siteName(std::string_view reversed, std::string &name)
{
    reverseLabels(reversed, name);
}

} // namespace graph
