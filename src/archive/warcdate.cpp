#include "warcdate.h"

#include <chrono>
#include <cstdio>

namespace archive {

namespace {

// The unsigned decimal number of exactly the digits text[at, at + length), or -1.
int digitsAt(std::string_view text, std::size_t at, std::size_t length)
{
    int value = 0;
    for (const char c : text.substr(at, length)) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

std::optional<std::int64_t> parseWarcDate(std::string_view text)
{
    using namespace std::chrono;
    // YYYY-MM-DDThh:mm:ss, then an optional fraction, then Z.
    constexpr std::string_view kShape = "0000-00-00T00:00:00";
    if (text.size() < kShape.size() + 1 || text.back() != 'Z')
        return std::nullopt;
    for (std::size_t at = 0; at < kShape.size(); ++at) {
        if (kShape[at] != '0' && text[at] != kShape[at])
            return std::nullopt;
    }
    const int year = digitsAt(text, 0, 4), month = digitsAt(text, 5, 2), day = digitsAt(text, 8, 2);
    const int hour = digitsAt(text, 11, 2), minute = digitsAt(text, 14, 2), second = digitsAt(text, 17, 2);
    const year_month_day date{std::chrono::year(year), std::chrono::month(unsigned(month)), std::chrono::day(unsigned(day))};
    if (year < 0 || month < 0 || day < 0 || !date.ok() || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;

    std::int64_t fraction = 0;
    const std::string_view rest = text.substr(kShape.size(), text.size() - kShape.size() - 1);
    if (!rest.empty()) {
        if (rest.size() < 2 || rest.size() > 10 || rest[0] != '.')
            return std::nullopt;
        const std::string_view digits = rest.substr(1);
        std::int64_t scale = 100000;
        for (const char c : digits) {
            if (c < '0' || c > '9')
                return std::nullopt;
            fraction += (c - '0') * scale;
            scale /= 10;
        }
    }
    const auto instant = sys_days(date) + hours(hour) + minutes(minute) + seconds(second);
    return duration_cast<microseconds>(instant.time_since_epoch()).count() + fraction;
}

std::string formatWarcDate(std::int64_t microseconds)
{
    using namespace std::chrono;
    const sys_time<std::chrono::microseconds> instant{std::chrono::microseconds(microseconds)};
    const auto day = floor<days>(instant);
    const year_month_day date(day);
    const hh_mm_ss time(floor<seconds>(instant) - day);
    const auto fraction = (instant - floor<seconds>(instant)).count();

    char text[40];
    int length = std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02lld", int(date.year()), unsigned(date.month()),
                               unsigned(date.day()), int(time.hours().count()), int(time.minutes().count()),
                               static_cast<long long>(time.seconds().count()));
    if (fraction != 0) {
        length += std::snprintf(text + length, sizeof text - std::size_t(length), ".%06lld", static_cast<long long>(fraction));
        while (text[length - 1] == '0')
            --length;
    }
    return std::string(text, std::size_t(length)) + 'Z';
}

} // namespace archive
