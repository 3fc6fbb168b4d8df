#include "releasename.h"

#include <array>
#include <charconv>
#include <vector>

namespace graph {

namespace {

constexpr std::string_view kPrefix = "cc-main-";
constexpr std::array<std::string_view, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                      "jul", "aug", "sep", "oct", "nov", "dec"};

std::vector<std::string_view> parts(std::string_view name)
{
    std::vector<std::string_view> result;
    for (size_t at = 0; at <= name.size();) {
        const size_t dash = std::min(name.find('-', at), name.size());
        result.push_back(name.substr(at, dash - at));
        at = dash + 1;
    }
    return result;
}

int monthOf(std::string_view part)
{
    for (size_t i = 0; i < kMonths.size(); ++i)
        if (kMonths[i] == part)
            return int(i);
    return -1;
}

std::optional<int> numberOf(std::string_view part)
{
    int value = 0;
    const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
    if (part.empty() || error != std::errc() || end != part.data() + part.size())
        return std::nullopt;
    return value;
}

// Months since year 0 of the last crawl month, or -1 when name is not a release's name.
int lastMonth(std::string_view name)
{
    if (!name.starts_with(kPrefix))
        return -1;
    const std::vector<std::string_view> rest = parts(name.substr(kPrefix.size()));
    std::optional<int> year = numberOf(rest.front());
    if (!year || rest.front().size() != 4)
        return -1;
    size_t at = 1;
    if (at < rest.size() && numberOf(rest[at]) && rest[at].size() == 2)
        ++at; // the second year of "2024-25"; months that wrap say when it begins
    int previous = -1;
    int months = 0;
    for (; at < rest.size(); ++at, ++months) {
        const int month = monthOf(rest[at]);
        if (month < 0)
            return -1;
        if (month < previous)
            ++*year;
        previous = month;
    }
    return months == 0 ? -1 : *year * 12 + previous;
}

} // namespace

bool isReleaseName(std::string_view name)
{
    return lastMonth(name) >= 0;
}

std::pair<int, std::string> releaseOrder(std::string_view name)
{
    return {lastMonth(name), std::string(name)};
}

std::optional<std::string> releaseOfFile(std::string_view path)
{
    const std::string_view file = path.substr(path.find_last_of('/') + 1);
    for (std::string_view level : {"-domain-", "-host-"}) {
        const size_t at = file.find(level);
        if (at != std::string_view::npos && isReleaseName(file.substr(0, at)))
            return std::string(file.substr(0, at));
    }
    return std::nullopt;
}

} // namespace graph
