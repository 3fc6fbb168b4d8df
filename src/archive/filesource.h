#pragma once

#include "source.h"

#include <atomic>
#include <optional>
#include <string>

namespace archive {

// The raw bytes of a file, or of standard input for the name "-". It knows the size of a
// regular file and how far reading has come, for a progress line (which may be drawn from
// another thread).
class FileSource : public Source
{
public:
    // Throws InputError when the file cannot be opened.
    explicit FileSource(const std::string &path);
    ~FileSource() override;
    FileSource(const FileSource &) = delete;
    FileSource &operator=(const FileSource &) = delete;

    std::size_t read(char *into, std::size_t size) override;
    std::uint64_t skip(std::uint64_t size) override;

    // The size of a regular file; a pipe or a terminal has none.
    std::optional<std::uint64_t> size() const { return m_size; }
    // Bytes read or skipped so far.
    std::uint64_t consumed() const { return m_consumed.load(std::memory_order_relaxed); }

private:
    std::string m_name;
    int m_fd = -1;
    bool m_ownsFd = false;
    std::optional<std::uint64_t> m_size;
    std::atomic<std::uint64_t> m_consumed = 0;
};

} // namespace archive
