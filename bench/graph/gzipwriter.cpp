#include "gzipwriter.h"

#include <filesystem>
#include <stdexcept>

namespace {

// Chunks waiting for the compressor at most: the maker is faster, and memory stays bounded.
constexpr size_t kQueued = 4;

} // namespace

GzipWriter::GzipWriter(std::string path)
    : m_path(std::move(path))
    , m_partial(m_path + ".part")
{
    m_file = std::fopen(m_partial.c_str(), "wb");
    if (!m_file)
        throw std::runtime_error("cannot write " + m_partial);
    if (deflateInit2(&m_stream, 1, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("zlib cannot start");
    m_pending.reserve(kChunk + 4096);
    m_thread = std::thread([this] { compress(); });
}

GzipWriter::~GzipWriter()
{
    if (m_thread.joinable()) {
        {
            std::lock_guard lock(m_mutex);
            m_closing = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    deflateEnd(&m_stream);
    if (m_file) {
        std::fclose(m_file);
        std::filesystem::remove(m_partial);
    }
}

void GzipWriter::handOver()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_queue.size() < kQueued; });
    m_queue.push_back(std::move(m_pending));
    lock.unlock();
    m_changed.notify_all();
    m_pending = std::string();
    m_pending.reserve(kChunk + 4096);
}

void GzipWriter::compress()
{
    std::string out(1 << 20, '\0');
    for (;;) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_queue.empty() || m_closing; });
        if (m_queue.empty())
            break;
        std::string chunk = std::move(m_queue.front());
        m_queue.pop_front();
        lock.unlock();
        m_changed.notify_all();
        m_stream.next_in = reinterpret_cast<Bytef *>(chunk.data());
        m_stream.avail_in = uInt(chunk.size());
        do {
            m_stream.next_out = reinterpret_cast<Bytef *>(out.data());
            m_stream.avail_out = uInt(out.size());
            deflate(&m_stream, Z_NO_FLUSH);
            const size_t produced = out.size() - m_stream.avail_out;
            if (std::fwrite(out.data(), 1, produced, m_file) != produced)
                m_failed = true;
        } while (m_stream.avail_out == 0);
    }
}

void GzipWriter::finish()
{
    handOver();
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_changed.notify_all();
    m_thread.join();
    std::string out(1 << 20, '\0');
    int status = Z_OK;
    while (status == Z_OK) {
        m_stream.next_out = reinterpret_cast<Bytef *>(out.data());
        m_stream.avail_out = uInt(out.size());
        status = deflate(&m_stream, Z_FINISH);
        const size_t produced = out.size() - m_stream.avail_out;
        if (std::fwrite(out.data(), 1, produced, m_file) != produced)
            m_failed = true;
    }
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    if (m_failed || !closed || status != Z_STREAM_END) {
        std::filesystem::remove(m_partial);
        throw std::runtime_error("cannot write " + m_partial);
    }
    std::filesystem::rename(m_partial, m_path);
}
