#pragma once

#include "index/capture.h"
#include "index/indexwriter.h"
#include "progress.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <string>

namespace archive {
class Source;
class FileSource;
}

namespace indexer {

// What reading one input came to.
struct InputReport
{
    std::string name;
    int64_t records = 0;  // records of an archive, lines of a list
    int64_t pagesAdded = 0;
    int64_t pagesRecaptured = 0; // known pages of which it held another capture, later or earlier
    int64_t linksAdded = 0;
    std::map<std::string, int64_t> skipped; // records that gave no page, by why
    std::string error; // why the input could not be read whole; empty when it was
    bool added = false; // what could be read of it is in the index (or written out)
};

// Where the captures of the inputs go, input by input: the index, or a link list.
class CaptureSink
{
public:
    virtual ~CaptureSink() = default;
    virtual void beginInput() = 0;
    virtual linkindex::Added add(const linkindex::Capture &capture) = 0;
    virtual int64_t linksAdded() const = 0; // in this input so far
    virtual void commitInput(const InputReport &report) = 0;
    virtual void abandonInput() = 0;
};

// Thrown when stopping was asked for (Ctrl+C) while an input was read; that input was abandoned.
struct Interrupted
{
    std::string input;
};

// Reads inputs into a sink: archives (WARC and WAT, plain, gzip or zstd) record by record, and
// link lists. Pages are parsed on the threads given (one: all on the caller's thread), and reach
// the sink in the order of the input, so the result does not depend on the threads.
class Importer
{
public:
    Importer(CaptureSink &sink, unsigned threads, ProgressLine &progress, const std::atomic<bool> &stopAsked);

    // Reads input ("-": standard input) whole into the sink and commits it. An input that cannot
    // be opened, or is no archive or list, adds nothing; one that breaks off adds what came
    // before the break. Both say why in the report. Throws Interrupted, and what the sink throws
    // (the input is then abandoned).
    InputReport read(const std::string &input);
    // The same for bytes the program holds, read as an input named name.
    InputReport read(const std::string &name, archive::Source &bytes);

private:
    class Run;
    InputReport read(const std::string &name, archive::Source &bytes, const archive::FileSource *file);

    CaptureSink &m_sink;
    unsigned m_threads;
    ProgressLine &m_progress;
    const std::atomic<bool> &m_stopAsked;
};

} // namespace indexer
