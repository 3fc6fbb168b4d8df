#include "linknames.h"

#include <array>
#include <utility>

namespace links {

namespace {

constexpr std::array<std::pair<LinkType, std::string_view>, 3> kTypes{
    {{LinkType::Text, "text"}, {LinkType::Image, "image"}, {LinkType::Redirect, "redirect"}}};
constexpr std::array<std::pair<PageState, std::string_view>, 4> kStates{
    {{PageState::Ok, "ok"}, {PageState::Noindex, "noindex"}, {PageState::Gone, "gone"}, {PageState::Redirect, "redirect"}}};

template <typename Value, size_t N>
std::string_view nameOf(const std::array<std::pair<Value, std::string_view>, N> &names, Value value)
{
    for (const auto &[known, name] : names)
        if (known == value)
            return name;
    return {};
}

template <typename Value, size_t N>
std::optional<Value> named(const std::array<std::pair<Value, std::string_view>, N> &names, std::string_view name)
{
    for (const auto &[value, known] : names)
        if (known == name)
            return value;
    return std::nullopt;
}

} // namespace

std::string relText(const Rel &rel)
{
    std::string text;
    for (const auto &[holds, token] : {std::pair{rel.nofollow, "nofollow"}, {rel.ugc, "ugc"}, {rel.sponsored, "sponsored"}})
        if (holds)
            text += (text.empty() ? "" : " ") + std::string(token);
    return text;
}

std::string_view linkTypeName(LinkType type)
{
    return nameOf(kTypes, type);
}

std::optional<LinkType> linkTypeNamed(std::string_view name)
{
    return named(kTypes, name);
}

std::string_view pageStateName(PageState state)
{
    return nameOf(kStates, state);
}

std::optional<PageState> pageStateNamed(std::string_view name)
{
    return named(kStates, name);
}

} // namespace links
