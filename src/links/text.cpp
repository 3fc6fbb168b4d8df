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

Rel relOf(std::string_view rel)
{
    Rel found;
    for (std::size_t i = 0; i < rel.size();) {
        while (i < rel.size() && isHtmlSpace(rel[i]))
            ++i;
        std::size_t end = i;
        while (end < rel.size() && !isHtmlSpace(rel[end]))
            ++end;
        const std::string_view token = rel.substr(i, end - i);
        found.nofollow |= equalsIgnoringAsciiCase(token, "nofollow");
        found.ugc |= equalsIgnoringAsciiCase(token, "ugc");
        found.sponsored |= equalsIgnoringAsciiCase(token, "sponsored");
        i = end;
    }
    return found;
}

} // namespace links
