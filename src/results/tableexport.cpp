#include "tableexport.h"

#include "resulttable.h"

#include <QSaveFile>

namespace {

QStringList shownRow(const ResultTable &table, int row)
{
    QStringList cells;
    for (int column = 0; column < table.model()->columnCount(); ++column)
        cells << table.shownText(row, column);
    return cells;
}

QString csvField(QString text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\r') && !text.contains(u'\n'))
        return text;
    return u'"' + text.replace(u'"', QStringLiteral("\"\"")) + u'"';
}

// UTF-8 with a byte-order mark, which spreadsheet programs need to read Chinese names right, and
// CRLF line ends, as RFC 4180 writes them.
QByteArray csvBytes(const ResultTable &table)
{
    QString text = QStringLiteral("\uFEFF序号,网址,页面名字\r\n");
    for (int row = 0; row < table.rows(); ++row) {
        QStringList fields = shownRow(table, row);
        for (QString &field : fields)
            field = csvField(field);
        text += fields.join(u',') + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

} // namespace

QString copiedRow(const ResultTable &table, int row)
{
    return shownRow(table, row).join(u'\t') + u'\n';
}

QString saveCsvFile(const ResultTable &table, const QString &path)
{
    QSaveFile file(path);
    const QByteArray bytes = csvBytes(table);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return {};
}
