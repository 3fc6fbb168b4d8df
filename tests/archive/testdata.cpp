#include "testdata.h"

#include <brotli/encode.h>
#include <zlib.h>
#include <zstd.h>

#include <stdexcept>

namespace {

// One deflate stream of bytes; windowBits as zlib takes them choose the wrapper.
std::string deflated(std::string_view bytes, int windowBits, gz_header *header = nullptr)
{
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    if (header)
        deflateSetHeader(&stream, header);
    std::string out(deflateBound(&stream, uLong(bytes.size())) + 64, '\0');
    stream.next_in = reinterpret_cast<const Bytef *>(bytes.data());
    stream.avail_in = uInt(bytes.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    if (deflate(&stream, Z_FINISH) != Z_STREAM_END)
        throw std::runtime_error("deflate");
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

void appendLittleEndian(std::string &out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out += char((value >> shift) & 0xff);
}

} // namespace

std::string gzipped(std::string_view bytes, std::string_view extra)
{
    if (extra.empty())
        return deflated(bytes, 16 + MAX_WBITS);
    std::string extraField(extra), name("record.warc"), comment("a comment");
    gz_header header{};
    header.extra = reinterpret_cast<Bytef *>(extraField.data());
    header.extra_len = uInt(extraField.size());
    header.name = reinterpret_cast<Bytef *>(name.data());
    header.comment = reinterpret_cast<Bytef *>(comment.data());
    header.hcrc = 1;
    return deflated(bytes, 16 + MAX_WBITS, &header);
}

std::string zlibWrapped(std::string_view bytes)
{
    return deflated(bytes, MAX_WBITS);
}

std::string rawDeflated(std::string_view bytes)
{
    return deflated(bytes, -MAX_WBITS);
}

std::string zstdFramed(std::string_view bytes)
{
    std::string out(ZSTD_compressBound(bytes.size()), '\0');
    out.resize(ZSTD_compress(out.data(), out.size(), bytes.data(), bytes.size(), 3));
    return out;
}

std::string brotlied(std::string_view bytes)
{
    std::size_t size = BrotliEncoderMaxCompressedSize(bytes.size());
    std::string out(size, '\0');
    BrotliEncoderCompress(5, BROTLI_DEFAULT_WINDOW, BROTLI_MODE_TEXT, bytes.size(),
                          reinterpret_cast<const std::uint8_t *>(bytes.data()), &size, reinterpret_cast<std::uint8_t *>(out.data()));
    out.resize(size);
    return out;
}

std::string gzipOfZeros(std::uint64_t mebibytes)
{
    const std::string zeros(std::size_t(1) << 20, '\0');
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    // After a full flush no piece refers back to an earlier one, so the second piece can stand
    // for every one after it.
    std::string pieces[2];
    for (std::string &piece : pieces) {
        piece.assign(zeros.size(), '\0');
        stream.next_in = reinterpret_cast<const Bytef *>(zeros.data());
        stream.avail_in = uInt(zeros.size());
        stream.next_out = reinterpret_cast<Bytef *>(piece.data());
        stream.avail_out = uInt(piece.size());
        deflate(&stream, Z_FULL_FLUSH);
        piece.resize(piece.size() - stream.avail_out);
    }
    deflateEnd(&stream);
    std::string member = pieces[0];
    const uLong pieceCrc = crc32(0, reinterpret_cast<const Bytef *>(zeros.data()), uInt(zeros.size()));
    uLong crc = pieceCrc;
    for (std::uint64_t piece = 1; piece < mebibytes; ++piece) {
        member += pieces[1];
        crc = crc32_combine(crc, pieceCrc, z_off_t(zeros.size()));
    }
    member += std::string_view("\x03\x00", 2); // an empty last block
    appendLittleEndian(member, std::uint32_t(crc));
    appendLittleEndian(member, std::uint32_t(mebibytes << 20));
    return member;
}

std::string warcRecord(std::string_view fields, std::string_view block, std::string_view version)
{
    std::string record = "WARC/" + std::string(version) + "\r\n" + std::string(fields);
    if (fields.find("Content-Length:") == std::string_view::npos)
        record += "Content-Length: " + std::to_string(block.size()) + "\r\n";
    return record + "\r\n" + std::string(block) + "\r\n\r\n";
}

std::string readAll(archive::Source &source, std::size_t size)
{
    std::string all;
    std::string piece(size, '\0');
    while (const std::size_t got = source.read(piece.data(), piece.size()))
        all.append(piece, 0, got);
    return all;
}
