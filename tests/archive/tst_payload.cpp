#include "testdata.h"

#include "archive/errors.h"
#include "archive/payload.h"

#include <QtTest>

using namespace archive;

namespace {

// A page long enough that a cut through its compressed form leaves a good part of it.
std::string longPage()
{
    std::string page;
    for (int n = 0; page.size() < 200'000; ++n)
        page += "<p>paragraph " + std::to_string(n * 7919 % 100003) + "</p>\n";
    return page;
}

const std::string kPage = "<!DOCTYPE html><html><head><title>Tea</title></head><body>"
                          "<a href=\"http://b.example/\">b</a> and a paragraph long enough to compress</body></html>";

std::string chunked(std::string_view bytes, std::size_t chunk)
{
    std::string out;
    for (std::size_t at = 0; at < bytes.size(); at += chunk) {
        const std::string_view piece = bytes.substr(at, chunk);
        char size[20];
        std::snprintf(size, sizeof size, "%zx", piece.size());
        out += std::string(size) + "\r\n" + std::string(piece) + "\r\n";
    }
    return out + "0\r\n\r\n";
}

// The payload of a response with header and body, decoded with cap.
Payload decoded(PayloadDecoder &decoder, std::string &block, const std::string &header, const std::string &body)
{
    block = "HTTP/1.1 200 OK\r\n" + header + "\r\n" + body;
    const std::optional<HttpResponse> response = parseHttpResponse(block);
    if (!response)
        throw std::logic_error("no response");
    return decoder.decode(*response);
}

} // namespace

class PayloadTest : public QObject
{
    Q_OBJECT

private slots:
    void undoesTheCodingsItsHeadersName_data();
    void undoesTheCodingsItsHeadersName();
    void bodyCutShortGivesWhatItHolds_data();
    void bodyCutShortGivesWhatItHolds();
    void bombStopsAtTheCap_data();
    void bombStopsAtTheCap();
    void bodyNotInItsCodingIsAContentError_data();
    void bodyNotInItsCodingIsAContentError();
};

void PayloadTest::undoesTheCodingsItsHeadersName_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("payload");
    QTest::addRow("none") << QByteArray("Content-Type: text/html\r\n") << bytes(kPage) << bytes(kPage);
    QTest::addRow("identity") << QByteArray("Content-Encoding: identity\r\n") << bytes(kPage) << bytes(kPage);
    QTest::addRow("chunked") << QByteArray("Transfer-Encoding: chunked\r\n") << bytes(chunked(kPage, 10)) << bytes(kPage);
    QTest::addRow("chunked, sizes in upper case and extensions")
        << QByteArray("transfer-encoding: Chunked\r\n") << QByteArray("4F;name=value\r\n") + bytes(kPage.substr(0, 0x4f)) + "\r\n"
                                                               + QByteArray::number(qulonglong(kPage.size() - 0x4f), 16).toUpper() + " \r\n"
                                                               + bytes(kPage.substr(0x4f)) + "\r\n0\r\nX-Trailer: t\r\n\r\n" << bytes(kPage);
    QTest::addRow("chunked with bare line feeds") << QByteArray("Transfer-Encoding: chunked\r\n")
                                                  << QByteArray::number(qulonglong(kPage.size()), 16) + "\n" + bytes(kPage) + "\n0\n\n" << bytes(kPage);
    QTest::addRow("said chunked, is not") << QByteArray("Transfer-Encoding: chunked\r\n") << bytes(kPage) << bytes(kPage);
    QTest::addRow("said chunked, hex digits then text") << QByteArray("Transfer-Encoding: chunked\r\n") << QByteArray("cafe au lait\r\n") << QByteArray("cafe au lait\r\n");
    QTest::addRow("gzip") << QByteArray("Content-Encoding: gzip\r\n") << bytes(gzipped(kPage)) << bytes(kPage);
    QTest::addRow("x-gzip, in upper case") << QByteArray("Content-Encoding: X-GZIP\r\n") << bytes(gzipped(kPage)) << bytes(kPage);
    QTest::addRow("deflate with its zlib wrapper") << QByteArray("Content-Encoding: deflate\r\n") << bytes(zlibWrapped(kPage)) << bytes(kPage);
    QTest::addRow("deflate without it") << QByteArray("Content-Encoding: deflate\r\n") << bytes(rawDeflated(kPage)) << bytes(kPage);
    QTest::addRow("br") << QByteArray("Content-Encoding: br\r\n") << bytes(brotlied(kPage)) << bytes(kPage);
    QTest::addRow("gzip, then chunked") << QByteArray("Content-Encoding: gzip\r\nTransfer-Encoding: chunked\r\n")
                                        << bytes(chunked(gzipped(kPage), 7)) << bytes(kPage);
    QTest::addRow("gzip then br, in one field") << QByteArray("Content-Encoding: gzip, br\r\n") << bytes(brotlied(gzipped(kPage))) << bytes(kPage);
    QTest::addRow("deflate then gzip, in two fields") << QByteArray("Content-Encoding: deflate\r\nContent-Encoding: gzip\r\n")
                                                      << bytes(gzipped(zlibWrapped(kPage))) << bytes(kPage);
    QTest::addRow("gzip as a transfer coding") << QByteArray("Transfer-Encoding: gzip, chunked\r\n") << bytes(chunked(gzipped(kPage), 100)) << bytes(kPage);
    QTest::addRow("decoded by Common Crawl's crawler")
        << QByteArray("X-Crawler-Content-Encoding: gzip\r\nX-Crawler-Transfer-Encoding: chunked\r\nX-Crawler-Content-Length: 77\r\n"
                      "Content-Length: 168\r\n")
        << bytes(kPage) << bytes(kPage);
}

void PayloadTest::undoesTheCodingsItsHeadersName()
{
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, payload);
    PayloadDecoder decoder;
    std::string block;
    const Payload decodedPayload = decoded(decoder, block, header.toStdString(), body.toStdString());
    QCOMPARE(bytes(decodedPayload.bytes), payload);
    QVERIFY(!decodedPayload.cut);
}

void PayloadTest::bodyCutShortGivesWhatItHolds_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("atLeast"); // bytes of the page that must come out
    const std::string page = longPage();
    const std::string gzip = gzipped(page), br = brotlied(page), chunks = chunked(page, 1000);
    QTest::addRow("gzip cut in half") << QByteArray("Content-Encoding: gzip\r\n") << bytes(gzip.substr(0, gzip.size() / 2)) << 50'000;
    QTest::addRow("br cut in half") << QByteArray("Content-Encoding: br\r\n") << bytes(br.substr(0, br.size() / 2)) << 50'000;
    QTest::addRow("chunked cut inside a chunk") << QByteArray("Transfer-Encoding: chunked\r\n") << bytes(chunks.substr(0, 100'500))
                                                << 99'000;
    QTest::addRow("chunked cut inside a size line") << QByteArray("Transfer-Encoding: chunked\r\n")
                                                    << bytes(chunks.substr(0, chunks.find("\r\n", 100'500) + 1)) << 99'000;
    QTest::addRow("chunked gzip cut") << QByteArray("Content-Encoding: gzip\r\nTransfer-Encoding: chunked\r\n")
                                      << bytes(chunked(gzip, 999).substr(0, gzip.size() / 2)) << 50'000;
    QTest::addRow("gzip header only") << QByteArray("Content-Encoding: gzip\r\n") << bytes(gzip.substr(0, 5)) << 0;
}

void PayloadTest::bodyCutShortGivesWhatItHolds()
{
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, body);
    QFETCH(int, atLeast);
    const std::string page = longPage();
    PayloadDecoder decoder;
    std::string block;
    const Payload payload = decoded(decoder, block, header.toStdString(), body.toStdString());
    QVERIFY2(payload.bytes.size() >= std::size_t(atLeast), qPrintable(QString::number(payload.bytes.size())));
    QVERIFY(payload.bytes.size() < page.size());
    QCOMPARE(bytes(payload.bytes), bytes(page.substr(0, payload.bytes.size())));
    QVERIFY(!payload.cut);
}

void PayloadTest::bombStopsAtTheCap_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("cap");
    QTest::addRow("gzip, 1 GiB of zeros in a 1 MB member, at 16 MiB")
        << QByteArray("Content-Encoding: gzip\r\n") << bytes(gzipOfZeros(1024)) << int(kBodyCap);
    QTest::addRow("br, 64 MiB of zeros, at 1 MiB") << QByteArray("Content-Encoding: br\r\n") << bytes(brotlied(std::string(64 << 20, '\0')))
                                                   << (1 << 20);
    QTest::addRow("gzip inside gzip, at 1 MiB") << QByteArray("Content-Encoding: gzip, gzip\r\n") << bytes(gzipped(gzipOfZeros(64)))
                                                << (1 << 20);
    QTest::addRow("deflate, exactly the cap is no cut") << QByteArray("Content-Encoding: deflate\r\n")
                                                        << bytes(rawDeflated(std::string(1 << 20, 'z'))) << (1 << 20);
}

void PayloadTest::bombStopsAtTheCap()
{
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, body);
    QFETCH(int, cap);
    PayloadDecoder decoder{std::size_t(cap)};
    std::string block;
    const Payload payload = decoded(decoder, block, header.toStdString(), body.toStdString());
    QCOMPARE(payload.bytes.size(), std::size_t(cap));
    QCOMPARE(payload.cut, !header.contains("deflate"));
    QVERIFY(payload.bytes.find_first_not_of(payload.bytes.front()) == std::string_view::npos);
}

void PayloadTest::bodyNotInItsCodingIsAContentError_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("message");
    QTest::addRow("says gzip, is HTML") << QByteArray("Content-Encoding: gzip\r\n") << bytes(kPage)
                                        << "body is not gzip data as its header says: incorrect header check";
    QTest::addRow("says deflate, is HTML") << QByteArray("Content-Encoding: deflate\r\n") << bytes(kPage) << "body is not deflate data";
    QTest::addRow("says br, is HTML") << QByteArray("Content-Encoding: br\r\n") << bytes(kPage) << "body is not br data";
    std::string damaged = gzipped(kPage);
    damaged[damaged.size() - 6] ^= 0x5a; // in the trailer's CRC
    QTest::addRow("gzip that fails its check") << QByteArray("Content-Encoding: gzip\r\n") << bytes(damaged)
                                                << "body is not gzip data as its header says: incorrect data check";
    QTest::addRow("says br, is gzip") << QByteArray("Content-Encoding: br\r\n") << bytes(gzipped(kPage)) << "body is not br data";
    QTest::addRow("a coding nobody reads") << QByteArray("Content-Encoding: compress\r\n") << bytes(kPage)
                                           << "unsupported content coding \"compress\"";
    QTest::addRow("more codings than any page has") << QByteArray("Content-Encoding: gzip, gzip, gzip, gzip, gzip\r\n") << bytes(kPage)
                                                    << "body has 5 codings, more than 4";
}

void PayloadTest::bodyNotInItsCodingIsAContentError()
{
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, body);
    QFETCH(QString, message);
    PayloadDecoder decoder;
    std::string block;
    try {
        decoded(decoder, block, header.toStdString(), body.toStdString());
        QFAIL("the body was decoded");
    } catch (const ContentError &error) {
        QVERIFY2(QString::fromUtf8(error.what()).startsWith(message), error.what());
    }
    // The decoder goes on with the next body.
    QCOMPARE(bytes(decoded(decoder, block, "Content-Encoding: gzip\r\n", gzipped(kPage)).bytes), bytes(kPage));
}

QTEST_GUILESS_MAIN(PayloadTest)
#include "tst_payload.moc"
