#include "memorysource.h"

#include <algorithm>
#include <cstring>

namespace archive {

std::size_t MemorySource::read(char *into, std::size_t size)
{
    const std::size_t got = std::min(size, m_bytes.size());
    std::memcpy(into, m_bytes.data(), got);
    m_bytes.remove_prefix(got);
    return got;
}

} // namespace archive
