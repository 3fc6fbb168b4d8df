#pragma once

#include <string>
#include <string_view>

namespace links {

// Where a stretch of markup stands: a legacy reference without ";" reads differently in an
// attribute's value, so that URLs such as "?a=1&copy=2" keep their parameters.
enum class ReferencePlace { Text, Attribute };

// utf8 with every character reference read as a browser reads it: every name HTML gives a
// character, the legacy names without ";" where HTML takes them, the longest name that matches
// ("&notit;" is "¬it;" in text), numbers in decimal or hexadecimal with HTML's replacements
// (U+FFFD for 0, surrogates and beyond U+10FFFF; Windows-1252's characters for 128 to 159).
// Every other "&" stays as written.
std::string decodeCharacterReferences(std::string_view utf8, ReferencePlace place);

} // namespace links
