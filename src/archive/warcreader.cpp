#include "warcreader.h"

#include "errors.h"
#include "headerfields.h"

#include <algorithm>
#include <cstring>

namespace archive {

namespace {

// Large enough that one read moves a good part of a decompressed member or more, small enough to
// stay in the cache.
constexpr std::size_t kBufferSize = std::size_t(1) << 20;
// No writer needs more for a record header; a header without end stops here, not at memory's end.
constexpr std::size_t kHeaderCap = std::size_t(64) << 10;
constexpr std::string_view kMagic = "WARC/";

// What reading from the input does, with a failure of the layers below (a gzip member cut short)
// placed in the record where it happened.
template <typename Read>
auto inRecord(std::uint64_t record, Read read)
{
    try {
        return read();
    } catch (const InputError &error) {
        throw InputError(std::string(error.what()) + ", reading record " + std::to_string(record));
    }
}

} // namespace

WarcReader::WarcReader(Source &input) : m_input(input), m_buffer(std::make_unique_for_overwrite<char[]>(kBufferSize)) {}

WarcReader::~WarcReader() = default;

std::size_t WarcReader::readInput(char *into, std::size_t size)
{
    return inRecord(m_records + (m_inRecord ? 0 : 1), [&] { return m_input.read(into, size); });
}

bool WarcReader::fill()
{
    // Called only with less than a header's worth left in the buffer, so moving it is cheap and
    // leaves room.
    if (m_begin > 0) {
        std::memmove(m_buffer.get(), m_buffer.get() + m_begin, m_end - m_begin);
        m_bufferOffset += m_begin;
        m_end -= m_begin;
        m_begin = 0;
    }
    const std::size_t got = readInput(m_buffer.get() + m_end, kBufferSize - m_end);
    m_end += got;
    return got > 0;
}

const WarcRecord *WarcReader::next()
{
    if (m_inRecord) {
        skipBlock();
        // The two line breaks that end a record; a writer that left them out or wrote more is
        // forgiven, as the next record's "WARC/" tells where it starts.
        while ((m_begin < m_end || fill()) && (m_buffer[m_begin] == '\r' || m_buffer[m_begin] == '\n'))
            ++m_begin;
        m_inRecord = false;
    }

    const std::uint64_t number = m_records + 1;
    std::size_t searched = 0;
    for (;;) {
        const std::string_view buffered(m_buffer.get() + m_begin, m_end - m_begin);
        const std::size_t shown = std::min(buffered.size(), kMagic.size());
        if (buffered.substr(0, shown) != kMagic.substr(0, shown)) {
            // Enough of what stands there for the message to show.
            while (m_end - m_begin < kExcerptSize && fill()) {
            }
            const std::string found = excerpt(std::string_view(m_buffer.get() + m_begin, m_end - m_begin));
            throw InputError(number == 1 ? "not a WARC file: it starts with " + found
                                         : "no WARC record where record " + std::to_string(number) + " should start, at byte "
                                               + std::to_string(position()) + ": " + found);
        }
        if (shown == kMagic.size()) {
            if (const auto end = findHeaderEnd(buffered.substr(0, kHeaderCap), searched)) {
                m_record.parse(buffered.substr(0, end->fieldsEnd), number, position());
                m_begin += end->bodyStart;
                m_records = number;
                m_inRecord = true;
                m_blockLeft = m_record.contentLength();
                return &m_record;
            }
            if (buffered.size() >= kHeaderCap) {
                throw InputError("record " + std::to_string(number) + " at byte " + std::to_string(position())
                                 + ": header has no end within " + std::to_string(kHeaderCap >> 10) + " KiB");
            }
            // The blank line may straddle what has come and what is to come.
            searched = buffered.size() - std::min<std::size_t>(buffered.size(), 2);
        }
        if (!fill()) {
            if (buffered.empty())
                return nullptr;
            throw InputError("input ends inside the header of record " + std::to_string(number) + " at byte "
                             + std::to_string(position()));
        }
    }
}

bool WarcReader::readBlock(std::string &block, std::size_t cap)
{
    const auto wanted = std::size_t(std::min<std::uint64_t>(m_blockLeft, cap));
    block.resize(wanted);
    std::size_t got = std::min(wanted, m_end - m_begin);
    std::memcpy(block.data(), m_buffer.get() + m_begin, got);
    m_begin += got;
    m_blockLeft -= got;
    // The rest comes straight into block, not through the buffer.
    while (got < wanted) {
        const std::size_t more = readInput(block.data() + got, wanted - got);
        if (more == 0)
            endsInsideBlock();
        m_bufferOffset = position() + more;
        m_begin = m_end = 0;
        got += more;
        m_blockLeft -= more;
    }
    const bool cut = m_blockLeft > 0;
    skipBlock();
    return cut;
}

void WarcReader::skipBlock()
{
    const auto buffered = std::size_t(std::min<std::uint64_t>(m_blockLeft, m_end - m_begin));
    m_begin += buffered;
    m_blockLeft -= buffered;
    if (m_blockLeft == 0)
        return;
    const std::uint64_t skipped = inRecord(m_records, [&] { return m_input.skip(m_blockLeft); });
    m_bufferOffset = position() + skipped;
    m_begin = m_end = 0;
    m_blockLeft -= skipped;
    if (m_blockLeft > 0)
        endsInsideBlock();
}

void WarcReader::endsInsideBlock() const
{
    throw InputError("input ends inside record " + std::to_string(m_record.number()) + " (at byte " + std::to_string(m_record.offset())
                     + "): Content-Length says " + std::to_string(m_record.contentLength()) + ", only "
                     + std::to_string(m_record.contentLength() - m_blockLeft) + " bytes follow");
}

} // namespace archive
