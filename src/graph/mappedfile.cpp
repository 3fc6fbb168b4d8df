#include "mappedfile.h"

#include "grapherror.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace graph {

namespace {

constexpr size_t kBufferSize = 1 << 20;

} // namespace

MappedFile::MappedFile(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat status{};
    if (fd < 0 || ::fstat(fd, &status) != 0) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        throw GraphError("cannot read " + path + ": " + std::strerror(error));
    }
    m_size = size_t(status.st_size);
    if (m_size > 0) {
        void *mapped = ::mmap(nullptr, m_size, PROT_READ, MAP_SHARED, fd, 0);
        const int error = errno;
        ::close(fd);
        if (mapped == MAP_FAILED)
            throw GraphError("cannot read " + path + ": " + std::strerror(error));
        m_data = static_cast<const uint8_t *>(mapped);
    } else {
        ::close(fd);
    }
}

MappedFile::~MappedFile()
{
    if (m_data)
        ::munmap(const_cast<uint8_t *>(m_data), m_size);
}

OutputFile::OutputFile(const std::string &path) : m_path(path)
{
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (m_fd < 0)
        fail("cannot create");
    m_buffer.reserve(kBufferSize);
}

OutputFile::~OutputFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void OutputFile::write(const void *bytes, size_t size)
{
    if (m_buffer.size() + size > kBufferSize)
        flush();
    if (size >= kBufferSize) {
        m_buffer.assign(static_cast<const char *>(bytes), size);
        flush();
    } else {
        m_buffer.append(static_cast<const char *>(bytes), size);
    }
    m_written += size;
}

void OutputFile::flush()
{
    size_t done = 0;
    while (done < m_buffer.size()) {
        const ssize_t wrote = ::write(m_fd, m_buffer.data() + done, m_buffer.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            fail("cannot write");
        done += size_t(wrote);
    }
    m_buffer.clear();
}

void OutputFile::close()
{
    flush();
    if (::fsync(m_fd) != 0)
        fail("cannot write");
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        fail("cannot write");
}

void OutputFile::fail(const char *what) const
{
    throw GraphError(std::string(what) + " " + m_path + ": " + std::strerror(errno));
}

} // namespace graph
