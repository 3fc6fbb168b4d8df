#include "linklistreader.h"

#include "archive/source.h"
#include "links/text.h"
#include "links/urlrules.h"

#include <cstring>

namespace indexer {

namespace {

// A line can hold a URL, a title and an anchor text; past this it is no link list's line.
constexpr size_t kMaxLine = size_t(1) << 20;
constexpr size_t kReadSize = size_t(1) << 16;

} // namespace

LinkListReader::LinkListReader(archive::Source &bytes, int columns) : m_bytes(bytes), m_columns(columns)
{
    ListCapture header;
    readLine(header);
}

std::optional<std::string> LinkListReader::readLine(ListCapture &counts)
{
    for (;;) {
        const size_t end = m_buffer.find('\n', m_begin);
        if (end != std::string::npos || (m_atEnd && m_begin < m_buffer.size())) {
            const size_t stop = end == std::string::npos ? m_buffer.size() : end;
            std::string line = m_buffer.substr(m_begin, stop - m_begin);
            m_begin = end == std::string::npos ? m_buffer.size() : end + 1;
            if (line.size() <= kMaxLine)
                return line;
            ++counts.skipped["lines longer than 1 MiB"];
            ++counts.lines;
            continue;
        }
        if (m_atEnd)
            return std::nullopt;
        m_buffer.erase(0, m_begin);
        m_begin = 0;
        if (m_buffer.size() > kMaxLine) {
            // Keep only enough of an overlong line to know it was one.
            m_buffer.resize(kMaxLine + 1);
        }
        const size_t had = m_buffer.size();
        m_buffer.resize(had + kReadSize);
        const size_t got = m_bytes.read(m_buffer.data() + had, kReadSize);
        m_buffer.resize(had + got);
        m_atEnd = got == 0;
    }
}

std::optional<ListCapture> LinkListReader::next()
{
    ListCapture result;
    std::optional<links::LinkResolver> resolver;
    std::string source;
    std::optional<int64_t> captured;
    for (;;) {
        std::optional<std::string> line = m_pending ? std::move(m_pending) : readLine(result);
        m_pending.reset();
        if (!line)
            break;
        const std::optional<ListRow> row = parseListRow(*line, m_columns);
        if (!row || row->lost) {
            ++result.skipped[row ? "lost links, which no capture holds" : "malformed lines"];
            ++result.lines;
            continue;
        }
        if (resolver && (row->sourceUrl != source || row->captured != captured)) {
            m_pending = std::move(line);
            break;
        }
        ++result.lines;
        if (!resolver) {
            const std::optional<std::string> url = links::normalizedUrl(row->sourceUrl);
            if (!url) {
                ++result.skipped["lines whose source_url is not an http(s) URL"];
                continue;
            }
            resolver.emplace(*url);
            source = row->sourceUrl;
            captured = row->captured;
            result.capture = linkindex::Capture{
                {*url, resolver->pageHost(), links::collapsedWhitespace(row->sourceTitle), {}, row->state}, captured};
        }
        // An empty target in a six- or nine-column list is a capture without links to other hosts.
        if (row->targetUrl.empty() && m_columns != 3)
            continue;
        if (std::optional<links::Link> link = resolver->resolve(row->targetUrl, row->anchorText, row->rel, row->type))
            result.capture->page.links.push_back(std::move(*link));
        else if (!links::normalizedUrl(row->targetUrl))
            ++result.skipped["lines whose target_url is not an http(s) URL"];
    }
    if (result.lines == 0)
        return std::nullopt;
    return result;
}

} // namespace indexer
