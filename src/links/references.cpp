#include "references.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace links {

namespace {

struct NamedReference
{
    std::string_view name;
    std::string_view characters;
};

#include "namedreferences.inc"

static_assert(std::ranges::is_sorted(kNamedReferences, {}, &NamedReference::name));

constexpr char32_t kReplacement = 0xFFFD;

// What numbers 128 to 159 read as: browsers take them for Windows-1252, as pages that wrote
// them meant; the five it leaves unassigned stay as they are.
constexpr char32_t kWindows1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isAsciiAlphanumeric(char c)
{
    return isAsciiDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int hexValue(char c)
{
    if (isAsciiDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void appendUtf8(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

const NamedReference *namedReference(std::string_view name)
{
    const auto found = std::ranges::lower_bound(kNamedReferences, name, {}, &NamedReference::name);
    return found != std::end(kNamedReferences) && found->name == name ? found : nullptr;
}

// A reference read: how many bytes of the text it takes, "&" included, and what it reads as.
struct Reading
{
    std::size_t length = 0;
    std::string characters;
};

// The numeric reference at the start of text ("&#…"), ";" optional; none without a digit.
Reading numericReference(std::string_view text)
{
    const bool hex = text.size() > 2 && (text[2] == 'x' || text[2] == 'X');
    std::size_t end = hex ? 3 : 2;
    const int base = hex ? 16 : 10;
    std::uint32_t value = 0;
    bool tooLarge = false;
    for (; end < text.size(); ++end) {
        const int digit = hex ? hexValue(text[end]) : (isAsciiDigit(text[end]) ? text[end] - '0' : -1);
        if (digit < 0)
            break;
        value = value * base + std::uint32_t(digit);
        // Any number of leading zeros is allowed, so the value is capped rather than the digits.
        if (value > 0x10FFFF) {
            tooLarge = true;
            value = 0x110000;
        }
    }
    if (end == (hex ? 3u : 2u))
        return {};
    if (end < text.size() && text[end] == ';')
        ++end;

    char32_t c = value;
    if (tooLarge || value == 0 || (value >= 0xD800 && value <= 0xDFFF))
        c = kReplacement;
    else if (value >= 0x80 && value <= 0x9F)
        c = kWindows1252[value - 0x80];
    Reading reading{end, {}};
    appendUtf8(reading.characters, c);
    return reading;
}

// The named reference at the start of text ("&name…"): the longest name that matches.
Reading namedReferenceAt(std::string_view text, ReferencePlace place)
{
    std::size_t end = 1;
    while (end < text.size() && isAsciiAlphanumeric(text[end]))
        ++end;
    // Every name that ends in ";" is letters and digits up to it, so only the whole run can
    // match with its ";"; only legacy names, which have none, can match a shorter part.
    if (end < text.size() && text[end] == ';' && end <= kLongestReferenceName) {
        if (const NamedReference *reference = namedReference(text.substr(1, end)))
            return {end + 1, std::string(reference->characters)};
    }
    for (std::size_t length = std::min(end - 1, kLongestReferenceName); length > 0; --length) {
        const NamedReference *reference = namedReference(text.substr(1, length));
        if (reference == nullptr)
            continue;
        const char next = 1 + length < text.size() ? text[1 + length] : '\0';
        if (place == ReferencePlace::Attribute && (next == '=' || isAsciiAlphanumeric(next)))
            return {};
        return {1 + length, std::string(reference->characters)};
    }
    return {};
}

Reading referenceAt(std::string_view text, ReferencePlace place)
{
    if (text.size() > 1 && text[1] == '#')
        return numericReference(text);
    return namedReferenceAt(text, place);
}

} // namespace

std::string decodeCharacterReferences(std::string_view utf8, ReferencePlace place)
{
    std::string result;
    result.reserve(utf8.size());
    std::size_t from = 0;
    for (std::size_t at = utf8.find('&'); at != std::string_view::npos; at = utf8.find('&', at)) {
        const Reading reading = referenceAt(utf8.substr(at), place);
        if (reading.length == 0) {
            ++at;
            continue;
        }
        result.append(utf8, from, at - from);
        result += reading.characters;
        at += reading.length;
        from = at;
    }
    result.append(utf8, from);
    return result;
}

} // namespace links
