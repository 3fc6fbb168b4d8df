#include "runfile.h"

#include "grapherror.h"
#include "varint.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace graph {

RunFile::RunFile(std::string path) : m_path(std::move(path)), m_fd(::open(m_path.c_str(), O_RDONLY | O_CLOEXEC))
{
    if (m_fd < 0)
        throw GraphError("cannot read " + m_path + ": " + std::strerror(errno));
}

RunFile::~RunFile()
{
    ::close(m_fd);
}

std::string_view RunFile::peek(size_t size)
{
    if (m_end - m_at < size && !m_ended)
        refill(size);
    return std::string_view(m_buffer.data() + m_at, std::min(size, m_end - m_at));
}

bool RunFile::readVarint(uint64_t &value)
{
    // A varint takes ten bytes at most.
    const std::string_view bytes = peek(10);
    if (bytes.empty())
        return false;
    const auto *start = reinterpret_cast<const uint8_t *>(bytes.data());
    const uint8_t *at = start;
    value = graph::readVarint(at);
    skip(size_t(at - start));
    return true;
}

void RunFile::refill(size_t size)
{
    std::copy(m_buffer.begin() + ptrdiff_t(m_at), m_buffer.begin() + ptrdiff_t(m_end), m_buffer.begin());
    m_end -= m_at;
    m_at = 0;
    if (m_buffer.size() < size)
        m_buffer.resize(size);
    while (m_end < m_buffer.size()) {
        const ssize_t got = ::read(m_fd, m_buffer.data() + m_end, m_buffer.size() - m_end);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw GraphError("cannot read " + m_path + ": " + std::strerror(errno));
        if (got == 0) {
            m_ended = true;
            break;
        }
        m_end += size_t(got);
    }
}

} // namespace graph
