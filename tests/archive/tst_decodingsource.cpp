#include "testdata.h"

#include "archive/decodingsource.h"
#include "archive/errors.h"
#include "archive/filesource.h"
#include "archive/lookahead.h"

#include <QTemporaryFile>
#include <QtTest>

using namespace archive;

namespace {

// Three records, the middle one larger than any buffer on the way, so that every layer has to
// deliver it in several reads.
QList<std::string> threeRecords()
{
    std::string large;
    for (int line = 0; large.size() < (std::size_t(1) << 20) + 12345; ++line)
        large += "<p>line " + std::to_string(line * 7919 % 100003) + " of a long page</p>\n";
    return {warcRecord("WARC-Type: warcinfo\r\n", "software: test\r\n"),
            warcRecord("WARC-Type: response\r\nWARC-Target-URI: http://a.example/\r\n", "HTTP/1.1 200 OK\r\n\r\n" + large),
            warcRecord("WARC-Type: metadata\r\n", "fetchTimeMs: 12\r\n")};
}

std::string joined(const QList<std::string> &parts)
{
    std::string all;
    for (const std::string &part : parts)
        all += part;
    return all;
}

} // namespace

class DecodingSourceTest : public QObject
{
    Q_OBJECT

private slots:
    void decodesWhateverTheCompression_data();
    void decodesWhateverTheCompression();
    void streamCutShortDeliversItsStartThenNamesTheOffset_data();
    void streamCutShortDeliversItsStartThenNamesTheOffset();
    void brokenStreamIsAnInputError_data();
    void brokenStreamIsAnInputError();
    void lookaheadShowsBytesStillToBeRead();
    void fileSourceReportsSizeAndProgress();
    void missingFileIsAnInputError();
};

void DecodingSourceTest::decodesWhateverTheCompression_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("piece");
    const QList<std::string> records = threeRecords();
    std::string perRecordGzip, perRecordZstd;
    for (const std::string &record : records) {
        perRecordGzip += gzipped(record, "sl\x04\0abcd");
        perRecordZstd += zstdFramed(record);
    }
    const std::string whole = joined(records);
    for (const int piece : {1 << 30, 1}) {
        const QByteArray pieces = piece == 1 ? " in one-byte reads" : "";
        QTest::addRow("plain%s", pieces.data()) << bytes(whole) << piece;
        QTest::addRow("gzip member per record, FEXTRA FNAME FCOMMENT%s", pieces.data()) << bytes(perRecordGzip) << piece;
        QTest::addRow("gzip of the whole file%s", pieces.data()) << bytes(gzipped(whole)) << piece;
        QTest::addRow("zstd frame per record%s", pieces.data()) << bytes(perRecordZstd) << piece;
        QTest::addRow("zstd of the whole file%s", pieces.data()) << bytes(zstdFramed(whole)) << piece;
    }
    QTest::addRow("empty gzip member between records")
        << bytes(gzipped(records[0]) + gzipped("") + gzipped(records[1] + records[2])) << (1 << 30);
}

void DecodingSourceTest::decodesWhateverTheCompression()
{
    QFETCH(QByteArray, input);
    QFETCH(int, piece);
    PieceSource raw(input.toStdString(), std::size_t(piece));
    DecodingSource decoded(raw);
    QCOMPARE(bytes(readAll(decoded, 4093)), bytes(joined(threeRecords())));
}

void DecodingSourceTest::streamCutShortDeliversItsStartThenNamesTheOffset_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("delivered");
    QTest::addColumn<QString>("message");
    const QList<std::string> records = threeRecords();
    const std::string firstTwo = gzipped(records[0]) + gzipped(records[1]);
    const std::string last = gzipped(records[2]);
    QTest::addRow("gzip, last member cut in half")
        << bytes(firstTwo + last.substr(0, last.size() / 2)) << bytes(records[0] + records[1])
        << QStringLiteral("gzip input ends at byte %1 inside the member that starts at byte %2").arg(firstTwo.size() + last.size() / 2).arg(firstTwo.size());
    QTest::addRow("gzip, trailer missing")
        << bytes(firstTwo + last.substr(0, last.size() - 8)) << bytes(records[0] + records[1] + records[2])
        << QStringLiteral("inside the member that starts at byte %1").arg(firstTwo.size());
    const std::string zstd = zstdFramed(records[0]) + zstdFramed(records[2]);
    QTest::addRow("zstd, last frame cut")
        << bytes(zstd.substr(0, zstd.size() - 3)) << bytes(records[0]) << QStringLiteral("zstd input ends at byte %1 inside a frame").arg(zstd.size() - 3);
}

void DecodingSourceTest::streamCutShortDeliversItsStartThenNamesTheOffset()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, delivered);
    QFETCH(QString, message);
    PieceSource raw(input.toStdString());
    DecodingSource decoded(raw);
    std::string got;
    char piece[777];
    try {
        while (const std::size_t size = decoded.read(piece, sizeof piece))
            got.append(piece, size);
        QFAIL("the stream read to its end");
    } catch (const InputError &error) {
        QVERIFY2(QString::fromUtf8(error.what()).contains(message), error.what());
    }
    QVERIFY(bytes(got).startsWith(delivered));
}

void DecodingSourceTest::brokenStreamIsAnInputError_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("message");
    const std::string member = gzipped(std::string(5000, 'x') + "different bytes at the end");
    std::string flipped = member;
    flipped[flipped.size() / 2] ^= 0x55;
    flipped[flipped.size() / 2 + 1] ^= 0x55;
    QTest::addRow("gzip data damaged") << bytes(flipped) << QStringLiteral("gzip data broken");
    QTest::addRow("no gzip after a member") << bytes(member + "WARC/1.0\r\n") << QStringLiteral("in the member that starts at byte %1").arg(member.size());
    QTest::addRow("zstd magic, then no frame") << bytes(zstdFramed("x").substr(0, 4) + std::string(20, '\xff')) << QStringLiteral("zstd data broken");
}

void DecodingSourceTest::brokenStreamIsAnInputError()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, message);
    PieceSource raw(input.toStdString());
    DecodingSource decoded(raw);
    try {
        readAll(decoded);
        QFAIL("broken input was read to its end");
    } catch (const InputError &error) {
        QVERIFY2(QString::fromUtf8(error.what()).contains(message), error.what());
    }
}

void DecodingSourceTest::lookaheadShowsBytesStillToBeRead()
{
    PieceSource raw("WARC/1.0\r\nrest of the input", 3);
    Lookahead ahead(raw);
    QCOMPARE(ahead.peek(5), std::string_view("WARC/"));
    QCOMPARE(ahead.peek(2), std::string_view("WA"));
    QCOMPARE(ahead.skip(1), std::uint64_t(1));
    QCOMPARE(ahead.peek(100), std::string_view("ARC/1.0\r\nrest of the input"));
    QCOMPARE(bytes(readAll(ahead, 4)), QByteArray("ARC/1.0\r\nrest of the input"));
    QCOMPARE(ahead.peek(5), std::string_view());
}

void DecodingSourceTest::fileSourceReportsSizeAndProgress()
{
    QTemporaryFile file;
    QVERIFY(file.open());
    const std::string content = gzipped(joined(threeRecords()));
    file.write(bytes(content));
    file.close();

    FileSource raw(file.fileName().toStdString());
    QCOMPARE(raw.size(), std::optional<std::uint64_t>(content.size()));
    char head[10];
    QCOMPARE(raw.read(head, sizeof head), sizeof head);
    QCOMPARE(raw.consumed(), std::uint64_t(10));
    QCOMPARE(raw.skip(100), std::uint64_t(100));
    QCOMPARE(raw.consumed(), std::uint64_t(110));
    QCOMPARE(raw.skip(content.size()), std::uint64_t(content.size() - 110));
    QCOMPARE(raw.read(head, sizeof head), std::size_t(0));

    FileSource again(file.fileName().toStdString());
    DecodingSource decoded(again);
    QCOMPARE(bytes(readAll(decoded, 1 << 16)), bytes(joined(threeRecords())));
    QCOMPARE(again.consumed(), std::uint64_t(content.size()));
}

void DecodingSourceTest::missingFileIsAnInputError()
{
    try {
        FileSource raw("/nonexistent/input.warc.gz");
        QFAIL("a missing file was opened");
    } catch (const InputError &error) {
        QVERIFY2(QString::fromUtf8(error.what()).contains("cannot open /nonexistent/input.warc.gz"), error.what());
    }
}

QTEST_GUILESS_MAIN(DecodingSourceTest)
#include "tst_decodingsource.moc"
