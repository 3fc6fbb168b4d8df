#include "platform/runtimeerror.h"
#include "query/linksearch.h"
#include "query/testregexp.h"

#include <QtTest>

using namespace linksearch;

class TestRegExpTest : public QObject
{
    Q_OBJECT

private slots:
    void listsEveryMatchWithLineBreaks_data();
    void listsEveryMatchWithLineBreaks();
    void patternTheEngineRejectsIsAFailure();
};

void TestRegExpTest::listsEveryMatchWithLineBreaks_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("expected");

    const QString url = kUrlPattern.toString();
    const QString anchor = kAnchorPattern.toString();
    const QString title = kTitlePattern.toString();

    QTest::newRow("no match gives the no-match text without a line break") << "x+" << "abc" << "匹配失败";
    QTest::newRow("empty subject") << title << "" << "匹配失败";
    QTest::newRow("one match") << "b+" << "abbc" << "bb\r\n";
    QTest::newRow("three matches, nothing between them but CR LF") << "[0-9]" << "a1b2c3" << "1\r\n2\r\n3\r\n";

    QTest::newRow("lazy title stops at the first end tag")
        << title << R"(<a href="x">one</a> two</a>)" << ">one</a>\r\n";
    QTest::newRow("two anchors on one line, each from the character before its blank")
        << anchor << R"(1. <a href="http://a.example/">A</a> 2. <a href="http://b.example/">B</a>)"
        << ". <a href=\"http://a.example/\">A</a>\r\n. <a href=\"http://b.example/\">B</a>\r\n";
    QTest::newRow("upper-case tags match")
        << anchor << R"(x <A HREF="http://a.example/">T</A>)" << "x <A HREF=\"http://a.example/\">T</A>\r\n";
    QTest::newRow("a CR inside a line is matched")
        << anchor << "x <a href=u>T\r</a>" << "x <a href=u>T\r</a>\r\n";
    QTest::newRow("no match spans a line feed")
        << anchor << "x <a href=u>T\n</a> y <a href=v>S</a>" << "y <a href=v>S</a>\r\n";
    QTest::newRow("Chinese text comes back intact")
        << anchor << "7. <a href=\"http://a.example/\">茶园：新茶上市</a>"
        << ". <a href=\"http://a.example/\">茶园：新茶上市</a>\r\n";

    QTest::newRow("URL ends at a quotation mark")
        << url << R"(<a href="http://a.example/p/q.html" target="_blank">)" << "http://a.example/p/q.html\r\n";
    QTest::newRow("URL ends at a number sign")
        << url << R"(<a href="http://a.example/p?q=1&r=2#top">)" << "http://a.example/p?q=1&r=2\r\n";
    QTest::newRow("URL keeps blanks, hyphens and percent escapes of its path")
        << url << R"("http://a-b.example/x-y/a b%20c.html")" << "http://a-b.example/x-y/a b%20c.html\r\n";
    QTest::newRow("upper-case scheme") << url << R"("HTTP://A.EXAMPLE/X")" << "HTTP://A.EXAMPLE/X\r\n";
    QTest::newRow("https") << url << R"("https://a.example/")" << "https://a.example/\r\n";
    QTest::newRow("no other scheme") << url << R"("ftp://a.example/" "httpx://b.example/")" << "匹配失败";
    QTest::newRow("port") << url << R"("http://a.example:8080/x")" << "http://a.example:8080/x\r\n";
    QTest::newRow("a port is digits") << url << R"("http://a.example:80a/x" "http://b.example:x/")"
                                      << "http://a.example:80\r\nhttp://b.example\r\n";
    QTest::newRow("path and query characters URLs use")
        << url << R"("http://a.example/~li/(x)!$*+,;:@=y?q=a+b,c")"
        << "http://a.example/~li/(x)!$*+,;:@=y?q=a+b,c\r\n";
    QTest::newRow("URL ends at an apostrophe") << url << R"('http://a.example/x'y)" << "http://a.example/x\r\n";
    QTest::newRow("and at a tag") << url << R"(http://a.example/x<b>y)" << "http://a.example/x\r\n";
    QTest::newRow("two URLs on one line")
        << url << R"(<a href="http://a.example/">http://b.example/c</a>)" << "http://a.example/\r\nhttp://b.example/c\r\n";

    // Word characters are ASCII: the Kelvin sign and the long s, which fold to k and s, are not.
    QTest::newRow("Kelvin sign is no word character")
        << url << QString::fromUtf16(u"\"http://\u212A.example/\"") << "匹配失败";
    QTest::newRow("long s is no word character in a host")
        << url << QString::fromUtf16(u"\"http://a.example\u017F/\"") << "http://a.example\r\n";
    QTest::newRow("nor in a bracket expression")
        << url << QString::fromUtf16(u"\"http://a.example/p\u212Aq\"") << "http://a.example/p\r\n";
    QTest::newRow("nor in a negated one")
        << "[^\\w]+" << QString::fromUtf16(u"ab\u212A\u017Fcd") << QString::fromUtf16(u"\u212A\u017F\r\n");
    QTest::newRow("\\W takes them") << "\\W" << QString::fromUtf16(u"k\u212A") << QString::fromUtf16(u"\u212A\r\n");
}

void TestRegExpTest::listsEveryMatchWithLineBreaks()
{
    QFETCH(QString, pattern);
    QFETCH(QString, subject);
    QFETCH(QString, expected);
    const QString patternBefore = pattern;
    const QString subjectBefore = subject;
    QCOMPARE(TestRegExp(pattern, subject), expected);
    QCOMPARE(pattern, patternBefore);
    QCOMPARE(subject, subjectBefore);
}

void TestRegExpTest::patternTheEngineRejectsIsAFailure()
{
    for (const char *pattern : {"(unclosed", "a**", "[\\w"}) {
        try {
            TestRegExp(QString::fromLatin1(pattern), u"text");
            QFAIL(pattern);
        } catch (const RuntimeError &error) {
            QCOMPARE(error.number(), 5017);
        }
    }
}

QTEST_GUILESS_MAIN(TestRegExpTest)
#include "tst_testregexp.moc"
