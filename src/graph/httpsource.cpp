#include "httpsource.h"

#include "archive/errors.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <stdexcept>

namespace graph {

namespace {

// What the reader has not taken yet; the download waits while it is full, so memory stays
// bounded whatever the body's size.
constexpr std::size_t kBufferCapacity = 4 << 20;
// Qt's own buffer behind that, which its HTTP thread fills from the socket.
constexpr qint64 kReplyBuffer = 1 << 20;
constexpr int kRetries = 5;
constexpr int kRetryPauseMs = 100;

} // namespace

struct HttpSource::Shared
{
    explicit Shared(std::string url) : url(std::move(url)) {}

    const std::string url;
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<QByteArray> pieces;
    std::size_t taken = 0; // of pieces.front()
    std::size_t buffered = 0;
    // The download waits for the reader to take from a full buffer.
    bool paused = false;
    bool ended = false;
    std::optional<std::string> failure;
    Download *download = nullptr;
    std::atomic<std::uint64_t> consumed = 0;
    std::atomic<std::int64_t> size = -1;
};

// Lives on the download thread: one request after another until the body is whole.
class HttpSource::Download : public QObject
{
public:
    explicit Download(Shared &shared) : m_shared(shared), m_url(QString::fromStdString(shared.url)) { start(); }
    ~Download() override { drop(); }

    // Moves what the reply holds into the reader's buffer, as far as it has room.
    void pull()
    {
        if (!m_reply || (!m_accepted && !accept()))
            return;
        std::unique_lock lock(m_shared.mutex);
        while (m_shared.buffered < kBufferCapacity) {
            QByteArray piece = m_reply->read(qint64(kBufferCapacity - m_shared.buffered));
            if (piece.isEmpty())
                break;
            const qsizetype dropped = qsizetype(std::min<std::uint64_t>(m_alreadyHave, std::uint64_t(piece.size())));
            m_alreadyHave -= std::uint64_t(dropped);
            piece.remove(0, dropped);
            m_received += std::uint64_t(piece.size());
            m_shared.buffered += std::size_t(piece.size());
            if (!piece.isEmpty())
                m_shared.pieces.push_back(std::move(piece));
        }
        m_shared.paused = m_shared.buffered >= kBufferCapacity;
        const bool drained = !m_shared.paused && m_reply->isFinished() && m_reply->bytesAvailable() == 0;
        lock.unlock();
        m_shared.changed.notify_all();
        if (drained)
            finish();
    }

private:
    void start()
    {
        QNetworkRequest request(m_url);
        // The bytes as stored: offsets of a resumed request must be offsets in the file.
        request.setRawHeader("Accept-Encoding", "identity");
        if (m_received > 0)
            request.setRawHeader("Range", "bytes=" + QByteArray::number(m_received) + '-');
        m_accepted = false;
        m_attemptStart = m_received;
        m_alreadyHave = 0;
        m_reply = m_manager.get(request);
        m_reply->setReadBufferSize(kReplyBuffer);
        connect(m_reply, &QNetworkReply::readyRead, this, &Download::pull);
        connect(m_reply, &QNetworkReply::finished, this, &Download::pull);
    }

    // Whether the reply's status lets its body be read on from m_received.
    bool accept()
    {
        const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (!status.isValid()) {
            if (m_reply->isFinished())
                brokeOff(m_reply->errorString().toStdString());
            return false;
        }
        const int code = status.toInt();
        const std::string answer = "HTTP " + std::to_string(code) + ' '
            + m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().toStdString();
        if (code >= 500) {
            brokeOff(answer);
            return false;
        }
        std::optional<std::uint64_t> total;
        if (code == 200) {
            // A server that ignores Range sends the body from its start again.
            m_alreadyHave = m_received;
            if (const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader); length.isValid())
                total = length.toULongLong();
        } else if (code == 206 && m_received > 0) {
            // "bytes first-last/total", total possibly "*"
            const QByteArray range = m_reply->rawHeader("Content-Range");
            const qsizetype dash = range.indexOf('-'), slash = range.indexOf('/');
            bool numeric = false;
            const std::uint64_t first = range.startsWith("bytes ") && dash > 0 ? range.mid(6, dash - 6).trimmed().toULongLong(&numeric) : 0;
            if (!numeric || first != m_received) {
                fail(m_shared.url + ": asked for the bytes from " + std::to_string(m_received) + " on, the server answered with "
                     + archive::excerpt(range.toStdString()));
                return false;
            }
            bool known = false;
            const std::uint64_t whole = slash > 0 ? range.mid(slash + 1).toULongLong(&known) : 0;
            if (known)
                total = whole;
        } else {
            fail(m_shared.url + ": " + answer);
            return false;
        }
        const std::int64_t before = m_shared.size.load();
        if (total && before >= 0 && *total != std::uint64_t(before)) {
            fail(m_shared.url + ": the file changed on the server during the download (" + std::to_string(before)
                 + " bytes, then " + std::to_string(*total) + ")");
            return false;
        }
        if (total)
            m_shared.size = std::int64_t(*total);
        m_accepted = true;
        return true;
    }

    void finish()
    {
        const std::int64_t size = m_shared.size.load();
        if (m_reply->error() == QNetworkReply::NoError && (size < 0 || m_received == std::uint64_t(size))) {
            drop();
            {
                std::lock_guard lock(m_shared.mutex);
                m_shared.ended = true;
            }
            m_shared.changed.notify_all();
            return;
        }
        brokeOff(m_reply->error() == QNetworkReply::NoError
                     ? "the body ended after " + std::to_string(m_received) + " of " + std::to_string(size) + " bytes"
                     : m_reply->errorString().toStdString());
    }

    void brokeOff(const std::string &why)
    {
        drop();
        // Only breaks in a row count: a long download may break now and then.
        if (m_received > m_attemptStart)
            m_failures = 0;
        if (++m_failures > kRetries) {
            fail(m_shared.url + ": the download broke off after " + std::to_string(m_received) + " bytes, "
                 + std::to_string(kRetries) + " retries in a row failed: " + why);
            return;
        }
        QTimer::singleShot(kRetryPauseMs * m_failures, this, &Download::start);
    }

    void fail(std::string message)
    {
        drop();
        {
            std::lock_guard lock(m_shared.mutex);
            m_shared.failure = std::move(message);
        }
        m_shared.changed.notify_all();
    }

    void drop()
    {
        if (!m_reply)
            return;
        // Deleted, not aborted: this may run inside the reply's own signal, where Qt's abort
        // reports its error twice. Deleting an unfinished reply aborts it.
        m_reply->disconnect(this);
        m_reply->deleteLater();
        m_reply = nullptr;
    }

    Shared &m_shared;
    const QUrl m_url;
    QNetworkAccessManager m_manager;
    QNetworkReply *m_reply = nullptr;
    bool m_accepted = false;
    std::uint64_t m_received = 0;     // body bytes handed to the reader's buffer, over all requests
    std::uint64_t m_attemptStart = 0; // m_received when the current request was made
    std::uint64_t m_alreadyHave = 0;  // bytes at the start of this reply the reader already has
    int m_failures = 0;
};

class HttpSource::Worker : public QThread
{
public:
    explicit Worker(Shared &shared) : m_shared(shared) {}

private:
    void run() override
    {
        Download download(m_shared);
        {
            std::lock_guard lock(m_shared.mutex);
            m_shared.download = &download;
        }
        exec();
        std::lock_guard lock(m_shared.mutex);
        m_shared.download = nullptr;
    }

    Shared &m_shared;
};

HttpSource::HttpSource(const std::string &url) : m_shared(std::make_unique<Shared>(url))
{
    const QUrl parsed(QString::fromStdString(url), QUrl::StrictMode);
    if (!parsed.isValid() || (parsed.scheme() != "http" && parsed.scheme() != "https") || parsed.host().isEmpty())
        throw archive::InputError(archive::excerpt(url) + " is not an http(s) URL");
    // Without one Qt's HTTP thread never answers: fail loudly instead of waiting forever.
    if (!QCoreApplication::instance())
        throw std::logic_error("HttpSource needs a QCoreApplication");
    m_thread = std::make_unique<Worker>(*m_shared);
    m_thread->setObjectName("download");
    m_thread->start();
}

HttpSource::~HttpSource()
{
    // A quit before the loop runs makes it return at once.
    m_thread->quit();
    m_thread->wait();
}

std::size_t HttpSource::read(char *into, std::size_t size)
{
    Shared &shared = *m_shared;
    std::unique_lock lock(shared.mutex);
    shared.changed.wait(lock, [&] { return shared.buffered > 0 || shared.ended || shared.failure; });
    if (shared.buffered == 0) {
        if (shared.failure)
            throw archive::InputError(*shared.failure);
        return 0;
    }
    std::size_t done = 0;
    while (done < size && !shared.pieces.empty()) {
        const QByteArray &piece = shared.pieces.front();
        const std::size_t part = std::min(size - done, std::size_t(piece.size()) - shared.taken);
        std::memcpy(into + done, piece.constData() + shared.taken, part);
        done += part;
        shared.taken += part;
        if (shared.taken == std::size_t(piece.size())) {
            shared.pieces.pop_front();
            shared.taken = 0;
        }
    }
    shared.buffered -= done;
    shared.consumed.fetch_add(done, std::memory_order_relaxed);
    if (shared.paused && shared.buffered <= kBufferCapacity / 2) {
        shared.paused = false;
        Download *download = shared.download;
        QMetaObject::invokeMethod(download, [download] { download->pull(); }, Qt::QueuedConnection);
    }
    return done;
}

std::optional<std::uint64_t> HttpSource::size() const
{
    const std::int64_t size = m_shared->size.load(std::memory_order_relaxed);
    return size < 0 ? std::nullopt : std::optional<std::uint64_t>(std::uint64_t(size));
}

std::uint64_t HttpSource::consumed() const
{
    return m_shared->consumed.load(std::memory_order_relaxed);
}

} // namespace graph
