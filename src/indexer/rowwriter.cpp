#include "rowwriter.h"

#include "graph/graphlines.h"
#include "results/csvrecord.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace indexer {

namespace {

void write(const std::string &text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
}

std::string plain(const Cell &cell)
{
    struct Text
    {
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(const std::string &text) const { return text; }
        std::string operator()(int64_t number) const { return std::to_string(number); }
        std::string operator()(double value) const { return graph::formatValue(value); }
        std::string operator()(bool yes) const { return yes ? "1" : "0"; }
    };
    return std::visit(Text{}, cell);
}

QJsonValue json(const Cell &cell)
{
    struct Json
    {
        QJsonValue operator()(std::monostate) const { return QJsonValue(); }
        QJsonValue operator()(const std::string &text) const { return QString::fromStdString(text); }
        QJsonValue operator()(int64_t number) const { return qint64(number); }
        QJsonValue operator()(double value) const { return value == value ? QJsonValue(value) : QJsonValue(); }
        QJsonValue operator()(bool yes) const { return yes; }
    };
    return std::visit(Json{}, cell);
}

QStringList csvFields(const std::vector<std::string> &texts)
{
    QStringList fields;
    for (const std::string &text : texts)
        fields += QString::fromStdString(text);
    return fields;
}

} // namespace

RowWriter::RowWriter(std::string format, std::vector<std::string> columns)
    : m_format(std::move(format)), m_columns(std::move(columns))
{
    if (m_format == "tsv") {
        std::vector<Cell> header(m_columns.begin(), m_columns.end());
        row(header);
        m_rows = 0;
    } else if (m_format == "csv") {
        write((kCsvByteOrderMark.toString() + csvRecord(csvFields(m_columns))).toStdString());
    } else {
        write("[");
    }
}

void RowWriter::row(const std::vector<Cell> &cells)
{
    if (m_format == "json") {
        QJsonObject object;
        for (size_t i = 0; i < cells.size(); ++i)
            object.insert(QString::fromStdString(m_columns[i]), json(cells[i]));
        write(m_rows++ ? ",\n" : "\n");
        write(QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString());
        return;
    }
    std::vector<std::string> texts;
    for (const Cell &cell : cells)
        texts.push_back(plain(cell));
    ++m_rows;
    if (m_format == "csv") {
        write(csvRecord(csvFields(texts)).toStdString());
        return;
    }
    std::string line;
    for (size_t i = 0; i < texts.size(); ++i) {
        for (char c : texts[i])
            line += c == '\t' || c == '\n' || c == '\r' ? ' ' : c;
        line += i + 1 < texts.size() ? '\t' : '\n';
    }
    write(line);
}

bool RowWriter::end()
{
    if (m_format == "json")
        write(m_rows ? "\n]\n" : "]\n");
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return true;
    std::perror("linkvane-index: cannot write the output");
    return false;
}

} // namespace indexer
