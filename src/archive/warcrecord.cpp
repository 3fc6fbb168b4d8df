#include "warcrecord.h"

#include "errors.h"
#include "warcdate.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace archive {

namespace {

constexpr std::array<std::string_view, 4> kVersions = {"1.0", "1.1", "0.17", "0.18"};
// Beyond this a length is no length (2^60): it would only end in "input ends inside record".
constexpr std::size_t kLengthDigits = 18;

} // namespace

void WarcRecord::parse(std::string_view header, std::uint64_t number, std::uint64_t offset)
{
    m_number = number;
    m_offset = offset;
    m_header.assign(header);
    const auto fail = [&](const std::string &what) {
        throw InputError("record " + std::to_string(number) + " at byte " + std::to_string(offset) + ": " + what);
    };

    const std::size_t firstLineEnd = m_header.find('\n');
    std::string_view versionLine = std::string_view(m_header).substr(0, firstLineEnd);
    if (versionLine.ends_with('\r'))
        versionLine.remove_suffix(1);
    constexpr std::string_view kMagic = "WARC/";
    m_version = versionLine.starts_with(kMagic) ? versionLine.substr(kMagic.size()) : std::string_view();
    if (std::find(kVersions.begin(), kVersions.end(), m_version) == kVersions.end())
        fail("unsupported WARC version line " + excerpt(versionLine));

    const std::size_t fieldsStart = firstLineEnd == std::string::npos ? m_header.size() : firstLineEnd + 1;
    const std::size_t bad = m_fields.parse(std::span(m_header).subspan(fieldsStart));
    if (bad != std::string_view::npos) {
        const std::string_view rest = std::string_view(m_header).substr(fieldsStart + bad);
        fail("malformed WARC header line " + excerpt(rest.substr(0, rest.find_first_of("\r\n"))));
    }

    const std::optional<std::string_view> length = m_fields.get("Content-Length");
    if (!length)
        fail("no Content-Length");
    const char *end = length->data() + length->size();
    const auto [stop, error] = std::from_chars(length->data(), end, m_contentLength);
    if (length->empty() || length->size() > kLengthDigits || stop != end || error != std::errc())
        fail("invalid Content-Length " + excerpt(*length));
}

std::string_view WarcRecord::type() const
{
    return m_fields.get("WARC-Type").value_or(std::string_view());
}

std::string_view WarcRecord::targetUri() const
{
    std::string_view uri = m_fields.get("WARC-Target-URI").value_or(std::string_view());
    if (uri.size() >= 2 && uri.front() == '<' && uri.back() == '>')
        uri = uri.substr(1, uri.size() - 2);
    return uri;
}

std::optional<std::int64_t> WarcRecord::date() const
{
    const std::optional<std::string_view> text = m_fields.get("WARC-Date");
    return text ? parseWarcDate(*text) : std::nullopt;
}

} // namespace archive
