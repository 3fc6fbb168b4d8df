#include "testdata.h"

#include "archive/errors.h"
#include "archive/watrecord.h"

#include <QtTest>

#include <algorithm>

using namespace archive;

namespace {

// WAT JSON written with ` for ", which keeps it readable here.
std::string withQuotes(const QByteArray &text)
{
    std::string converted = text.toStdString();
    std::replace(converted.begin(), converted.end(), '`', '"');
    return converted;
}

// A WAT record of a response as Common Crawl writes it, the parts of no interest here included.
const char *const kResponsePage = "{`Container`:{`IsCompressed`:true,`Gzip-Metadata`:{`Inflated-Length`:`5331`},`Filename`:`CC-MAIN-x.warc.gz`,`Offset`:`1234`},"
"`Envelope`:{`Format`:`WARC`,`WARC-Header-Length`:`650`,`Actual-Content-Length`:`4681`,`Block-Digest`:`sha1:X`,"
"`WARC-Header-Metadata`:{`WARC-Type`:`response`,`WARC-Date`:`2024-05-18T01:58:10Z`,`WARC-Record-ID`:`<urn:uuid:1>`,`Content-Length`:`4681`,"
"`Content-Type`:`application/http; msgtype=response`,`WARC-Target-URI`:`https://a.example/tea/`,`WARC-IP-Address`:`192.0.2.1`},"
"`Payload-Metadata`:{`Actual-Content-Type`:`application/http; msgtype=response`,`HTTP-Response-Metadata`:{`Headers-Length`:`320`,"
"`Entity-Length`:`4361`,`Entity-Trailing-Slop-Length`:`0`,`Response-Message`:{`Version`:`HTTP/1.1`,`Status`:`200`,`Reason`:`OK`},"
"`Headers`:{`Date`:`Sat, 18 May 2024 01:58:10 GMT`,`content-type`:`text/html; charset=UTF-8`,`Set-Cookie`:[`a=1`,`b=2`],`X-Crawler-Content-Encoding`:`gzip`},"
"`HTML-Metadata`:{`Head`:{`Title`:`Tea \\u00e9 \\u0022quoted\\u0022 \\/ slash`,`Base`:`https://cdn.a.example/`,`Metas`:[{`name`:`viewport`,`content`:`width`}],"
"`Link`:[{`path`:`LINK@/href`,`url`:`/style.css`,`rel`:`stylesheet`}]},"
"`Links`:[{`path`:`A@/href`,`url`:`https://b.example/x`,`text`:`B's page`,`rel`:`nofollow ugc`},{`path`:`IMG@/src`,`url`:`/logo.png`,`alt`:`logo`},"
"{`path`:`AREA@/href`,`url`:`/map`},{`path`:`STYLE/#text`,`href`:`bg.png`},{},{`path`:`A@/href`,`url`:`#top`,`target`:`_self`,`title`:`Top`}]},"
"`Entity-Digest`:`sha1:Y`}}}}";

const char *const kRedirect = "{`Envelope`:{`WARC-Header-Metadata`:{`WARC-Type`:`response`,`WARC-Target-URI`:`http://a.example/old`},"
"`Payload-Metadata`:{`HTTP-Response-Metadata`:{`Response-Message`:{`Version`:`HTTP/1.1`,`Status`:`301`,`Reason`:`Moved Permanently`},"
"`Headers`:{`LOCATION`:`https://a.example/new`,`Content-Length`:`0`}}}}}";

const char *const kRequest = "{`Envelope`:{`WARC-Header-Metadata`:{`WARC-Type`:`request`,`WARC-Target-URI`:`http://a.example/`},"
"`Payload-Metadata`:{`Actual-Content-Type`:`application/http; msgtype=request`,`HTTP-Request-Metadata`:{`Request-Message`:{`Method`:`GET`,`Path`:`/`,`Version`:`HTTP/1.1`},"
"`Headers`:{`Host`:`a.example`}}}}}";

const char *const kMetadata = "{`Envelope`:{`WARC-Header-Metadata`:{`WARC-Type`:`metadata`,`WARC-Target-URI`:`http://a.example/`},"
"`Payload-Metadata`:{`Actual-Content-Type`:`application/warc-fields`,`WARC-Metadata-Metadata`:{`Metadata-Records`:[{`Name`:`fetchTimeMs`,`Value`:`120`}]}}}}";

const char *const kStatusAsNumberHeaderTwice = "{`Envelope`:{`WARC-Header-Metadata`:{`WARC-Type`:`response`},"
"`Payload-Metadata`:{`HTTP-Response-Metadata`:{`Response-Message`:{`Status`:404},`Headers`:{`Content-Type`:[`text/html`,`text/plain`]}}}}}";

} // namespace

class WatRecordTest : public QObject
{
    Q_OBJECT

private slots:
    void readsWhatTheRecordSays_data();
    void readsWhatTheRecordSays();
    void keepsEveryLinkEntry();
    void keepsEveryMetaEntry_data();
    void keepsEveryMetaEntry();
    void malformedJsonIsAContentError_data();
    void malformedJsonIsAContentError();
};

void WatRecordTest::readsWhatTheRecordSays_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("warcType");
    QTest::addColumn<QString>("targetUri");
    QTest::addColumn<int>("status"); // -1: none
    QTest::addColumn<QString>("contentType");
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("base");
    QTest::addColumn<int>("links");
    QTest::addRow("an HTML page") << QByteArray(kResponsePage) << "response" << "https://a.example/tea/" << 200 << "text/html; charset=UTF-8"
                                  << "" << QString::fromUtf8("Tea é \"quoted\" / slash") << "https://cdn.a.example/" << 6;
    QTest::addRow("a redirect") << QByteArray(kRedirect) << "response" << "http://a.example/old" << 301 << "" << "https://a.example/new" << ""
                                << "" << 0;
    QTest::addRow("a request") << QByteArray(kRequest) << "request" << "http://a.example/" << -1 << "" << "" << "" << "" << 0;
    QTest::addRow("crawl metadata") << QByteArray(kMetadata) << "metadata" << "http://a.example/" << -1 << "" << "" << "" << "" << 0;
    QTest::addRow("status as a number, header given twice")
        << QByteArray(kStatusAsNumberHeaderTwice) << "response" << "" << 404 << "text/html" << "" << "" << "" << 0;
    QTest::addRow("no Envelope") << QByteArray("{`Container`:{`Filename`:`x`}}") << "" << "" << -1 << "" << "" << "" << "" << 0;
    QTest::addRow("status that is no number")
        << QByteArray("{`Envelope`:{`Payload-Metadata`:{`HTTP-Response-Metadata`:{`Response-Message`:{`Status`:`2OO`}}}}}") << "" << "" << -1
        << "" << "" << "" << "" << 0;
}

void WatRecordTest::readsWhatTheRecordSays()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, warcType);
    QFETCH(QString, targetUri);
    QFETCH(int, status);
    QFETCH(QString, contentType);
    QFETCH(QString, location);
    QFETCH(QString, title);
    QFETCH(QString, base);
    QFETCH(int, links);
    WatReader reader;
    // The same reader goes through another record first: nothing of it may stay.
    std::string other = withQuotes(kResponsePage);
    reader.read(other);
    std::string text = withQuotes(json);
    const WatRecord &record = reader.read(text);
    QCOMPARE(QString::fromUtf8(record.warcType), warcType);
    QCOMPARE(QString::fromUtf8(record.targetUri), targetUri);
    QCOMPARE(record.status.value_or(-1), status);
    QCOMPARE(QString::fromUtf8(record.contentType), contentType);
    QCOMPARE(QString::fromUtf8(record.location), location);
    QCOMPARE(QString::fromUtf8(record.title), title);
    QCOMPARE(QString::fromUtf8(record.base), base);
    QCOMPARE(int(record.links.size()), links);
}

void WatRecordTest::keepsEveryLinkEntry()
{
    WatReader reader;
    std::string json = withQuotes(kResponsePage);
    const WatRecord &record = reader.read(json);
    QCOMPARE(record.date, std::string_view("2024-05-18T01:58:10Z"));
    QStringList entries;
    for (const WatLink &link : record.links)
        entries << QString::fromUtf8(std::string(link.path) + " " + std::string(link.url) + " [" + std::string(link.text) + "] [" + std::string(link.rel) + "]");
    QCOMPARE(entries, (QStringList{"A@/href https://b.example/x [B's page] [nofollow ugc]", "IMG@/src /logo.png [] []", "AREA@/href /map [] []",
                                   "STYLE/#text  [] []", "  [] []", "A@/href #top [] []"}));
}

void WatRecordTest::keepsEveryMetaEntry_data()
{
    QTest::addColumn<QByteArray>("head"); // the JSON of HTML-Metadata.Head
    QTest::addColumn<QStringList>("metas");
    QTest::addRow("name and content, other keys passed over")
        << QByteArray("{`Title`:`T`,`Metas`:[{`name`:`robots`,`content`:`noindex, follow`},{`property`:`og:title`,`content`:`OG`},"
                      "{`http-equiv`:`refresh`,`content`:`0`,`name`:`Refresh`}],`Link`:[]}")
        << QStringList{"robots=noindex, follow", "=OG", "Refresh=0"};
    QTest::addRow("escapes read, a value given twice: its first")
        << QByteArray("{`Metas`:[{`name`:`\\u0072obots`,`content`:[`none`,`all`]}]}") << QStringList{"robots=none"};
    QTest::addRow("entries that are no object passed over")
        << QByteArray("{`Metas`:[`robots`,null,{`name`:`robots`},[{`name`:`x`}]]}") << QStringList{"robots="};
    QTest::addRow("none") << QByteArray("{`Metas`:[]}") << QStringList{};
    QTest::addRow("no Metas") << QByteArray("{`Title`:`noindex`}") << QStringList{};
}

void WatRecordTest::keepsEveryMetaEntry()
{
    QFETCH(QByteArray, head);
    QFETCH(QStringList, metas);
    WatReader reader;
    // The same reader goes through a record with a meta first: nothing of it may stay.
    std::string other = withQuotes(kResponsePage);
    QCOMPARE(reader.read(other).metas.size(), std::size_t(1));
    std::string json = withQuotes("{`Envelope`:{`Payload-Metadata`:{`HTTP-Response-Metadata`:{`HTML-Metadata`:{`Head`:" + head + "}}}}}");
    QStringList entries;
    for (const WatMeta &meta : reader.read(json).metas)
        entries << QString::fromUtf8(std::string(meta.name) + "=" + std::string(meta.content));
    QCOMPARE(entries, metas);
}

void WatRecordTest::malformedJsonIsAContentError_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addRow("empty") << QByteArray();
    QTest::addRow("not JSON: the warcinfo of a WAT file") << QByteArray("Software-Info: ia-web-commons\r\nFormat: WAT\r\n");
    QTest::addRow("an array") << QByteArray("[1,2]");
    QTest::addRow("cut in a string") << QByteArray(kResponsePage).left(600);
    QTest::addRow("cut between fields") << QByteArray("{`Envelope`:{`WARC-Header-Metadata`:{`WARC-Type`:`response`,");
    QTest::addRow("Envelope is no object") << QByteArray("{`Envelope`:`x`}");
    QTest::addRow("Links is no array")
        << QByteArray("{`Envelope`:{`Payload-Metadata`:{`HTTP-Response-Metadata`:{`HTML-Metadata`:{`Links`:{`path`:`A@/href`}}}}}}");
    QTest::addRow("Metas is no array")
        << QByteArray("{`Envelope`:{`Payload-Metadata`:{`HTTP-Response-Metadata`:{`HTML-Metadata`:{`Head`:{`Metas`:{`name`:`robots`}}}}}}}");
    QTest::addRow("invalid UTF-8 in a string") << QByteArray("{\"Envelope\":{\"WARC-Header-Metadata\":{\"WARC-Target-URI\":\"http://a.example/\xff\"}}}");
    QTest::addRow("100,000 arrays deep")
        << QByteArray("{\"Envelope\":{\"Deep\":") + QByteArray(100'000, '[') + QByteArray(100'000, ']') + QByteArray("}}");
    QTest::addRow("100,000 objects deep in Links")
        << QByteArray("{`Envelope`:{`Payload-Metadata`:{`HTTP-Response-Metadata`:{`HTML-Metadata`:{`Links`:[")
               + QByteArray("{\"a\":").repeated(100'000) + "1" + QByteArray(100'000, '}') + "]}}}}";
    QTest::addRow("unbalanced") << QByteArray("{`Envelope`:{`WARC-Header-Metadata`:{`WARC-Type`:`response`}}}") + "}}}";
}

void WatRecordTest::malformedJsonIsAContentError()
{
    QFETCH(QByteArray, json);
    WatReader reader;
    std::string text = withQuotes(json);
    try {
        reader.read(text);
        QFAIL("malformed JSON was read");
    } catch (const ContentError &error) {
        QVERIFY2(QString::fromUtf8(error.what()).startsWith("malformed WAT JSON: "), error.what());
    }
    // The reader goes on with the next record.
    std::string good = withQuotes(kRedirect);
    QCOMPARE(reader.read(good).status, std::optional<int>(301));
}

QTEST_GUILESS_MAIN(WatRecordTest)
#include "tst_watrecord.moc"
