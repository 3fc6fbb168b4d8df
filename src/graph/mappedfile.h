#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace graph {

// A file of a stored release, mapped read-only: the graph is read in place, and a reader keeps
// its mapping even when the release is replaced or removed meanwhile.
class MappedFile
{
public:
    // Throws GraphError when the file cannot be mapped.
    explicit MappedFile(const std::string &path);
    ~MappedFile();
    MappedFile(const MappedFile &) = delete;
    MappedFile &operator=(const MappedFile &) = delete;

    const uint8_t *data() const { return m_data; }
    size_t size() const { return m_size; }

private:
    const uint8_t *m_data = nullptr;
    size_t m_size = 0;
};

// A file of a release being built, written through a large buffer. Every failure (a full disk)
// becomes a GraphError naming the file.
class OutputFile
{
public:
    explicit OutputFile(const std::string &path);
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    void write(const void *bytes, size_t size);
    template <typename T> void put(const T &value) { write(&value, sizeof value); }
    uint64_t written() const { return m_written; }
    // Writes what is buffered and syncs the file to disk.
    void close();

private:
    void flush();
    [[noreturn]] void fail(const char *what) const;

    std::string m_path;
    int m_fd = -1;
    std::string m_buffer;
    uint64_t m_written = 0;
};

} // namespace graph
