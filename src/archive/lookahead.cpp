#include "lookahead.h"

#include <algorithm>
#include <cstring>

namespace archive {

std::string_view Lookahead::peek(std::size_t size)
{
    m_ahead.erase(0, m_at);
    m_at = 0;
    while (m_ahead.size() < size) {
        const std::size_t had = m_ahead.size();
        m_ahead.resize(size);
        const std::size_t got = m_inner.read(m_ahead.data() + had, size - had);
        m_ahead.resize(had + got);
        if (got == 0)
            break;
    }
    return std::string_view(m_ahead).substr(0, size);
}

std::size_t Lookahead::read(char *into, std::size_t size)
{
    if (m_at == m_ahead.size())
        return m_inner.read(into, size);
    const std::size_t got = std::min(size, m_ahead.size() - m_at);
    std::memcpy(into, m_ahead.data() + m_at, got);
    m_at += got;
    return got;
}

std::uint64_t Lookahead::skip(std::uint64_t size)
{
    const std::size_t dropped = std::size_t(std::min<std::uint64_t>(size, m_ahead.size() - m_at));
    m_at += dropped;
    return dropped + (dropped < size ? m_inner.skip(size - dropped) : 0);
}

} // namespace archive
