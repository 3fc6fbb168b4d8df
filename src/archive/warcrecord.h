#pragma once

#include "headerfields.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace archive {

// The header of one WARC record: its version, its named fields, and the length of the block that
// follows it. Versions 1.0 and 1.1, and the drafts 0.17 and 0.18 that older crawls were written
// in, share this form. Field values are kept byte for byte, valid UTF-8 or not.
class WarcRecord
{
public:
    WarcRecord() = default;
    // The fields are views into this record's own copy of its header.
    WarcRecord(const WarcRecord &) = delete;
    WarcRecord &operator=(const WarcRecord &) = delete;

    // Reads header, from "WARC/" up to the blank line (not included); number (from 1) and offset
    // (in the decoded input) place it for messages. Throws InputError naming both.
    void parse(std::string_view header, std::uint64_t number, std::uint64_t offset);

    std::string_view version() const { return m_version; } // "1.0", "1.1", "0.17" or "0.18"
    std::uint64_t contentLength() const { return m_contentLength; }
    std::uint64_t number() const { return m_number; }
    std::uint64_t offset() const { return m_offset; }

    // The first field of that name, whatever the case.
    std::optional<std::string_view> field(std::string_view name) const { return m_fields.get(name); }
    const HeaderFields &fields() const { return m_fields; }

    // WARC-Type ("response", "request", "metadata", …); empty when there is none.
    std::string_view type() const;
    // WARC-Target-URI without the angle brackets that some writers (wget) put around it.
    std::string_view targetUri() const;
    // WARC-Date in microseconds since the epoch; nullopt when missing or not a date.
    std::optional<std::int64_t> date() const;

private:
    std::string m_header;
    HeaderFields m_fields;
    std::string_view m_version;
    std::uint64_t m_contentLength = 0;
    std::uint64_t m_number = 0;
    std::uint64_t m_offset = 0;
};

} // namespace archive
