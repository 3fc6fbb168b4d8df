#include "lineinput.h"

#include "archive/decodingsource.h"
#include "archive/errors.h"
#include "archive/filesource.h"
#include "httpsource.h"

#include <algorithm>

namespace graph {

namespace {

constexpr size_t kBlockSize = 4 << 20;
// Blocks read ahead of the parser: enough to keep both threads busy, little memory.
constexpr size_t kBlocksAhead = 4;
// No line of a graph file comes near this; a file without line ends must not fill the memory.
constexpr size_t kLongestLine = 64 << 20;

} // namespace

bool isUrl(const std::string &input)
{
    return input.starts_with("http://") || input.starts_with("https://");
}

LineInput::LineInput(const std::string &input)
{
    if (isUrl(input)) {
        auto http = std::make_unique<HttpSource>(input);
        m_bytesRead = [source = http.get()] { return source->consumed(); };
        m_size = [source = http.get()] { return source->size(); };
        m_raw = std::move(http);
    } else {
        auto file = std::make_unique<archive::FileSource>(input);
        m_bytesRead = [source = file.get()] { return source->consumed(); };
        m_size = [source = file.get()] { return source->size(); };
        m_raw = std::move(file);
    }
    m_decoded = std::make_unique<archive::DecodingSource>(*m_raw);
    m_reader = std::thread([this] { readAll(); });
}

LineInput::~LineInput()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_reader.join();
}

void LineInput::readAll()
{
    try {
        std::string carried;
        for (bool ended = false; !ended;) {
            Block block;
            {
                // A block the parser is done with: its bytes need no clearing, they are read over.
                std::lock_guard lock(m_mutex);
                if (!m_spare.empty()) {
                    block.bytes = std::move(m_spare.back());
                    m_spare.pop_back();
                }
            }
            if (block.bytes.size() < carried.size() + kBlockSize)
                block.bytes.resize(carried.size() + kBlockSize);
            std::copy(carried.begin(), carried.end(), block.bytes.begin());
            size_t filled = carried.size();
            while (filled < block.bytes.size()) {
                const size_t got = m_decoded->read(block.bytes.data() + filled, block.bytes.size() - filled);
                if (got == 0) {
                    ended = true;
                    break;
                }
                filled += got;
            }
            const std::string_view lines(block.bytes.data(), filled);
            if (ended) {
                block.size = filled;
                if (filled > 0 && lines.back() != '\n') {
                    block.bytes.resize(std::max(block.bytes.size(), filled + 1));
                    block.bytes[block.size++] = '\n';
                }
            } else {
                const size_t lineEnd = lines.rfind('\n');
                if (lineEnd == std::string::npos && filled > kLongestLine)
                    throw archive::InputError("a line longer than " + std::to_string(kLongestLine >> 20)
                                              + " MB: this is no web-graph file");
                block.size = lineEnd == std::string::npos ? 0 : lineEnd + 1;
                carried.assign(lines.substr(block.size));
            }
            if (block.size == 0)
                continue;
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_ready.size() < kBlocksAhead || m_stopping; });
            if (m_stopping)
                return;
            m_ready.push_back(std::move(block));
            m_changed.notify_all();
        }
    } catch (...) {
        std::lock_guard lock(m_mutex);
        m_error = std::current_exception();
    }
    std::lock_guard lock(m_mutex);
    m_finished = true;
    m_changed.notify_all();
}

std::string_view LineInput::next()
{
    std::unique_lock lock(m_mutex);
    if (!m_current.bytes.empty())
        m_spare.push_back(std::move(m_current.bytes));
    m_changed.wait(lock, [this] { return !m_ready.empty() || m_finished; });
    if (m_ready.empty()) {
        if (m_error)
            std::rethrow_exception(m_error);
        return {};
    }
    m_current = std::move(m_ready.front());
    m_ready.pop_front();
    lock.unlock();
    m_changed.notify_all();
    return std::string_view(m_current.bytes.data(), m_current.size);
}

} // namespace graph
