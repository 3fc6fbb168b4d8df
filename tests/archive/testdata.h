#pragma once

#include "archive/memorysource.h"

#include <QByteArray>
#include <QList>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Inputs for the archive tests, made in memory with the libraries real writers use.

// One gzip member; with extra, its header also carries FEXTRA (extra as the field's data), FNAME
// and FCOMMENT, as some WARC writers add.
std::string gzipped(std::string_view bytes, std::string_view extra = {});
std::string zlibWrapped(std::string_view bytes);
std::string rawDeflated(std::string_view bytes);
std::string zstdFramed(std::string_view bytes);
std::string brotlied(std::string_view bytes);
// A gzip member of that many zero bytes, about a thousandth of their size, made without ever
// holding them: the same flushed deflate piece of one MiB of zeros, repeated.
std::string gzipOfZeros(std::uint64_t mebibytes);

// A WARC record: version line, the fields as given (Content-Length added unless the fields hold
// one), block, and the two line breaks that end it.
std::string warcRecord(std::string_view fields, std::string_view block, std::string_view version = "1.0");

// Bytes in memory handed out at most piece bytes a read, so that every boundary a reader keeps
// across reads is crossed.
class PieceSource : public archive::Source
{
public:
    explicit PieceSource(std::string bytes, std::size_t piece = std::string::npos)
        : m_bytes(std::move(bytes)), m_source(m_bytes), m_piece(piece)
    {
    }
    PieceSource(const PieceSource &) = delete;
    PieceSource &operator=(const PieceSource &) = delete;

    std::size_t read(char *into, std::size_t size) override { return m_source.read(into, std::min(size, m_piece)); }

private:
    std::string m_bytes;
    archive::MemorySource m_source;
    std::size_t m_piece;
};

// Everything a source gives, read in pieces of size.
std::string readAll(archive::Source &source, std::size_t size = 1000);

// For QCOMPARE of std::string: QByteArray prints the difference.
inline QByteArray bytes(std::string_view text)
{
    return QByteArray(text.data(), qsizetype(text.size()));
}
