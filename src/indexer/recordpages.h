#pragma once

#include "index/capture.h"

#include <cstdint>
#include <optional>
#include <string>

namespace indexer {

// A record of an archive as the reader hands it to a worker: only what turning it into a page
// needs, its block read only for the kinds of record that can be one.
struct ArchiveRecord
{
    enum class Kind { Response, Wat, Other };
    Kind kind = Kind::Other;
    const char *skipped = nullptr; // for Other: why it is no page, as a summary names it
    std::string targetUri;
    std::optional<int64_t> date;
    std::string block;
};

// What a record gives the index: a capture of a page, or why it gives none.
struct RecordPage
{
    std::optional<linkindex::Capture> capture;
    const char *skipped = nullptr;
};

// A page is a response with status 200 and an HTML body, a redirect (301, 302, 303, 307, 308)
// to an http(s) URL, a 404 or 410 (a Gone page), or a WAT record of such a response. Safe to
// call from several threads at once; each keeps its own decoding buffers.
RecordPage pageOfRecord(ArchiveRecord &record);

} // namespace indexer
