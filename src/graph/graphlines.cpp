#include "graphlines.h"

#include <charconv>
#include <cmath>

namespace graph {

namespace {

constexpr std::string_view kRanksHeader = "#harmonicc_pos\t";

// The tab-separated fields of line; false when there are not exactly count of them.
bool splitFields(std::string_view line, std::string_view *fields, size_t count)
{
    size_t at = 0;
    for (size_t i = 0; i < count; ++i) {
        const size_t tab = line.find('\t', at);
        const bool last = i + 1 == count;
        if (last != (tab == std::string_view::npos))
            return false;
        fields[i] = line.substr(at, last ? std::string_view::npos : tab - at);
        at = tab + 1;
    }
    return true;
}

size_t fieldCount(std::string_view line)
{
    size_t count = 1;
    for (char c : line)
        count += c == '\t';
    return count;
}

std::optional<uint64_t> number(std::string_view text)
{
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

bool isMissing(std::string_view text)
{
    return text == "---";
}

std::optional<uint64_t> position(std::string_view text)
{
    return isMissing(text) ? std::optional<uint64_t>(0) : number(text);
}

// Java writes doubles as "0.013950992735694", "3.1209718E7" or "8.93996134374923E-4".
std::optional<double> value(std::string_view text)
{
    if (isMissing(text))
        return std::nan("");
    double result = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), result);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(result))
        return std::nullopt;
    return result;
}

size_t levelColumns(Level level, size_t domainColumns)
{
    return level == Level::Domain ? domainColumns : domainColumns - 1;
}

} // namespace

std::string levelName(Level level)
{
    return level == Level::Domain ? "domain" : "host";
}

bool isSiteName(std::string_view name)
{
    if (name.empty() || name.size() > kLongestName)
        return false;
    for (char c : name)
        if (c <= ' ' || c > '~')
            return false;
    return true;
}

std::optional<FileShape> fileShape(std::string_view firstLine)
{
    if (firstLine.starts_with(kRanksHeader)) {
        const size_t columns = fieldCount(firstLine);
        if (columns == 6 || columns == 5)
            return FileShape{FileKind::Ranks, columns == 6 ? Level::Domain : Level::Host};
        return std::nullopt;
    }
    std::string_view fields[3];
    if (splitFields(firstLine, fields, 2) && number(fields[0]) && number(fields[1]))
        return FileShape{FileKind::Edges, std::nullopt};
    for (Level level : {Level::Host, Level::Domain})
        if (parseVertex(firstLine, level))
            return FileShape{FileKind::Vertices, level};
    return std::nullopt;
}

std::optional<VertexLine> parseVertex(std::string_view line, Level level)
{
    std::string_view fields[3];
    if (!splitFields(line, fields, levelColumns(level, 3)))
        return std::nullopt;
    const std::optional<uint64_t> id = number(fields[0]);
    if (!id || !isSiteName(fields[1]))
        return std::nullopt;
    VertexLine vertex{*id, fields[1], 0};
    if (level == Level::Domain) {
        const std::optional<uint64_t> hosts = number(fields[2]);
        if (!hosts)
            return std::nullopt;
        vertex.hosts = *hosts;
    }
    return vertex;
}

namespace {

// The digits at at, which moves past them: a billion edges are read through here, where
// std::from_chars costs three times as much. Nineteen digits at most, so that none overflows.
bool digits(const char *&at, const char *end, uint64_t &value)
{
    const char *const start = at;
    uint64_t number = 0;
    while (at != end && unsigned(*at - '0') < 10 && at - start < 19)
        number = number * 10 + unsigned(*at++ - '0');
    value = number;
    return at != start;
}

} // namespace

bool parseEdge(std::string_view line, uint64_t &from, uint64_t &to)
{
    const char *at = line.data();
    const char *const end = at + line.size();
    if (!digits(at, end, from) || at == end || *at++ != '\t')
        return false;
    return digits(at, end, to) && at == end;
}

std::optional<RankLine> parseRank(std::string_view line, Level level)
{
    std::string_view fields[6];
    if (!splitFields(line, fields, levelColumns(level, 6)))
        return std::nullopt;
    const auto harmonicPosition = position(fields[0]);
    const auto harmonicValue = value(fields[1]);
    const auto pagerankPosition = position(fields[2]);
    const auto pagerankValue = value(fields[3]);
    if (!harmonicPosition || !harmonicValue || !pagerankPosition || !pagerankValue || !isSiteName(fields[4]))
        return std::nullopt;
    if (level == Level::Domain && !number(fields[5]))
        return std::nullopt;
    return RankLine{*harmonicPosition, *harmonicValue, *pagerankPosition, *pagerankValue, fields[4]};
}

namespace {

template <typename Value> char *writeShortest(char *text, Value value)
{
    if (std::isnan(value))
        return text;
    // Plain decimals where they stay short, as a spreadsheet shows them; else with an exponent.
    std::to_chars_result written = std::to_chars(text, text + kLongestValue, value, std::chars_format::fixed);
    if (written.ec != std::errc())
        written = std::to_chars(text, text + kLongestValue, value);
    return written.ptr;
}

} // namespace

char *writeValue(char *text, double value)
{
    return writeShortest(text, value);
}

char *writeValue(char *text, float value)
{
    // Past 2^24 a float's plain decimals are its exact whole number ("123877998592"), where the
    // double it reads as has its shortest digits ("123878000000").
    if (std::fabs(value) >= 0x1p24f)
        return writeShortest(text, floatValue(value));
    return writeShortest(text, value);
}

void appendValue(std::string &out, double value)
{
    char text[kLongestValue];
    out.append(text, writeValue(text, value));
}

double floatValue(float value)
{
    if (std::isnan(value))
        return std::nan("");
    char text[32];
    const char *end = std::to_chars(text, text + sizeof text, value).ptr;
    double read = 0;
    std::from_chars(text, end, read);
    return read;
}

bool isFloatValue(double value)
{
    return std::isnan(value) || floatValue(float(value)) == value;
}

std::string formatValue(double value)
{
    std::string text;
    appendValue(text, value);
    return text;
}

} // namespace graph
