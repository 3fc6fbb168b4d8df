#include "errors.h"

#include <cstdio>

namespace archive {

std::string excerpt(std::string_view bytes)
{
    std::string text = "\"";
    for (const char c : bytes.substr(0, kExcerptSize)) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f && c != '"' && c != '\\') {
            text += c;
        } else {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02x", byte);
            text += escape;
        }
    }
    text += bytes.size() > kExcerptSize ? "\"…" : "\"";
    return text;
}

} // namespace archive
