#include "chunked.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

namespace archive {

namespace {

constexpr std::size_t kNone = std::string_view::npos;

// Where the line break at body[at] ends; body.size() when the body ends inside it; kNone when
// there is none.
std::size_t afterLineBreak(std::string_view body, std::size_t at)
{
    const std::string_view rest = body.substr(at);
    if (rest.starts_with("\r\n"))
        return at + 2;
    if (rest.starts_with('\n'))
        return at + 1;
    return rest.empty() || rest == "\r" ? body.size() : kNone;
}

// Where the rest of a size line ends: blanks, extensions after ";" (of no interest), the line
// break.
std::size_t afterSizeLine(std::string_view body, std::size_t at)
{
    while (at < body.size() && (body[at] == ' ' || body[at] == '\t'))
        ++at;
    if (at < body.size() && body[at] == ';') {
        const std::size_t lineFeed = body.find('\n', at);
        return lineFeed == kNone ? body.size() : lineFeed + 1;
    }
    return afterLineBreak(body, at);
}

} // namespace

bool dechunk(std::string_view body, std::string &out)
{
    out.clear();
    std::size_t at = 0;
    while (at < body.size()) {
        std::uint64_t size = 0;
        const auto [digitsEnd, error] = std::from_chars(body.data() + at, body.data() + body.size(), size, 16);
        if (error != std::errc())
            return false;
        at = afterSizeLine(body, std::size_t(digitsEnd - body.data()));
        if (at == kNone)
            return false;
        if (size == 0)
            return true; // the last chunk; trailer fields are of no interest
        const std::string_view data = body.substr(at, std::size_t(std::min<std::uint64_t>(size, body.size() - at)));
        out.append(data);
        at = afterLineBreak(body, at + data.size());
        if (at == kNone)
            return false;
    }
    return true;
}

} // namespace archive
