#include "escaping.h"

#include <QString>

#include <cctype>

namespace report {

std::string htmlEscaped(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size())).toHtmlEscaped().toStdString();
}

std::string scriptJson(const QJsonDocument &json)
{
    // These characters can stand in JSON only inside strings, where a \u escape means the same.
    // U+2028 and U+2029 end a line in JavaScript before ES2019.
    const QByteArray compact = json.toJson(QJsonDocument::Compact);
    std::string out;
    out.reserve(std::size_t(compact.size()));
    for (qsizetype i = 0; i < compact.size(); ++i) {
        const char c = compact[i];
        if (c == '<')
            out += "\\u003c";
        else if (c == '>')
            out += "\\u003e";
        else if (c == '&')
            out += "\\u0026";
        else if (c == '\xE2' && i + 2 < compact.size() && compact[i + 1] == '\x80' && (compact[i + 2] == '\xA8' || compact[i + 2] == '\xA9')) {
            out += compact[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

static bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    return true;
}

std::string scriptSource(std::string_view source)
{
    // "</script" would end the element, and "<!--" followed later by "<script" would keep the
    // next "</script>" from ending it. In JavaScript either can stand only in a string, a template,
    // a regular expression or a comment, where \x3C is the same "<" (in a comment, it is nothing).
    std::string out;
    out.reserve(source.size());
    for (std::size_t i = 0; i < source.size(); ++i) {
        const std::string_view rest = source.substr(i);
        if (rest[0] == '<' && (startsWithNoCase(rest, "</script") || rest.starts_with("<!--")))
            out += "\\x3C";
        else
            out += rest[0];
    }
    return out;
}

} // namespace report
