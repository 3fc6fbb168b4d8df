#include "rowwriter.h"

#include "archive/warcdate.h"
#include "graph/graphlines.h"
#include "results/csvrecord.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <charconv>
#include <cstdio>

namespace indexer {

namespace {

void write(std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stdout);
}

// Appends a cell as TSV and CSV write it.
void appendPlain(std::string &out, const Cell &cell)
{
    struct Text
    {
        std::string &out;
        void operator()(std::monostate) const { }
        void operator()(const std::string &text) const { out += text; }
        void operator()(int64_t number) const
        {
            char text[24];
            out.append(text, std::to_chars(text, text + sizeof text, number).ptr);
        }
        void operator()(double value) const { graph::appendValue(out, value); }
        void operator()(bool yes) const { out += yes ? '1' : '0'; }
    };
    std::visit(Text{out}, cell);
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

} // namespace

Cell dateCell(std::optional<int64_t> microseconds)
{
    return microseconds ? Cell(archive::formatWarcDate(*microseconds)) : Cell();
}

RowWriter::RowWriter(std::string format, std::vector<std::string> columns)
    : m_format(std::move(format)), m_columns(std::move(columns))
{
    if (m_format == "tsv") {
        std::vector<Cell> header(m_columns.begin(), m_columns.end());
        row(header);
        m_rows = 0;
    } else if (m_format == "csv") {
        QStringList names;
        for (const std::string &column : m_columns)
            names += QString::fromStdString(column);
        write((kCsvByteOrderMark.toString() + csvRecord(names)).toStdString());
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
    if (m_format == "csv") {
        QStringList fields;
        std::string text;
        for (const Cell &cell : cells) {
            text.clear();
            appendPlain(text, cell);
            fields += QString::fromStdString(text);
        }
        write(csvRecord(fields).toStdString());
        ++m_rows;
        return;
    }
    // TSV is written for millions of rows: into one buffer, tabs and line breaks in text made blanks.
    for (size_t i = 0; i < cells.size(); ++i) {
        const size_t start = m_buffer.size();
        appendPlain(m_buffer, cells[i]);
        for (size_t at = start; at < m_buffer.size(); ++at)
            if (m_buffer[at] == '\t' || m_buffer[at] == '\n' || m_buffer[at] == '\r')
                m_buffer[at] = ' ';
        m_buffer += i + 1 < cells.size() ? '\t' : '\n';
    }
    ++m_rows;
    if (m_buffer.size() >= (1 << 16)) {
        write(m_buffer);
        m_buffer.clear();
    }
}

void RowWriter::tsvRows(std::string_view rows)
{
    write(m_buffer);
    m_buffer.clear();
    write(rows);
}

bool RowWriter::end()
{
    write(m_buffer);
    m_buffer.clear();
    if (m_format == "json")
        write(m_rows ? "\n]\n" : "]\n");
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return true;
    std::perror("linkvane-index: cannot write the output");
    return false;
}

} // namespace indexer
