#include "zstdsource.h"

#include "errors.h"

#include <string>

namespace archive {

namespace {

const std::size_t kInputSize = ZSTD_DStreamInSize() * 2;

} // namespace

ZstdSource::ZstdSource(Source &compressed)
    : m_compressed(compressed), m_input(std::make_unique_for_overwrite<char[]>(kInputSize)), m_context(ZSTD_createDCtx())
{
    if (!m_context)
        throw InputError("cannot start a zstd decoder: out of memory");
    m_in.src = m_input.get();
}

ZstdSource::~ZstdSource()
{
    ZSTD_freeDCtx(m_context);
}

bool ZstdSource::refill()
{
    if (m_ended)
        return false;
    m_in.size = m_compressed.read(m_input.get(), kInputSize);
    m_in.pos = 0;
    m_read += m_in.size;
    m_ended = m_in.size == 0;
    return !m_ended;
}

std::size_t ZstdSource::read(char *into, std::size_t size)
{
    if (size == 0)
        return 0;
    ZSTD_outBuffer out{into, size, 0};
    while (out.pos < out.size) {
        // Between frames at the end of the input, the decoder would only ask for another frame.
        if (m_in.pos == m_in.size && !refill() && m_pending == 0)
            break;
        const std::size_t before = out.pos;
        m_pending = ZSTD_decompressStream(m_context, &out, &m_in);
        if (ZSTD_isError(m_pending))
            throw InputError("zstd data broken near byte " + std::to_string(m_read - (m_in.size - m_in.pos)) + ": "
                             + ZSTD_getErrorName(m_pending));
        if (m_ended && out.pos == before)
            break;
    }
    if (out.pos == 0 && m_pending != 0)
        throw InputError("zstd input ends at byte " + std::to_string(m_read) + " inside a frame");
    return out.pos;
}

} // namespace archive
