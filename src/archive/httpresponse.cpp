#include "httpresponse.h"

namespace archive {

namespace {

// Servers keep their header far below this; past it the block is no response one can read.
constexpr std::size_t kHeaderCap = std::size_t(256) << 10;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The status line after "HTTP/": a version ("1.1", "1.0", "2"), blanks, three digits, and an
// optional reason after a blank.
bool readStatusLine(std::string_view line, HttpResponse &response)
{
    std::size_t at = 0;
    if (line.size() < 1 || !isDigit(line[0]))
        return false;
    at = (line.size() > 2 && line[1] == '.' && isDigit(line[2])) ? 3 : 1;
    const std::size_t code = line.find_first_not_of(' ', at);
    if (code == at || code == std::string_view::npos || line.size() < code + 3)
        return false;
    if (!isDigit(line[code]) || !isDigit(line[code + 1]) || !isDigit(line[code + 2]))
        return false;
    response.status = (line[code] - '0') * 100 + (line[code + 1] - '0') * 10 + (line[code + 2] - '0');
    const std::string_view rest = line.substr(code + 3);
    if (!rest.empty() && rest[0] != ' ')
        return false;
    const std::size_t reason = rest.find_first_not_of(' ');
    response.reason = reason == std::string_view::npos ? std::string_view() : rest.substr(reason);
    return true;
}

} // namespace

std::optional<HttpResponse> parseHttpResponse(std::string &block)
{
    constexpr std::string_view kProtocol = "HTTP/";
    const std::string_view text(block);
    if (!text.starts_with(kProtocol))
        return std::nullopt;
    const std::size_t lineFeed = text.find('\n');
    const std::size_t statusEnd = lineFeed == std::string_view::npos ? text.size() : lineFeed;
    std::string_view statusLine = text.substr(kProtocol.size(), statusEnd - kProtocol.size());
    if (statusLine.ends_with('\r'))
        statusLine.remove_suffix(1);

    HttpResponse response;
    if (!readStatusLine(statusLine, response))
        return std::nullopt;
    if (lineFeed == std::string_view::npos)
        return response;

    const std::size_t fieldsStart = lineFeed + 1;
    // The blank line may follow the status line at once, so the search starts at its line feed.
    const std::optional<HeaderEnd> end = findHeaderEnd(text.substr(0, kHeaderCap), lineFeed);
    if (!end && text.size() > kHeaderCap)
        return std::nullopt;
    const std::size_t fieldsEnd = end ? end->fieldsEnd : text.size();
    response.headers.parse(std::span(block).subspan(fieldsStart, fieldsEnd - fieldsStart));
    if (end)
        response.body = text.substr(end->bodyStart);
    return response;
}

} // namespace archive
