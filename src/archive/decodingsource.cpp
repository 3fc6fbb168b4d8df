#include "decodingsource.h"

#include "gzipsource.h"
#include "zstdsource.h"

namespace archive {

namespace {

constexpr std::string_view kGzipMagic = "\x1f\x8b";
constexpr std::string_view kZstdMagic = "\x28\xb5\x2f\xfd";

} // namespace

DecodingSource::DecodingSource(Source &raw) : m_raw(raw)
{
    const std::string_view head = m_raw.peek(kZstdMagic.size());
    if (head.starts_with(kGzipMagic))
        m_decoder = std::make_unique<GzipSource>(m_raw);
    else if (head.starts_with(kZstdMagic))
        m_decoder = std::make_unique<ZstdSource>(m_raw);
}

std::size_t DecodingSource::read(char *into, std::size_t size)
{
    return m_decoder ? m_decoder->read(into, size) : m_raw.read(into, size);
}

std::uint64_t DecodingSource::skip(std::uint64_t size)
{
    return m_decoder ? m_decoder->skip(size) : m_raw.skip(size);
}

} // namespace archive
