#include "split.h"

#include "platform/runtimeerror.h"

QStringList Split(const QString &text, QStringView separator)
{
    if (text.isEmpty())
        return {};
    return text.split(separator.toString(), Qt::KeepEmptyParts, Qt::CaseSensitive);
}

QString piece(const QStringList &pieces, qsizetype index)
{
    if (index < 0 || index >= pieces.size())
        throw RuntimeError::subscriptOutOfRange();
    return pieces.at(index);
}
