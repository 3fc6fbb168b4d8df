#pragma once

#include <QString>
#include <QStringList>

// CSV as spreadsheet programs read it: UTF-8 starting with a byte-order mark (without it they
// take Chinese text for the local code page), CRLF line ends, and fields quoted as RFC 4180 says
// when they hold a comma, a quote or a line break.

inline constexpr QStringView kCsvByteOrderMark = u"\uFEFF";

// One line of fields, CRLF included.
inline QString csvRecord(const QStringList &fields)
{
    QString line;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        QString field = fields[i];
        if (i > 0)
            line += u',';
        if (field.contains(u',') || field.contains(u'"') || field.contains(u'\r') || field.contains(u'\n'))
            field = u'"' + field.replace(u'"', QStringLiteral("\"\"")) + u'"';
        line += field;
    }
    return line + QStringLiteral("\r\n");
}
