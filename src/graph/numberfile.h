#pragma once

#include "grapherror.h"
#include "runfile.h"

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

namespace graph {

// A file of numbers of type T (OutputFile::put), read from start to end: the site numbers of a
// release's name positions or ids, and the ranks' values, which the stages after numbering read
// in that order instead of holding or mapping them all (a host level has hundreds of millions).
template <typename T> class NumberFile
{
public:
    explicit NumberFile(const std::string &path) : m_path(path) { m_file.emplace(path); }

    // The number at index. Asking for one before the one asked last reads the file again.
    T at(uint64_t index)
    {
        if (index + 1 < m_read) {
            m_file.emplace(m_path);
            m_read = 0;
        }
        for (; m_read <= index; ++m_read) {
            const std::string_view bytes = m_file->peek(sizeof m_number);
            if (bytes.size() < sizeof m_number)
                throw GraphError(m_path + " ends before number " + std::to_string(index));
            std::memcpy(&m_number, bytes.data(), sizeof m_number);
            m_file->skip(sizeof m_number);
        }
        return m_number;
    }

private:
    std::string m_path;
    std::optional<RunFile> m_file;
    uint64_t m_read = 0; // numbers read: m_number is the last of them
    T m_number{};
};

} // namespace graph
