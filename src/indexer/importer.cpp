#include "importer.h"

#include "archive/decodingsource.h"
#include "archive/errors.h"
#include "archive/filesource.h"
#include "archive/lookahead.h"
#include "archive/warcreader.h"
#include "linklistreader.h"
#include "orderedmap.h"
#include "recordpages.h"

#include <chrono>
#include <thread>

namespace indexer {

namespace {

// What may be in flight between the reader and the writer: records read and not yet written.
constexpr size_t kMaxBytesInFlight = size_t(32) << 20;

constexpr std::string_view kArchiveStart = "WARC/";

const char *otherRecords(std::string_view type)
{
    static const std::map<std::string_view, const char *> reasons{
        {"warcinfo", "warcinfo records"},     {"request", "request records"},
        {"metadata", "metadata records"},     {"resource", "resource records"},
        {"revisit", "revisit records"},       {"conversion", "conversion records"},
        {"continuation", "continuation records"}};
    const auto known = reasons.find(type);
    return known == reasons.end() ? "records of other types" : known->second;
}

// The part of a record a worker needs, its block read only when it can hold a page.
ArchiveRecord work(archive::WarcReader &reader, const archive::WarcRecord &record)
{
    ArchiveRecord work;
    const std::string_view type = record.type();
    const std::string_view contentType = record.field("Content-Type").value_or(std::string_view());
    if (type == "response")
        work.kind = ArchiveRecord::Kind::Response;
    else if (type == "metadata" && contentType.substr(0, 16) == "application/json")
        work.kind = ArchiveRecord::Kind::Wat;
    else
        work.skipped = otherRecords(type);
    if (work.kind != ArchiveRecord::Kind::Other) {
        work.targetUri = record.targetUri();
        work.date = record.date();
        reader.readBlock(work.block);
    }
    return work;
}

} // namespace

// The reading of one input into the sink.
class Importer::Run
{
public:
    // file, when there is one, tells how far reading has come.
    Run(Importer &importer, const std::string &name, const archive::FileSource *file)
        : m_importer(importer), m_file(file), m_started(std::chrono::steady_clock::now())
    {
        report.name = name;
    }

    void archive(archive::Source &bytes)
    {
        archive::WarcReader reader(bytes);
        if (m_importer.m_threads <= 1) {
            try {
                while (const archive::WarcRecord *record = reader.next()) {
                    ArchiveRecord item = work(reader, *record);
                    consume(pageOfRecord(item));
                }
            } catch (const archive::InputError &error) {
                report.error = error.what();
            }
            return;
        }

        OrderedMap<ArchiveRecord, RecordPage> pages(m_importer.m_threads, pageOfRecord, kMaxBytesInFlight);
        std::string readError;
        std::thread reading([&] {
            try {
                while (const archive::WarcRecord *record = reader.next()) {
                    ArchiveRecord item = work(reader, *record);
                    const size_t weight = item.block.size() + sizeof item;
                    if (!pages.push(std::move(item), weight))
                        break;
                }
            } catch (const archive::InputError &error) {
                readError = error.what();
            }
            pages.close();
        });
        try {
            while (std::optional<RecordPage> page = pages.pop())
                consume(std::move(*page));
        } catch (...) {
            pages.stop();
            reading.join();
            throw;
        }
        reading.join();
        report.error = readError;
    }

    void list(archive::Source &bytes, int columns)
    {
        LinkListReader reader(bytes, columns);
        try {
            while (std::optional<ListCapture> capture = reader.next()) {
                for (const auto &[why, lines] : capture->skipped)
                    report.skipped[why] += lines;
                report.records += capture->lines - 1;
                consume({std::move(capture->capture), nullptr});
            }
        } catch (const archive::InputError &error) {
            report.error = error.what();
        }
    }

    void consume(RecordPage page)
    {
        ++report.records;
        if (page.capture) {
            switch (m_importer.m_sink.add(*page.capture)) {
            case linkindex::Added::NewPage:
                ++report.pagesAdded;
                break;
            case linkindex::Added::Later:
            case linkindex::Added::Earlier:
                ++report.pagesRecaptured;
                break;
            case linkindex::Added::SameMoment:
                break;
            }
        } else if (page.skipped) {
            ++report.skipped[page.skipped];
        }
        report.linksAdded = m_importer.m_sink.linksAdded();
        // Most records pass without a redraw: the progress is only gathered when one is due.
        if (m_importer.m_progress.due(elapsedSeconds()))
            m_importer.m_progress.update(progress());
        if (m_importer.m_stopAsked.load(std::memory_order_relaxed))
            throw Interrupted{report.name};
    }

    double elapsedSeconds() const
    {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_started).count();
    }

    InputProgress progress() const
    {
        return {report.name,
                m_file ? m_file->consumed() : 0,
                m_file ? m_file->size() : std::nullopt,
                report.records,
                report.pagesAdded + report.pagesRecaptured,
                report.linksAdded,
                elapsedSeconds()};
    }

    InputReport report;

private:
    Importer &m_importer;
    const archive::FileSource *m_file;
    std::chrono::steady_clock::time_point m_started;
};

Importer::Importer(CaptureSink &sink, unsigned threads, ProgressLine &progress, const std::atomic<bool> &stopAsked)
    : m_sink(sink), m_threads(threads), m_progress(progress), m_stopAsked(stopAsked)
{ }

InputReport Importer::read(const std::string &input)
{
    std::unique_ptr<archive::FileSource> file;
    try {
        file = std::make_unique<archive::FileSource>(input);
    } catch (const archive::InputError &error) {
        InputReport report;
        report.name = input;
        report.error = error.what();
        return report;
    }
    return read(input, *file, file.get());
}

InputReport Importer::read(const std::string &name, archive::Source &bytes)
{
    return read(name, bytes, nullptr);
}

InputReport Importer::read(const std::string &name, archive::Source &raw, const archive::FileSource *file)
{
    Run run(*this, name, file);
    try {
        archive::DecodingSource decoded(raw);
        archive::Lookahead bytes(decoded);
        const std::string_view start = bytes.peek(512);
        const std::optional<int> columns = listColumns(start.substr(0, start.find('\n')));
        if (start.substr(0, kArchiveStart.size()) != kArchiveStart && !columns) {
            run.report.error = start.empty() ? "it is empty, not a web archive (WARC or WAT) or a link list"
                                             : "not a web archive (WARC or WAT) or a link list: it starts with "
                                                   + archive::excerpt(start);
            return run.report;
        }
        m_sink.beginInput();
        try {
            if (columns)
                run.list(bytes, *columns);
            else
                run.archive(bytes);
            m_sink.commitInput(run.report);
        } catch (...) {
            m_sink.abandonInput();
            throw;
        }
    } catch (const archive::InputError &error) {
        // Before the first record: nothing of the input was read.
        run.report.error = error.what();
        return run.report;
    }
    run.report.added = true;
    m_progress.done(run.progress());
    return run.report;
}

} // namespace indexer
