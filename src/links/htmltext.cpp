#include "htmltext.h"

#include <libxml/HTMLparser.h>

#include <QList>

namespace links {

namespace {

// Longer than any name HTML gives a character or any code point written in digits: a longer
// stretch between "&" and ";" is no reference.
constexpr qsizetype kLongestReference = 40;

bool isReferenceCharacter(QChar c)
{
    return c == u'#' || (c.unicode() < 0x80 && c.isLetterOrNumber());
}

// The reference that starts text, ";" included; empty when none does.
QStringView referenceAtStart(QStringView text)
{
    qsizetype end = 1;
    while (end < text.size() && end <= kLongestReference && isReferenceCharacter(text[end]))
        ++end;
    return end > 1 && end < text.size() && text[end] == u';' ? text.first(end + 1) : QStringView();
}

// What the parser reads between two line breaks it is given: one reference each.
struct Readings
{
    QList<QByteArray> texts{QByteArray()};

    static void characters(void *readings, const xmlChar *text, int length)
    {
        static_cast<Readings *>(readings)->texts.last().append(reinterpret_cast<const char *>(text), length);
    }
    static void startElement(void *readings, const xmlChar *name, const xmlChar **)
    {
        if (xmlStrEqual(name, BAD_CAST "br"))
            static_cast<Readings *>(readings)->texts.append(QByteArray());
    }
};

// What libxml2's HTML parser reads for each reference: its character, or the reference as written
// when it names none. They are parsed in one go, each followed by a line break to tell them apart,
// and nothing else is parsed, so no text around them (blanks, line breaks, a stray "<") is read as
// markup.
QStringList decoded(const QList<QStringView> &references)
{
    QByteArray markup = "<p>";
    for (QStringView reference : references)
        markup += reference.toUtf8() + "<br>";
    htmlSAXHandler handler{};
    handler.characters = handler.ignorableWhitespace = Readings::characters;
    handler.startElement = Readings::startElement;
    Readings readings;
    htmlParserCtxtPtr parser = htmlCreatePushParserCtxt(&handler, &readings, nullptr, 0, nullptr, XML_CHAR_ENCODING_UTF8);
    htmlCtxtUseOptions(parser, HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
    htmlParseChunk(parser, markup.constData(), int(markup.size()), 1);
    htmlFreeParserCtxt(parser);

    QStringList characters;
    for (qsizetype i = 0; i < references.size(); ++i) {
        // The parser drops a numeric reference to no character ("&#0;", "&#;") without a trace.
        const QByteArray text = readings.texts.value(i);
        characters << (text.isEmpty() ? references[i].toString() : QString::fromUtf8(text));
    }
    return characters;
}

} // namespace

QString decodeCharacterReferences(QStringView text)
{
    QList<QStringView> references;
    for (qsizetype at = text.indexOf(u'&'); at >= 0; at = text.indexOf(u'&', at + 1)) {
        if (const QStringView reference = referenceAtStart(text.sliced(at)); !reference.isEmpty()) {
            references << reference;
            at += reference.size() - 1;
        }
    }
    if (references.isEmpty())
        return text.toString();

    const QStringList characters = decoded(references);
    QString result;
    const QChar *from = text.data();
    for (qsizetype i = 0; i < references.size(); ++i) {
        result += QStringView(from, references[i].data());
        result += characters[i];
        from = references[i].data() + references[i].size();
    }
    return result += QStringView(from, text.data() + text.size());
}

QString withoutTags(QStringView text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (text[at] == u'<') {
            qsizetype end = at + 1;
            while (end < text.size() && text[end] != u'<' && text[end] != u'>')
                ++end;
            if (end < text.size() && text[end] == u'>') {
                at = end;
                continue;
            }
        }
        result += text[at];
    }
    return result;
}

} // namespace links
