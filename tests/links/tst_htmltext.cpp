#include "links/htmltext.h"

#include <QtTest>

using namespace links;

class HtmlTextTest : public QObject
{
    Q_OBJECT

private slots:
    void decodesReferencesAsInText_data();
    void decodesReferencesAsInText();
    void removesTagsAndNothingElse_data();
    void removesTagsAndNothingElse();
};

void HtmlTextTest::decodesReferencesAsInText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("decoded");
    QTest::newRow("named, beyond the five of XML") << "&amp;&lt;&gt;&quot;&apos; &copy;&nbsp;&hellip;&euro;"
                                                   << QString::fromUtf16(u"&<>\"' \u00A9\u00A0\u2026\u20AC");
    QTest::newRow("numeric, hexadecimal in either case") << "&#20013;&#x6587;&#X4e2d;&#x1F375;"
                                                         << QString::fromUtf16(u"中文中\U0001F375");
    QTest::newRow("decoded once") << "&amp;amp; &amp;lt;" << "&amp; &lt;";
    QTest::newRow("unknown or miscased name stays, upper-case legacy name read")
        << "&unknown; &b; &AMP; &Amp;" << "&unknown; &b; & &Amp;";
    QTest::newRow("without a semicolon, legacy names and numbers read, others stay")
        << "&amp &lt=3 &#20013 AT&T & ; && &; x&" << "& <=3 中 AT&T & ; && &; x&";
    QTest::newRow("what surrounds a reference is not markup")
        << "  <b &amp; c>\r\n\t<!--&lt;-->\r" << "  <b & c>\r\n\t<!--<-->\r";
    QTest::newRow("number of no character reads as U+FFFD, no number stays")
        << "a&#0;b&amp;&#xD800;&lt;c&#99999999999;d&#;" << QString::fromUtf16(u"a\uFFFDb&\uFFFD<c\uFFFDd&#;");
    QTest::newRow("a long stretch is no reference") << "&" + QString(60, u'a') + ";" << "&" + QString(60, u'a') + ";";
}

void HtmlTextTest::decodesReferencesAsInText()
{
    QFETCH(QString, text);
    QFETCH(QString, decoded);
    QCOMPARE(decodeCharacterReferences(text, ReferencePlace::Text), decoded);
}

void HtmlTextTest::removesTagsAndNothingElse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("removed");
    QTest::newRow("no tag") << ">茶园 & Tea\r\n" << ">茶园 & Tea\r\n";
    QTest::newRow("end tags in any case") << ">T</a>\r\n>U</A>\r\n" << ">T\r\n>U\r\n";
    QTest::newRow("inner tags with attributes") << "<b class=\"k\">Bold</b> <img src=x.png alt=''>more"
                                                << "Bold more";
    QTest::newRow("comment") << "a<!-- c -->b" << "ab";
    QTest::newRow("\"<\" that starts no tag") << "1 < 2 and x<<b>y" << "1 < 2 and x<y";
    QTest::newRow("unfinished tag at the end") << "a<b c" << "a<b c";
    QTest::newRow("\">\" of no tag stays") << "3 > 2 <>" << "3 > 2 ";
    QTest::newRow("a tag across a line break") << "a<b\r\nc>d" << "ad";
}

void HtmlTextTest::removesTagsAndNothingElse()
{
    QFETCH(QString, text);
    QFETCH(QString, removed);
    QCOMPARE(withoutTags(text), removed);
}

QTEST_GUILESS_MAIN(HtmlTextTest)
#include "tst_htmltext.moc"
