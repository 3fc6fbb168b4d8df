#include "split.h"

#include "platform/runtimeerror.h"

QStringList Split(const QString &text, QStringView separator)
{
    if (text.isEmpty())
        return {};
    return text.split(separator.toString(), Qt::KeepEmptyParts, Qt::CaseSensitive);
}

QString piece(const QString &text, QStringView separator, qsizetype index)
{
    if (text.isEmpty() || index < 0)
        throw RuntimeError::subscriptOutOfRange();
    qsizetype from = 0;
    for (qsizetype i = 0; i < index; ++i) {
        const qsizetype at = text.indexOf(separator, from);
        if (at < 0)
            throw RuntimeError::subscriptOutOfRange();
        from = at + separator.size();
    }
    const qsizetype end = text.indexOf(separator, from);
    return text.mid(from, end < 0 ? -1 : end - from);
}
