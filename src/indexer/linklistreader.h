#pragma once

#include "index/capture.h"
#include "linklist.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace archive {
class Source;
}

namespace indexer {

// The lines of a link list that make one capture of a page, with those of them that were passed
// over and why.
struct ListCapture
{
    std::optional<linkindex::Capture> capture; // none when every line was passed over
    int64_t lines = 0;
    std::map<const char *, int64_t> skipped;
};

// Reads a link list line by line: the lines of one capture (the same source_url and captured,
// one after another) make one page with all their links, and the title and state of the first.
// URLs are normalised, and links to the page's own host dropped, as in pages read from archives.
// Throws archive::InputError when the input cannot be read on.
class LinkListReader
{
public:
    // bytes from the header line on; columns as the header says.
    LinkListReader(archive::Source &bytes, int columns);

    std::optional<ListCapture> next();

private:
    // The next line, without its line end; lines past the longest allowed are passed over.
    std::optional<std::string> readLine(ListCapture &counts);

    archive::Source &m_bytes;
    int m_columns;
    std::string m_buffer;
    size_t m_begin = 0;
    bool m_atEnd = false;
    std::optional<std::string> m_pending; // the first line of the next capture, already read
};

} // namespace indexer
