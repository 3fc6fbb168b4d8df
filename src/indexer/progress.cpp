#include "progress.h"

#include <cmath>

#include <sys/ioctl.h>
#include <unistd.h>

namespace indexer {

namespace {

constexpr double kRedrawSeconds = 0.2;

std::string megabytes(uint64_t bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", double(bytes) / 1e6);
    return text;
}

std::string duration(double seconds)
{
    const auto whole = int64_t(std::ceil(seconds));
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", (long long)(whole / 3600), (long long)(whole / 60 % 60),
                      (long long)(whole % 60));
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", (long long)(whole / 60), (long long)(whole % 60));
    return text;
}

bool readsBytes(const InputProgress &progress)
{
    return progress.bytesRead > 0 || progress.size;
}

std::string counts(const InputProgress &progress)
{
    std::string text;
    const int64_t numbers[] = {progress.records, progress.pages, progress.links};
    for (size_t i = 0; i < progress.words.size(); ++i)
        if (progress.words[i])
            text += (text.empty() ? "" : "  ") + std::string(progress.words[i]) + " " + groupedNumber(numbers[i]);
    if (progress.seconds > 0 && readsBytes(progress)) {
        char rate[32];
        std::snprintf(rate, sizeof rate, "  %.1f MB/s", double(progress.bytesRead) / 1e6 / progress.seconds);
        text += rate;
    }
    return text;
}

int terminalWidth(std::FILE *out)
{
    winsize size{};
    return ioctl(fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
}

} // namespace

std::string groupedNumber(int64_t number)
{
    std::string digits = std::to_string(number < 0 ? -number : number);
    for (auto at = int64_t(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(size_t(at), ",");
    return number < 0 ? "-" + digits : digits;
}

ProgressLine::ProgressLine(std::FILE *out, Mode mode) : m_out(out), m_mode(mode) { }

bool ProgressLine::due(double seconds) const
{
    return m_mode == Mode::Live && (m_shownAt < 0 || seconds - m_shownAt >= kRedrawSeconds);
}

void ProgressLine::update(const InputProgress &progress)
{
    m_shownAt = progress.seconds;
    // A stage of work after the inputs is counted, not read: it shows no bytes.
    std::string line = progress.name;
    if (progress.size && *progress.size > 0) {
        line += "  " + megabytes(progress.bytesRead);
        const double done = double(progress.bytesRead) / double(*progress.size);
        char percent[16];
        std::snprintf(percent, sizeof percent, "%.0f%%", 100 * done);
        line += " of " + megabytes(*progress.size) + " (" + percent;
        if (done > 0.01)
            line += ", ETA " + duration(progress.seconds * (1 - done) / done);
        line += ")";
    } else if (readsBytes(progress)) {
        line += "  " + megabytes(progress.bytesRead) + " read";
    }
    line += "  " + counts(progress);
    // A line that wraps could not be redrawn in place.
    auto width = size_t(terminalWidth(m_out) - 1);
    if (line.size() > width) {
        while (width > 0 && (static_cast<unsigned char>(line[width]) & 0xC0) == 0x80)
            --width;
        line.resize(width);
    }
    std::fprintf(m_out, "\r\033[K%s", line.c_str());
    std::fflush(m_out);
}

void ProgressLine::done(const InputProgress &progress)
{
    if (m_mode == Mode::Silent)
        return;
    if (m_mode == Mode::Live)
        std::fputs("\r\033[K", m_out);
    const std::string read = readsBytes(progress) ? "  " + megabytes(progress.bytesRead) : "";
    std::fprintf(m_out, "%s%s in %.1f s  %s\n", progress.name.c_str(), read.c_str(), progress.seconds,
                 counts(progress).c_str());
    std::fflush(m_out);
    m_shownAt = -1;
}

} // namespace indexer
