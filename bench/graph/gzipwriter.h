#pragma once

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include <zlib.h>

// A gzip file written at zlib's fastest level by a thread of its own, so that making the text
// and compressing it share the two cores. The file is written under a temporary name and takes
// its own when finish() has written it whole.
class GzipWriter
{
public:
    explicit GzipWriter(std::string path);
    ~GzipWriter();
    GzipWriter(const GzipWriter &) = delete;
    GzipWriter &operator=(const GzipWriter &) = delete;

    void write(std::string_view text)
    {
        m_pending.append(text);
        if (m_pending.size() >= kChunk)
            handOver();
    }
    // The text of one line in place, for writers that format numbers straight into it.
    std::string &buffer()
    {
        if (m_pending.size() >= kChunk)
            handOver();
        return m_pending;
    }
    // Compresses what is left, closes the file and gives it its name; throws on a write error.
    void finish();

private:
    static constexpr size_t kChunk = 4 << 20;
    void handOver();
    void compress();

    std::string m_path;
    std::string m_partial;
    FILE *m_file = nullptr;
    z_stream m_stream{};
    std::string m_pending;
    std::deque<std::string> m_queue;
    bool m_closing = false;
    bool m_failed = false;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::thread m_thread;
};
