#pragma once

#include "bodycap.h"
#include "source.h"
#include "warcrecord.h"

#include <memory>
#include <string>

namespace archive {

// Reads the records of a WARC file one after the other from a source (a DecodingSource, so that
// compression is no concern here). A record's block is read only when asked for; otherwise it is
// skipped, which costs no copy. Throws InputError, naming the record and the byte offset, when
// the input cannot be read on; records before it were delivered whole. After that, stop.
class WarcReader
{
public:
    explicit WarcReader(Source &input);
    ~WarcReader();
    WarcReader(const WarcReader &) = delete;
    WarcReader &operator=(const WarcReader &) = delete;

    // The next record's header, or nullptr at the end of the input. What is left of the record
    // before it is skipped. The record stays valid until the next call.
    const WarcRecord *next();

    // The current record's block into block, at most cap bytes of it; the rest is skipped.
    // Returns whether the block was cut there. A block can be read once.
    bool readBlock(std::string &block, std::size_t cap = kBodyCap);

private:
    std::size_t readInput(char *into, std::size_t size);
    bool fill();
    void skipBlock();
    [[noreturn]] void endsInsideBlock() const;
    std::uint64_t position() const { return m_bufferOffset + m_begin; }

    Source &m_input;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_begin = 0; // of m_buffer, the next byte to read
    std::size_t m_end = 0;   // of m_buffer, just after the last byte filled in
    std::uint64_t m_bufferOffset = 0; // offset in the input of m_buffer[0]
    WarcRecord m_record;
    std::uint64_t m_records = 0;   // records begun
    bool m_inRecord = false;
    std::uint64_t m_blockLeft = 0; // of the current record's block, bytes not yet read
};

} // namespace archive
