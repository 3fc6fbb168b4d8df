#include "filesource.h"

#include "errors.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace archive {

FileSource::FileSource(const std::string &path) : m_name(path == "-" ? "standard input" : path)
{
    if (path == "-") {
        m_fd = STDIN_FILENO;
    } else {
        m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (m_fd < 0)
            throw InputError("cannot open " + path + ": " + std::strerror(errno));
        m_ownsFd = true;
    }
    struct stat status;
    if (::fstat(m_fd, &status) == 0 && S_ISREG(status.st_mode)) {
        m_size = std::uint64_t(status.st_size);
        // Where standard input is a file it may not stand at its start.
        if (const off_t at = ::lseek(m_fd, 0, SEEK_CUR); at > 0)
            m_size = *m_size - std::min<std::uint64_t>(*m_size, std::uint64_t(at));
        ::posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    }
}

FileSource::~FileSource()
{
    if (m_ownsFd)
        ::close(m_fd);
}

std::size_t FileSource::read(char *into, std::size_t size)
{
    for (;;) {
        const ssize_t got = ::read(m_fd, into, size);
        if (got >= 0) {
            m_consumed.fetch_add(std::uint64_t(got), std::memory_order_relaxed);
            return std::size_t(got);
        }
        if (errno != EINTR)
            throw InputError("cannot read " + m_name + " at byte " + std::to_string(consumed()) + ": " + std::strerror(errno));
    }
}

std::uint64_t FileSource::skip(std::uint64_t size)
{
    if (!m_size)
        return Source::skip(size);
    // A regular file seeks past what nobody reads; only its end is never passed.
    const std::uint64_t skipped = std::min(size, *m_size - std::min(*m_size, consumed()));
    if (::lseek(m_fd, off_t(skipped), SEEK_CUR) < 0)
        throw InputError("cannot seek in " + m_name + ": " + std::strerror(errno));
    m_consumed.fetch_add(skipped, std::memory_order_relaxed);
    return skipped;
}

} // namespace archive
