#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace graph {

// A file this program wrote while building a release, read back once from start to end through a
// buffer of its own: such files together are larger than the memory a build may take, so they
// are not mapped.
class RunFile
{
public:
    explicit RunFile(std::string path);
    ~RunFile();
    RunFile(const RunFile &) = delete;
    RunFile &operator=(const RunFile &) = delete;

    // The next size bytes, or what is left when the file ends before; valid until the next peek.
    std::string_view peek(size_t size);
    void skip(size_t size) { m_at += size; }
    // The varint at the reading position, which moves past it; false at the end of the file.
    bool readVarint(uint64_t &value);

private:
    void refill(size_t size);

    std::string m_path;
    int m_fd;
    std::vector<char> m_buffer = std::vector<char>(1 << 20);
    size_t m_at = 0;
    size_t m_end = 0;
    bool m_ended = false;
};

} // namespace graph
