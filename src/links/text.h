#pragma once

#include "page.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace links {

// Titles and anchor texts longer than this are cut (on a character boundary): no reader sees
// more, and a hostile page must not turn one unclosed <a> into megabytes of anchor text.
inline constexpr std::size_t kMaxTextBytes = 2048;

// Text as a reader sees it, built from pieces as a parser hands them over: every run of HTML
// whitespace reads as one space, none at either end, at most kMaxTextBytes long.
class CollapsedText
{
public:
    void append(std::string_view piece);
    void clear();
    const std::string &text() const { return m_text; }

private:
    std::string m_text;
    bool m_spacePending = false;
    bool m_full = false;
};

// text as a reader sees it (CollapsedText of one piece).
std::string collapsedWhitespace(std::string_view text);

// HTML's ASCII whitespace: a form feed separates words too, a no-break space does not.
inline bool isHtmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}


// text without the characters that drop says go at either end.
std::string_view trimmed(std::string_view text, bool (*drop)(char));
std::string_view trimmedHtmlSpace(std::string_view text);
char asciiLower(char c);
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

// The tokens a rel attribute's value holds, in any case.
Rel relOf(std::string_view rel);

// Whether a <meta> of that name and content asks search engines not to index its page: name is
// "robots" and content holds "noindex" or "none" ("none" is noindex and nofollow together),
// tokens separated by commas or whitespace, in any case.
bool robotsMetaSaysNoindex(std::string_view name, std::string_view content);

} // namespace links
