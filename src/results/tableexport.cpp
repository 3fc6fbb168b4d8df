#include "tableexport.h"

#include "csvrecord.h"
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

QByteArray csvBytes(const ResultTable &table)
{
    QString text = kCsvByteOrderMark.toString() + csvRecord({QStringLiteral("序号"), QStringLiteral("网址"), QStringLiteral("页面名字")});
    for (int row = 0; row < table.rows(); ++row)
        text += csvRecord(shownRow(table, row));
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
