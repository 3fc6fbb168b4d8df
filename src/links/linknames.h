#pragma once

#include "page.h"

#include <optional>
#include <string>
#include <string_view>

namespace links {

// The words link lists and listings write a link's rel set and type, and a capture's state, in.

// The tokens among "nofollow ugc sponsored" the set holds, in that order, space-separated.
std::string relText(const Rel &rel);

// "text", "image", "redirect".
std::string_view linkTypeName(LinkType type);
std::optional<LinkType> linkTypeNamed(std::string_view name);

// "ok", "noindex", "gone", "redirect".
std::string_view pageStateName(PageState state);
std::optional<PageState> pageStateNamed(std::string_view name);

} // namespace links
