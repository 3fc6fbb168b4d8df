#pragma once

#include "archive/source.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class QThread;

namespace graph {

// The body of an http(s) URL, delivered as it downloads and kept nowhere else: a download runs
// on a thread of its own (its own Qt event loop, so the reader needs none) and waits whenever
// the few megabytes between it and the reader are full. A download that breaks off is asked for
// again from where it stopped, a few times, without the reader noticing.
class HttpSource : public archive::Source
{
public:
    // Throws InputError when url is not an http(s) URL; everything else shows at read(). Qt
    // Network needs the process to have a QCoreApplication (on any thread, running or not).
    explicit HttpSource(const std::string &url);
    // Stops the download, even mid-transfer.
    ~HttpSource() override;
    HttpSource(const HttpSource &) = delete;
    HttpSource &operator=(const HttpSource &) = delete;

    // Throws InputError for an answer other than the body, or a download that broke off more
    // often than it may; the bytes received before that are delivered first.
    std::size_t read(char *into, std::size_t size) override;

    // The body's length when the server told it.
    std::optional<std::uint64_t> size() const;
    // Bytes delivered so far.
    std::uint64_t consumed() const;

private:
    struct Shared;
    class Download;
    class Worker;

    std::unique_ptr<Shared> m_shared;
    std::unique_ptr<QThread> m_thread;
};

} // namespace graph
