#include "htmltext.h"

namespace links {

QString decodeCharacterReferences(QStringView text, ReferencePlace place)
{
    if (!text.contains(u'&'))
        return text.toString();
    return QString::fromStdString(decodeCharacterReferences(text.toUtf8().toStdString(), place));
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
