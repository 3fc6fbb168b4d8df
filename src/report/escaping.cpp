#include "escaping.h"

#include <QString>

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

std::string scriptSource(std::string_view source)
{
    // "</script" would end the element, and "<!--" followed later by "<script" would keep the
    // next "</script>" from ending it. In JavaScript either can stand only in a string, a template,
    // a regular expression or a comment, where \x3C is the same "<" (in a comment, it is nothing).
    const QLatin1String text(source.data(), qsizetype(source.size()));
    std::string out;
    out.reserve(source.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QLatin1String rest = text.sliced(i);
        if (rest.startsWith(QLatin1String("</script"), Qt::CaseInsensitive) || rest.startsWith(QLatin1String("<!--")))
            out += "\\x3C";
        else
            out += source[std::size_t(i)];
    }
    return out;
}

} // namespace report
