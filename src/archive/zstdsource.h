#pragma once

#include "source.h"

#include <zstd.h>

#include <memory>

namespace archive {

// The bytes inside a zstd stream of one or more frames (a WARC compressed as a whole, or a frame
// for each record).
class ZstdSource : public Source
{
public:
    explicit ZstdSource(Source &compressed);
    ~ZstdSource() override;
    ZstdSource(const ZstdSource &) = delete;
    ZstdSource &operator=(const ZstdSource &) = delete;

    // A frame cut short delivers what it holds; the call after that throws InputError.
    std::size_t read(char *into, std::size_t size) override;

private:
    bool refill();

    Source &m_compressed;
    std::unique_ptr<char[]> m_input;
    ZSTD_DCtx *m_context;
    ZSTD_inBuffer m_in{};
    std::uint64_t m_read = 0; // compressed bytes taken from m_compressed
    std::size_t m_pending = 1; // what the decoder said it still expects; 0 between frames
    bool m_ended = false;      // m_compressed has no more bytes
};

} // namespace archive
