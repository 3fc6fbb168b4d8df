#include "charset.h"

#include "encodinglabels.h"
#include "saxparse.h"
#include "text.h"

#include <QStringDecoder>

#include <simdjson.h>

#include <cstring>

namespace links {

namespace {

// How far a browser looks for a <meta> that names the encoding.
constexpr std::size_t kMetaScanBytes = 1024;

// The charset a Content-Type value or a <meta content> names, as browsers find it in the
// latter: "charset", optional whitespace, "=", optional whitespace, then a quoted value or one
// that ends at whitespace or ";". Empty when there is none.
std::string_view charsetParameter(std::string_view value)
{
    for (std::size_t at = 0; at + 7 <= value.size(); ++at) {
        if (!equalsIgnoringAsciiCase(value.substr(at, 7), "charset"))
            continue;
        std::size_t i = at + 7;
        while (i < value.size() && isHtmlSpace(value[i]))
            ++i;
        if (i == value.size() || value[i] != '=')
            continue;
        ++i;
        while (i < value.size() && isHtmlSpace(value[i]))
            ++i;
        if (i < value.size() && (value[i] == '"' || value[i] == '\'')) {
            const std::size_t close = value.find(value[i], i + 1);
            return close == std::string_view::npos ? std::string_view() : value.substr(i + 1, close - i - 1);
        }
        std::size_t end = i;
        while (end < value.size() && !isHtmlSpace(value[end]) && value[end] != ';')
            ++end;
        return value.substr(i, end - i);
    }
    return {};
}

// The first <meta> that names an encoding a converter exists for.
struct MetaScan
{
    const char *converter = nullptr;
};

void metaStarted(void *context, const xmlChar *name, const xmlChar **attributes)
{
    MetaScan &scan = receiverOf<MetaScan>(context);
    if (attributes == nullptr || std::strcmp(reinterpret_cast<const char *>(name), "meta") != 0)
        return;
    std::string_view charset;
    std::string_view content;
    bool hasCharset = false;
    bool contentTypePragma = false;
    for (; attributes[0] != nullptr; attributes += 2) {
        const std::string_view attribute = reinterpret_cast<const char *>(attributes[0]);
        const std::string_view value = attributes[1] != nullptr ? reinterpret_cast<const char *>(attributes[1]) : "";
        if (attribute == "charset") {
            charset = value;
            hasCharset = true;
        } else if (attribute == "http-equiv") {
            contentTypePragma = equalsIgnoringAsciiCase(trimmedHtmlSpace(value), "content-type");
        } else if (attribute == "content") {
            content = value;
        }
    }
    const char *converter = converterForLabel(hasCharset ? charset : contentTypePragma ? charsetParameter(content) : "");
    // A page that could be read this far as ASCII is not UTF-16, whatever it says.
    if (converter == kUtf16LE || converter == kUtf16BE)
        converter = kUtf8;
    scan.converter = converter;
    if (converter != nullptr)
        xmlStopParser(static_cast<htmlParserCtxtPtr>(context));
}

const char *metaConverter(std::string_view head)
{
    htmlSAXHandler handler{};
    handler.startElement = metaStarted;
    MetaScan scan;
    parseHtml(head, handler, &scan);
    return scan.converter;
}

bool isValidUtf8(std::string_view bytes)
{
    return simdjson::validate_utf8(bytes.data(), bytes.size());
}

std::string decoded(std::string_view bytes, const char *converter)
{
    if (converter == kUtf8 && isValidUtf8(bytes))
        return std::string(bytes);
    if (converter == kReplacement)
        return bytes.empty() ? std::string() : std::string("\xEF\xBF\xBD");
    QStringDecoder decoder(converter);
    QString text = decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (converter != kUtf16LE && converter != kUtf16BE) {
        // A character that the body breaks off waits in the decoder for bytes that never come; a
        // line feed ends it as a replacement character, and goes again.
        text += decoder.decode(QByteArrayView("\n", 1));
        text.chop(1);
    }
    return text.toStdString();
}

// The mark and the encoding it announces.
struct ByteOrderMark
{
    std::string_view bytes;
    const char *converter;
};
constexpr ByteOrderMark kByteOrderMarks[] = {
    {"\xEF\xBB\xBF", kUtf8},
    {"\xFF\xFE", kUtf16LE},
    {"\xFE\xFF", kUtf16BE},
};

} // namespace

std::string htmlToUtf8(std::string_view body, std::string_view contentType)
{
    for (const ByteOrderMark &mark : kByteOrderMarks) {
        if (body.starts_with(mark.bytes))
            return decoded(body.substr(mark.bytes.size()), mark.converter);
    }
    if (const char *converter = converterForLabel(charsetParameter(contentType)))
        return decoded(body, converter);
    if (const char *converter = metaConverter(body.substr(0, kMetaScanBytes)))
        return decoded(body, converter);
    if (isValidUtf8(body))
        return std::string(body);
    return decoded(body, kWindows1252);
}

bool looksLikeHtml(std::string_view body)
{
    static constexpr std::string_view kPatterns[] = {
        "<!DOCTYPE HTML", "<HTML", "<HEAD", "<SCRIPT", "<IFRAME", "<H1", "<DIV", "<FONT", "<TABLE",
        "<A", "<STYLE", "<TITLE", "<B", "<BODY", "<BR", "<P", "<!--",
    };
    std::size_t start = 0;
    while (start < body.size() && isHtmlSpace(body[start]))
        ++start;
    const std::string_view rest = body.substr(start);
    for (std::string_view pattern : kPatterns) {
        if (rest.size() > pattern.size() && equalsIgnoringAsciiCase(rest.substr(0, pattern.size()), pattern)
            && (rest[pattern.size()] == ' ' || rest[pattern.size()] == '>'))
            return true;
    }
    return false;
}

bool isHtmlContentType(std::string_view contentType)
{
    const std::string_view essence = trimmedHtmlSpace(contentType.substr(0, contentType.find(';')));
    return equalsIgnoringAsciiCase(essence, "text/html") || equalsIgnoringAsciiCase(essence, "application/xhtml+xml");
}

} // namespace links
