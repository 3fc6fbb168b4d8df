#include "gzipsource.h"

#include "errors.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

namespace archive {

namespace {

constexpr std::size_t kInputSize = std::size_t(256) << 10;

} // namespace

GzipSource::GzipSource(Source &compressed)
    : m_compressed(compressed), m_input(std::make_unique_for_overwrite<char[]>(kInputSize))
{
    // 16 + 15: a gzip wrapper around a deflate stream with the largest window.
    if (inflateInit2(&m_stream, 16 + MAX_WBITS) != Z_OK)
        throw InputError("cannot start a gzip decoder: out of memory");
}

GzipSource::~GzipSource()
{
    inflateEnd(&m_stream);
}

bool GzipSource::refill()
{
    if (m_ended)
        return false;
    const std::size_t got = m_compressed.read(m_input.get(), kInputSize);
    m_read += got;
    m_stream.next_in = reinterpret_cast<Bytef *>(m_input.get());
    m_stream.avail_in = uInt(got);
    m_ended = got == 0;
    return !m_ended;
}

std::size_t GzipSource::read(char *into, std::size_t size)
{
    m_stream.next_out = reinterpret_cast<Bytef *>(into);
    m_stream.avail_out = uInt(std::min<std::size_t>(size, UINT_MAX));
    const uInt wanted = m_stream.avail_out;
    while (m_stream.avail_out > 0) {
        if (m_stream.avail_in == 0 && !refill()) {
            if (m_inMember && m_stream.avail_out == wanted)
                throw InputError("gzip input ends at byte " + std::to_string(m_read) + " inside the member that starts at byte "
                                 + std::to_string(m_memberStart));
            break;
        }
        if (!m_inMember) {
            m_memberStart = position();
            m_inMember = true;
            inflateReset(&m_stream);
        }
        const int status = inflate(&m_stream, Z_NO_FLUSH);
        if (status == Z_STREAM_END) {
            m_inMember = false;
        } else if (status != Z_OK && status != Z_BUF_ERROR) {
            throw InputError("gzip data broken at byte " + std::to_string(position()) + " in the member that starts at byte "
                             + std::to_string(m_memberStart) + ": " + (m_stream.msg ? m_stream.msg : "corrupt"));
        }
    }
    return wanted - m_stream.avail_out;
}

} // namespace archive
