#include "testdata.h"

#include "archive/decodingsource.h"
#include "archive/errors.h"
#include "archive/warcreader.h"

#include <QtTest>

using namespace archive;

namespace {

struct Outcome
{
    QStringList types; // of the records read
    QString error;     // the InputError's message, empty when the input read to its end
};

// Every record of input and its block, as the importer reads them.
Outcome readEverything(const std::string &input, std::size_t piece = std::string::npos)
{
    PieceSource raw(input, piece);
    DecodingSource decoded(raw);
    WarcReader reader(decoded);
    Outcome outcome;
    std::string block;
    try {
        while (const WarcRecord *record = reader.next()) {
            outcome.types << QString::fromUtf8(record->type());
            reader.readBlock(block);
        }
    } catch (const InputError &error) {
        outcome.error = QString::fromUtf8(error.what());
    }
    return outcome;
}

} // namespace

class WarcReaderTest : public QObject
{
    Q_OBJECT

private slots:
    void readsEveryVersion_data();
    void readsEveryVersion();
    void findsFieldsWhateverTheirCase_data();
    void findsFieldsWhateverTheirCase();
    void targetUriLosesItsAngleBrackets_data();
    void targetUriLosesItsAngleBrackets();
    void keepsBytesThatAreNoUtf8();
    void cutsTheBlockAtTheCapAndSkipsTheRest_data();
    void cutsTheBlockAtTheCapAndSkipsTheRest();
    void skipsBlocksNobodyReads_data();
    void skipsBlocksNobodyReads();
    void forgivesLineBreaksAroundRecords_data();
    void forgivesLineBreaksAroundRecords();
    void failureNamesRecordAndOffset_data();
    void failureNamesRecordAndOffset();
    void failureOfTheCompressionNamesTheRecord();
};

void WarcReaderTest::readsEveryVersion_data()
{
    QTest::addColumn<QString>("version");
    for (const char *version : {"1.0", "1.1", "0.17", "0.18"})
        QTest::addRow("WARC/%s", version) << QString::fromLatin1(version);
}

void WarcReaderTest::readsEveryVersion()
{
    QFETCH(QString, version);
    const std::string input = warcRecord("WARC-Type: response\r\nWARC-Date: 2024-05-18T01:58:10Z\r\n", "the block", version.toStdString())
                              + warcRecord("WARC-Type: request\r\n", "", version.toStdString());
    PieceSource raw(input);
    WarcReader reader(raw);
    const WarcRecord *record = reader.next();
    QVERIFY(record);
    QCOMPARE(QString::fromUtf8(record->version()), version);
    QCOMPARE(record->type(), std::string_view("response"));
    QCOMPARE(record->date(), std::optional<std::int64_t>(1715997490'000000));
    QCOMPARE(record->number(), std::uint64_t(1));
    std::string block;
    QVERIFY(!reader.readBlock(block));
    QCOMPARE(bytes(block), QByteArray("the block"));
    record = reader.next();
    QVERIFY(record);
    QCOMPARE(record->type(), std::string_view("request"));
    QCOMPARE(record->offset(), std::uint64_t(input.find("WARC/", 1)));
    QCOMPARE(record->contentLength(), std::uint64_t(0));
    QVERIFY(!reader.next());
}

void WarcReaderTest::findsFieldsWhateverTheirCase_data()
{
    QTest::addColumn<QString>("fields");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");
    QTest::addRow("written as the standard does") << "WARC-Type: response\r\n" << "WARC-Type" << "response";
    QTest::addRow("asked in lower case") << "WARC-Type: response\r\n" << "warc-type" << "response";
    QTest::addRow("written in upper case") << "WARC-TYPE: response\r\n" << "WARC-Type" << "response";
    QTest::addRow("blanks around the value") << "WARC-Type: \t response \t\r\n" << "WARC-Type" << "response";
    QTest::addRow("no blank after the colon") << "WARC-Type:response\r\n" << "WARC-Type" << "response";
    QTest::addRow("repeated: the first") << "WARC-Concurrent-To: <a>\r\nWARC-Concurrent-To: <b>\r\n" << "WARC-Concurrent-To" << "<a>";
    QTest::addRow("folded onto a second line") << "X-Note: first\r\n  second\r\nWARC-Type: response\r\n" << "X-Note" << "first    second";
    QTest::addRow("bare line feeds") << "WARC-Type: response\nX-Note: yes\n" << "X-Note" << "yes";
    QTest::addRow("empty value") << "X-Empty:\r\nWARC-Type: response\r\n" << "X-Empty" << "";
}

void WarcReaderTest::findsFieldsWhateverTheirCase()
{
    QFETCH(QString, fields);
    QFETCH(QString, name);
    QFETCH(QString, value);
    PieceSource raw(warcRecord(fields.toStdString(), "block"));
    WarcReader reader(raw);
    const WarcRecord *record = reader.next();
    QVERIFY(record);
    QCOMPARE(QString::fromUtf8(record->field(name.toStdString()).value_or("(none)")), value);
    QVERIFY(!record->field("WARC-Missing"));
}

void WarcReaderTest::targetUriLosesItsAngleBrackets_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("uri");
    QTest::addRow("as wget writes it") << "<http://a.example/page?x=1>" << "http://a.example/page?x=1";
    QTest::addRow("as the standard writes it") << "http://a.example/" << "http://a.example/";
    QTest::addRow("only an opening bracket") << "<http://a.example/" << "<http://a.example/";
    QTest::addRow("empty brackets") << "<>" << "";
    QTest::addRow("no field") << "" << "";
}

void WarcReaderTest::targetUriLosesItsAngleBrackets()
{
    QFETCH(QString, written);
    QFETCH(QString, uri);
    const std::string field = written.isEmpty() ? "" : "WARC-Target-URI: " + written.toStdString() + "\r\n";
    PieceSource raw(warcRecord(field, ""));
    WarcReader reader(raw);
    const WarcRecord *record = reader.next();
    QVERIFY(record);
    QCOMPARE(QString::fromUtf8(record->targetUri()), uri);
}

void WarcReaderTest::keepsBytesThatAreNoUtf8()
{
    const std::string uri = "http://a.example/caf\xe9\xff\xfe?q=\xc3\x28";
    const std::string title = "X-Title: \x80\xbf\xc0\xaf end";
    PieceSource raw(warcRecord("WARC-Target-URI: <" + uri + ">\r\n" + title + "\r\n", "\xff\xfe block")
                     + warcRecord("WARC-Type: request\r\n", ""));
    WarcReader reader(raw);
    const WarcRecord *record = reader.next();
    QVERIFY(record);
    QCOMPARE(bytes(record->targetUri()), bytes(uri));
    QCOMPARE(bytes(*record->field("X-Title")), QByteArray("\x80\xbf\xc0\xaf end"));
    std::string block;
    reader.readBlock(block);
    QCOMPARE(bytes(block), QByteArray("\xff\xfe block"));
    QVERIFY(reader.next());
}

void WarcReaderTest::cutsTheBlockAtTheCapAndSkipsTheRest_data()
{
    QTest::addColumn<int>("blockSize");
    QTest::addColumn<int>("cap");
    QTest::addColumn<bool>("cut");
    QTest::addRow("under the cap") << 100 << 1000 << false;
    QTest::addRow("exactly the cap") << 1000 << 1000 << false;
    QTest::addRow("one byte over") << 1001 << 1000 << true;
    QTest::addRow("far over, past the reader's buffer") << (3 << 20) << 1000 << true;
    QTest::addRow("cap of nothing") << 10 << 0 << true;
}

void WarcReaderTest::cutsTheBlockAtTheCapAndSkipsTheRest()
{
    QFETCH(int, blockSize);
    QFETCH(int, cap);
    QFETCH(bool, cut);
    std::string block(std::size_t(blockSize), 'b');
    for (std::size_t at = 0; at < block.size(); at += 997)
        block[at] = char('0' + at % 10);
    PieceSource raw(warcRecord("WARC-Type: response\r\n", block) + warcRecord("WARC-Type: request\r\n", "next"));
    WarcReader reader(raw);
    QVERIFY(reader.next());
    std::string read;
    QCOMPARE(reader.readBlock(read, std::size_t(cap)), cut);
    QCOMPARE(bytes(read), bytes(block.substr(0, std::size_t(cap))));
    const WarcRecord *next = reader.next();
    QVERIFY(next);
    QCOMPARE(next->type(), std::string_view("request"));
    QVERIFY(!reader.readBlock(read));
    QCOMPARE(bytes(read), QByteArray("next"));
}

void WarcReaderTest::skipsBlocksNobodyReads_data()
{
    QTest::addColumn<int>("piece");
    QTest::addColumn<bool>("gzip");
    QTest::addRow("all at once") << (1 << 30) << false;
    QTest::addRow("one byte a read") << 1 << false;
    QTest::addRow("seven bytes a read") << 7 << false;
    QTest::addRow("gzip member per record") << (1 << 30) << true;
}

void WarcReaderTest::skipsBlocksNobodyReads()
{
    QFETCH(int, piece);
    QFETCH(bool, gzip);
    QList<std::string> blocks;
    std::string input;
    for (int n = 0; n < 12; ++n) {
        blocks << std::string(std::size_t(n * n * 1000), char('a' + n)) + "end " + std::to_string(n);
        const std::string record = warcRecord("WARC-Type: resource\r\nX-Number: " + std::to_string(n) + "\r\n", blocks.back());
        input += gzip ? gzipped(record) : record;
    }
    PieceSource raw(input, std::size_t(piece));
    DecodingSource decoded(raw);
    WarcReader reader(decoded);
    std::string block;
    for (int n = 0; n < 12; ++n) {
        const WarcRecord *record = reader.next();
        QVERIFY(record);
        QCOMPARE(record->field("X-Number"), std::optional<std::string_view>(std::to_string(n)));
        QCOMPARE(record->number(), std::uint64_t(n + 1));
        // Every third block is read; the others are left to next().
        if (n % 3 == 0) {
            reader.readBlock(block);
            QCOMPARE(bytes(block), bytes(blocks[n]));
        }
    }
    QVERIFY(!reader.next());
}

void WarcReaderTest::forgivesLineBreaksAroundRecords_data()
{
    QTest::addColumn<QByteArray>("input");
    const std::string first = "WARC/1.0\r\nWARC-Type: warcinfo\r\nContent-Length: 4\r\n\r\ninfo";
    const std::string second = "WARC/1.0\r\nWARC-Type: response\r\nContent-Length: 2\r\n\r\nok";
    QTest::addRow("two CRLF, as the standard wants") << bytes(first + "\r\n\r\n" + second + "\r\n\r\n");
    QTest::addRow("none") << bytes(first + second);
    QTest::addRow("bare line feeds throughout") << bytes("WARC/1.0\nWARC-Type: warcinfo\nContent-Length: 4\n\ninfo\n\nWARC/1.0\nWARC-Type: response\nContent-Length: 2\n\nok\n\n");
    QTest::addRow("more than two") << bytes(first + "\r\n\r\n\r\n\r\n\n" + second + "\r\n");
}

void WarcReaderTest::forgivesLineBreaksAroundRecords()
{
    QFETCH(QByteArray, input);
    const Outcome outcome = readEverything(input.toStdString());
    QCOMPARE(outcome.error, QString());
    QCOMPARE(outcome.types, (QStringList{"warcinfo", "response"}));
}

void WarcReaderTest::failureNamesRecordAndOffset_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("types");
    QTest::addColumn<QString>("message");
    const std::string first = warcRecord("WARC-Type: warcinfo\r\n", "software: test");
    const QString second = QString::number(first.size());
    QTest::addRow("not a WARC at all") << QByteArray("<!DOCTYPE html><html>") << QStringList()
                                       << "not a WARC file: it starts with \"<!DOCTYPE html><html>\"";
    QTest::addRow("a link list") << QByteArray("source_url\tsource_title\ttarget_url\n") << QStringList()
                                 << "not a WARC file: it starts with \"source_url\\x09source_title\\x09target_url\\x0a\"";
    QTest::addRow("Content-Length past the end")
        << bytes(first + "WARC/1.0\r\nWARC-Type: response\r\nContent-Length: 100\r\n\r\n" + std::string(40, 'x')) << QStringList{"warcinfo", "response"}
        << "input ends inside record 2 (at byte " + second + "): Content-Length says 100, only 40 bytes follow";
    QTest::addRow("Content-Length of a terabyte")
        << bytes(first + "WARC/1.0\r\nWARC-Type: response\r\nContent-Length: 1000000000000\r\n\r\n" + std::string(40, 'x'))
        << QStringList{"warcinfo", "response"} << "Content-Length says 1000000000000, only 40 bytes follow";
    QTest::addRow("header line without end")
        << bytes(first + "WARC/1.0\r\nWARC-Type: response\r\nX-Long: " + std::string(200'000, 'a')) << QStringList{"warcinfo"}
        << "record 2 at byte " + second + ": header has no end within 64 KiB";
    QTest::addRow("input ends inside a header")
        << bytes(first + "WARC/1.0\r\nWARC-Type: resp") << QStringList{"warcinfo"} << "input ends inside the header of record 2 at byte " + second;
    QTest::addRow("no Content-Length") << bytes("WARC/1.0\r\nWARC-Type: response\r\n\r\nblock") << QStringList()
                                       << "record 1 at byte 0: no Content-Length";
    for (const char *length : {"-1", "+5", "12a", "0x10", "", "99999999999999999999"}) {
        QTest::addRow("Content-Length \"%s\"", length)
            << bytes(std::string("WARC/1.0\r\nContent-Length: ") + length + "\r\n\r\n") << QStringList()
            << QStringLiteral("record 1 at byte 0: invalid Content-Length \"%1\"").arg(QString::fromLatin1(length));
    }
    QTest::addRow("header line without a colon")
        << bytes(first + "WARC/1.0\r\nWARC-Type: response\r\nthis is no field\r\nContent-Length: 0\r\n\r\n") << QStringList{"warcinfo"}
        << "record 2 at byte " + second + ": malformed WARC header line \"this is no field\"";
    QTest::addRow("blank in a field name") << bytes("WARC/1.0\r\nContent Length: 0\r\n\r\n") << QStringList()
                                           << "malformed WARC header line \"Content Length: 0\"";
    QTest::addRow("unknown version") << bytes("WARC/2.0\r\nContent-Length: 0\r\n\r\n") << QStringList()
                                     << "record 1 at byte 0: unsupported WARC version line \"WARC/2.0\"";
    QTest::addRow("garbage between records")
        << bytes(first + "garbage" + first) << QStringList{"warcinfo"} << "no WARC record where record 2 should start, at byte " + second + ": \"garbage";
}

void WarcReaderTest::failureNamesRecordAndOffset()
{
    QFETCH(QByteArray, input);
    QFETCH(QStringList, types);
    QFETCH(QString, message);
    for (const std::size_t piece : {std::string::npos, std::size_t(1)}) {
        const Outcome outcome = readEverything(input.toStdString(), piece);
        QCOMPARE(outcome.types, types);
        QVERIFY2(outcome.error.contains(message), qPrintable(outcome.error));
    }
}

void WarcReaderTest::failureOfTheCompressionNamesTheRecord()
{
    std::string input;
    for (int n = 0; n < 3; ++n) {
        std::string block;
        for (int k = 0; k < 1000; ++k)
            block += std::to_string(k * 7919 % 10007) + ' ';
        input += gzipped(warcRecord("WARC-Type: resource\r\n", block));
    }
    const Outcome outcome = readEverything(input.substr(0, input.size() - 30));
    QCOMPARE(outcome.types, (QStringList{"resource", "resource", "resource"}));
    QVERIFY2(outcome.error.contains("gzip input ends at byte"), qPrintable(outcome.error));
    QVERIFY2(outcome.error.endsWith(", reading record 3"), qPrintable(outcome.error));
}

QTEST_GUILESS_MAIN(WarcReaderTest)
#include "tst_warcreader.moc"
