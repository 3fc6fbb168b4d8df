#include "text.h"

#include <algorithm>

namespace links {

namespace {

bool isContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

std::string_view trimmed(std::string_view text, bool (*drop)(char))
{
    while (!text.empty() && drop(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && drop(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view trimmedHtmlSpace(std::string_view text)
{
    return trimmed(text, isHtmlSpace);
}

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

void CollapsedText::append(std::string_view piece)
{
    for (std::size_t i = 0; i < piece.size() && !m_full;) {
        if (isHtmlSpace(piece[i])) {
            m_spacePending = !m_text.empty();
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < piece.size() && !isHtmlSpace(piece[end]))
            ++end;
        if (m_spacePending)
            m_text += ' ';
        m_spacePending = false;
        m_text.append(piece.substr(i, std::min(end - i, kMaxTextBytes + 1 - m_text.size())));
        i = end;
        if (m_text.size() > kMaxTextBytes) {
            std::size_t cut = kMaxTextBytes;
            while (cut > 0 && isContinuationByte(m_text[cut]))
                --cut;
            while (cut > 0 && m_text[cut - 1] == ' ')
                --cut;
            m_text.resize(cut);
            m_full = true;
        }
    }
}

void CollapsedText::clear()
{
    m_text.clear();
    m_spacePending = false;
    m_full = false;
}

std::string collapsedWhitespace(std::string_view text)
{
    CollapsedText collapsed;
    collapsed.append(text);
    return collapsed.text();
}

namespace {

// Calls take with each token of text, tokens being separated by HTML whitespace and by the
// characters of also.
template <typename Take>
void forEachToken(std::string_view text, std::string_view also, Take take)
{
    const auto separates = [also](char c) { return isHtmlSpace(c) || also.find(c) != std::string_view::npos; };
    for (std::size_t i = 0; i < text.size();) {
        while (i < text.size() && separates(text[i]))
            ++i;
        std::size_t end = i;
        while (end < text.size() && !separates(text[end]))
            ++end;
        if (end > i)
            take(text.substr(i, end - i));
        i = end;
    }
}

} // namespace

Rel relOf(std::string_view rel)
{
    Rel found;
    forEachToken(rel, {}, [&](std::string_view token) {
        found.nofollow |= equalsIgnoringAsciiCase(token, "nofollow");
        found.ugc |= equalsIgnoringAsciiCase(token, "ugc");
        found.sponsored |= equalsIgnoringAsciiCase(token, "sponsored");
    });
    return found;
}

bool robotsMetaSaysNoindex(std::string_view name, std::string_view content)
{
    if (!equalsIgnoringAsciiCase(trimmedHtmlSpace(name), "robots"))
        return false;
    bool noindex = false;
    forEachToken(content, ",", [&](std::string_view token) {
        noindex |= equalsIgnoringAsciiCase(token, "noindex") || equalsIgnoringAsciiCase(token, "none");
    });
    return noindex;
}

} // namespace links
