#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace indexer {

// How far the reading of one input has come.
struct InputProgress
{
    std::string name;
    uint64_t bytesRead = 0;             // of the input as stored (compressed, if it is)
    std::optional<uint64_t> size;       // none for a stream
    int64_t records = 0;
    int64_t pages = 0;
    int64_t links = 0;
    double seconds = 0;
    // What records, pages and links count; a count without a word is not shown.
    std::array<const char *, 3> words = {"records", "pages", "links"};
};

// The progress of the inputs. Live (on a terminal), one line is redrawn as the input is read (at
// most a few times a second) and stays, complete, when the input is done; Lines writes the
// complete line alone when the input is done; Silent writes nothing.
class ProgressLine
{
public:
    enum class Mode { Live, Lines, Silent };
    ProgressLine(std::FILE *out, Mode mode);

    // Whether the line is to be redrawn, seconds into the input; then update() redraws it.
    bool due(double seconds) const;
    void update(const InputProgress &progress);
    void done(const InputProgress &progress);

private:
    std::FILE *m_out;
    Mode m_mode;
    double m_shownAt = -1;
};

// "12,345"
std::string groupedNumber(int64_t number);

} // namespace indexer
