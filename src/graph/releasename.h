#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace graph {

// Common Crawl names a graph release for the crawls it comes from, "cc-main-2025-mar-apr-may"
// (a release over a new year: "cc-main-2024-25-nov-dec-jan"), and its files after the release.

// The release a file belongs to, from its name (a path or URL): nothing when it names none.
std::optional<std::string> releaseOfFile(std::string_view path);

// Whether name is of that form, so that releases can be put in time order.
bool isReleaseName(std::string_view name);

// A key that orders releases by the last month of their crawls, then by name.
std::pair<int, std::string> releaseOrder(std::string_view name);

} // namespace graph
