#pragma once

#include "archive/source.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace graph {

// The lines of one web-graph file, a local path or an http(s) URL read as it downloads, gzip
// undone: read and decompressed on a thread of its own, so that the caller parses while the next
// lines are being inflated.
class LineInput
{
public:
    // Throws archive::InputError when the input cannot be opened.
    explicit LineInput(const std::string &input);
    ~LineInput();
    LineInput(const LineInput &) = delete;
    LineInput &operator=(const LineInput &) = delete;

    // The next whole lines, each ending in a line feed (one is added to a last line without);
    // empty at the end. Throws archive::InputError where the input breaks off or is corrupt.
    std::string_view next();

    // How far the input as stored (compressed, downloaded) has been read, and its size if known.
    uint64_t bytesRead() const { return m_bytesRead(); }
    std::optional<uint64_t> size() const { return m_size(); }

private:
    void readAll();

    std::unique_ptr<archive::Source> m_raw;
    std::unique_ptr<archive::Source> m_decoded;
    std::function<uint64_t()> m_bytesRead;
    std::function<std::optional<uint64_t>()> m_size;

    // Lines read: the first size bytes of bytes.
    struct Block
    {
        std::string bytes;
        size_t size = 0;
    };

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Block> m_ready;
    Block m_current;
    std::vector<std::string> m_spare; // blocks read out, for the reader to fill again
    bool m_finished = false;
    bool m_stopping = false;
    std::exception_ptr m_error;
    std::thread m_reader;
};

// Whether input names a file to download rather than a local one.
bool isUrl(const std::string &input);

} // namespace graph
