#include "links/charset.h"

#include <QtTest>

namespace {

std::string bytes(const QByteArray &data)
{
    return data.toStdString();
}

} // namespace

class CharsetTest : public QObject
{
    Q_OBJECT

private slots:
    void decodesByTheFirstRuleThatApplies_data();
    void decodesByTheFirstRuleThatApplies();
    void passesValidUtf8ThroughUnchanged();
    void sniffsHtmlWithoutAContentType_data();
    void sniffsHtmlWithoutAContentType();
    void recognisesHtmlContentTypes_data();
    void recognisesHtmlContentTypes();
};

void CharsetTest::decodesByTheFirstRuleThatApplies_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QString>("text");

    const QByteArray gbkTitle = "\xd6\xd0\xce\xc4\xb1\xea\xcc\xe2"; // 中文标题
    const QByteArray euro1252 = "\x80";
    QTest::newRow("UTF-8 byte-order mark, dropped") << QByteArray("\xef\xbb\xbf<p>\xe2\x82\xac") << QByteArray("text/html; charset=gbk") << "<p>€";
    QTest::newRow("UTF-16LE byte-order mark") << QByteArray("\xff\xfe<\0p\0>\0\xac\x20", 10) << QByteArray() << "<p>€";
    QTest::newRow("UTF-16BE byte-order mark") << QByteArray("\xfe\xff\0<\0p\0>\0\xe9", 10) << QByteArray() << "<p>é";
    QTest::newRow("HTTP charset, odd case and quotes")
        << QByteArray("<meta charset=utf-8><p>") + gbkTitle << QByteArray("Text/HTML;  CharSet = \"GB2312\" ") << "<meta charset=utf-8><p>中文标题";
    QTest::newRow("HTTP charset in single quotes") << euro1252 << QByteArray("text/html;charset='cp1252'") << "€";
    QTest::newRow("HTTP iso-8859-1 is windows-1252") << euro1252 + "\xe9" << QByteArray("text/html; charset=ISO-8859-1") << "€é";
    QTest::newRow("HTTP us-ascii is windows-1252") << euro1252 << QByteArray("text/html; charset=us-ascii") << "€";
    QTest::newRow("meta charset: gb2312 is GBK")
        << QByteArray("<html><head><meta charset=\"gb2312\"><title>") + gbkTitle << QByteArray("text/html")
        << "<html><head><meta charset=\"gb2312\"><title>中文标题";
    QTest::newRow("meta charset upper case, with spaces")
        << QByteArray("<META CHARSET=\" Latin1 \">") + euro1252 << QByteArray() << "<META CHARSET=\" Latin1 \">€";
    QTest::newRow("meta http-equiv")
        << QByteArray("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">\xc4\xe0")
        << QByteArray("text/html") << "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">Да";
    QTest::newRow("meta content without http-equiv is no declaration")
        << QByteArray("<meta content=\"text/html; charset=gbk\">\xe9") << QByteArray() << "<meta content=\"text/html; charset=gbk\">é";
    QTest::newRow("meta naming UTF-16 means UTF-8")
        << QByteArray("<meta charset=utf-16><p>\xc3\xa9") << QByteArray() << "<meta charset=utf-16><p>é";
    QTest::newRow("unknown HTTP label falls through to the meta")
        << QByteArray("<meta charset=gbk>") + gbkTitle << QByteArray("text/html; charset=x-nobody-knows") << "<meta charset=gbk>中文标题";
    QTest::newRow("unknown meta label falls through to the next meta")
        << QByteArray("<meta charset=bogus><meta charset=gbk>") + gbkTitle << QByteArray() << "<meta charset=bogus><meta charset=gbk>中文标题";
    QTest::newRow("meta after the first 1024 bytes is not looked for")
        << QByteArray(1100, ' ') + "<meta charset=gbk>\xc3\xa9" << QByteArray() << QString(1100, u' ') + "<meta charset=gbk>é";
    QTest::newRow("no label, valid UTF-8") << QByteArray("<p>\xe4\xb8\xad\xe6\x96\x87") << QByteArray("text/html") << "<p>中文";
    QTest::newRow("no label, invalid UTF-8: windows-1252")
        << QByteArray("<p>caf\xe9 \x80 \x81") << QByteArray() << "<p>café € \u0081";
    QTest::newRow("encoding browsers refuse: one replacement character")
        << QByteArray("<p>abc") << QByteArray("text/html; charset=iso-2022-kr") << "\ufffd";
    QTest::newRow("a character cut off at the end") << QByteArray("<p>\xd6\xd0\xce") << QByteArray("text/html; charset=gbk") << "<p>中\ufffd";
    QTest::newRow("invalid UTF-8 under a UTF-8 label") << QByteArray("<p>a\xffz") << QByteArray("text/html; charset=utf-8") << "<p>a\ufffdz";
    QTest::newRow("empty body") << QByteArray() << QByteArray() << "";
}

void CharsetTest::decodesByTheFirstRuleThatApplies()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, contentType);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(links::htmlToUtf8(bytes(body), bytes(contentType))), text);
}

void CharsetTest::passesValidUtf8ThroughUnchanged()
{
    // Bytes a round trip through UTF-16 would not keep: a NUL, and characters outside the BMP.
    const std::string page("<title>\xf0\x9f\x94\x97 a\0b</title>", 22);
    QCOMPARE(links::htmlToUtf8(page, "text/html"), page);
    QCOMPARE(links::htmlToUtf8(page, "text/html; charset=utf-8"), page);
}

void CharsetTest::sniffsHtmlWithoutAContentType_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("html");
    QTest::newRow("doctype, any case") << QByteArray("<!doctype html>") << true;
    QTest::newRow("after leading whitespace") << QByteArray(" \t\r\n\f<HTML lang=en>") << true;
    QTest::newRow("head") << QByteArray("<head>") << true;
    QTest::newRow("body") << QByteArray("<Body>") << true;
    QTest::newRow("p") << QByteArray("<p>text") << true;
    QTest::newRow("comment") << QByteArray("<!-- x -->") << true;
    QTest::newRow("a tag name that only starts alike") << QByteArray("<pre>") << false;
    QTest::newRow("pattern at the very end") << QByteArray("<html") << false;
    QTest::newRow("XML") << QByteArray("<?xml version=\"1.0\"?><html>") << false;
    QTest::newRow("JSON") << QByteArray("{\"html\": 1}") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void CharsetTest::sniffsHtmlWithoutAContentType()
{
    QFETCH(QByteArray, body);
    QFETCH(bool, html);
    QCOMPARE(links::looksLikeHtml(bytes(body)), html);
}

void CharsetTest::recognisesHtmlContentTypes_data()
{
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<bool>("html");
    QTest::newRow("text/html") << QByteArray("text/html") << true;
    QTest::newRow("case and parameters") << QByteArray(" Text/HTML ; charset=UTF-8") << true;
    QTest::newRow("XHTML") << QByteArray("application/xhtml+xml") << true;
    QTest::newRow("plain text") << QByteArray("text/plain") << false;
    QTest::newRow("a longer type") << QByteArray("text/html5") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void CharsetTest::recognisesHtmlContentTypes()
{
    QFETCH(QByteArray, contentType);
    QFETCH(bool, html);
    QCOMPARE(links::isHtmlContentType(bytes(contentType)), html);
}

QTEST_GUILESS_MAIN(CharsetTest)
#include "tst_charset.moc"
