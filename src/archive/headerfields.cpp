#include "headerfields.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace archive {

namespace {

constexpr std::string_view kBlanks = " \t";

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
}

bool isFieldName(std::string_view name)
{
    return !name.empty() && std::none_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) <= ' ' || c == 0x7f;
    });
}

} // namespace

std::string_view trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) + 1 - first);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

std::optional<HeaderEnd> findHeaderEnd(std::string_view text, std::size_t from)
{
    for (std::size_t at = text.find('\n', from); at != std::string_view::npos; at = text.find('\n', at + 1)) {
        const std::string_view after = text.substr(at + 1);
        if (after.starts_with('\n'))
            return HeaderEnd{at + 1, at + 2};
        if (after.starts_with("\r\n"))
            return HeaderEnd{at + 1, at + 3};
    }
    return std::nullopt;
}

std::size_t HeaderFields::parse(std::span<char> text)
{
    m_fields.clear();
    std::size_t firstBad = std::string_view::npos;
    bool continues = false;    // a blank-led line now would continue the last field
    std::size_t valueStart = 0; // of the last field, just after its colon
    std::size_t lineEnd = 0;    // of the last field's last line, before its line break
    std::size_t at = 0;
    while (at < text.size()) {
        const auto *lineFeed = static_cast<const char *>(std::memchr(text.data() + at, '\n', text.size() - at));
        const std::size_t next = lineFeed ? std::size_t(lineFeed - text.data()) + 1 : text.size();
        std::size_t end = lineFeed ? next - 1 : next;
        if (end > at && text[end - 1] == '\r')
            --end;
        const std::string_view line(text.data() + at, end - at);
        const std::size_t colon = line.find(':');
        if (continues && (line.starts_with(' ') || line.starts_with('\t'))) {
            // The fold, the line break and the blanks after it, becomes spaces.
            const std::size_t blanks = std::min(line.find_first_not_of(kBlanks), line.size());
            std::fill(text.begin() + std::ptrdiff_t(lineEnd), text.begin() + std::ptrdiff_t(at + blanks), ' ');
            lineEnd = end;
            m_fields.back().value = trimmed(std::string_view(text.data() + valueStart, lineEnd - valueStart));
        } else if (colon != std::string_view::npos && isFieldName(line.substr(0, colon))) {
            m_fields.push_back({line.substr(0, colon), trimmed(line.substr(colon + 1))});
            valueStart = at + colon + 1;
            lineEnd = end;
            continues = true;
        } else {
            if (firstBad == std::string_view::npos)
                firstBad = at;
            continues = false;
        }
        at = next;
    }
    return firstBad;
}

std::optional<std::string_view> HeaderFields::get(std::string_view name) const
{
    const auto found = std::find_if(m_fields.begin(), m_fields.end(), [name](const Field &field) { return equalsIgnoringCase(field.name, name); });
    return found == m_fields.end() ? std::nullopt : std::optional(found->value);
}

} // namespace archive
