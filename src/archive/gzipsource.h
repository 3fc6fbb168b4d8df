#pragma once

#include "source.h"

#include <zlib.h>

#include <memory>

namespace archive {

// The bytes inside a gzip stream: one member for each record, as WARC writers make them, or one
// for the whole file, members following each other. zlib reads the header's optional fields
// (FEXTRA, FNAME, FCOMMENT) itself.
class GzipSource : public Source
{
public:
    explicit GzipSource(Source &compressed);
    ~GzipSource() override;
    GzipSource(const GzipSource &) = delete;
    GzipSource &operator=(const GzipSource &) = delete;

    // A member cut short delivers what it holds; the call after that throws InputError.
    std::size_t read(char *into, std::size_t size) override;

private:
    bool refill();
    std::uint64_t position() const { return m_read - m_stream.avail_in; }

    Source &m_compressed;
    std::unique_ptr<char[]> m_input;
    z_stream m_stream{};
    std::uint64_t m_read = 0;        // compressed bytes taken from m_compressed
    std::uint64_t m_memberStart = 0; // compressed offset of the member being decoded
    bool m_inMember = false;
    bool m_ended = false; // m_compressed has no more bytes
};

} // namespace archive
