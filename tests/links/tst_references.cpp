#include "links/references.h"

#include <QtTest>

using links::ReferencePlace;

Q_DECLARE_METATYPE(links::ReferencePlace)

class ReferencesTest : public QObject
{
    Q_OBJECT

private slots:
    void readsReferencesAsBrowsersDo_data();
    void readsReferencesAsBrowsersDo();
};

void ReferencesTest::readsReferencesAsBrowsersDo_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<ReferencePlace>("place");
    QTest::addColumn<QString>("decoded");
    const auto both = [](const char *name, const QString &text, const QString &decoded) {
        QTest::addRow("%s, in text", name) << text << ReferencePlace::Text << decoded;
        QTest::addRow("%s, in an attribute", name) << text << ReferencePlace::Attribute << decoded;
    };
    const auto text = ReferencePlace::Text;
    const auto attribute = ReferencePlace::Attribute;

    both("upper-case legacy names", "UPPER &AMP; CASE &LT;&GT;&QUOT;&COPY;&REG;", "UPPER & CASE <>\"©®");
    both("names are case-sensitive", "&Amp; &aMP; &Copy; &AMp", "&Amp; &aMP; &Copy; &AMp");
    both("names beyond HTML 4", "&bigstar; &NotEqualTilde; &CounterClockwiseContourIntegral; &fjlig;",
         QString::fromUtf16(u"\u2605 \u2242\u0338 \u2233 fj"));
    both("unknown name or a bare ampersand", "&unknown; &; & x&& AT&T &#; &#x; &#xg;", "&unknown; &; & x&& AT&T &#; &#x; &#xg;");
    both("decoded once", "&amp;amp; &amp;lt;", "&amp; &lt;");
    both("what a name without \";\" ends at", "&copy &copy; &copy&lt", "© © ©<");
    both("a name of no legacy kind needs \";\"", "&hellip &euro &bigstar", "&hellip &euro &bigstar");
    both("around text in other scripts", "茶&amp;园&#x1F375;", QString::fromUtf16(u"茶&园\U0001F375"));

    // The longest name that matches: "notin;" is one, "not" is the longest for "notit;".
    both("longest name with \";\"", "&notin; &not;", "∉ ¬");
    QTest::newRow("longest legacy name, in text") << "&notit; &notin &ampx &copy2 a=1&copy=2" << text << "¬it; ¬in &x ©2 a=1©=2";
    QTest::newRow("a legacy name before \"=\" or a letter or digit, in an attribute")
        << "&notit; &notin &ampx &copy2 a=1&copy=2" << attribute << "&notit; &notin &ampx &copy2 a=1&copy=2";
    QTest::newRow("a legacy name before anything else, in an attribute")
        << "&copy;&copy &amp-&lt/&gt" << attribute << "©© &-</>";

    both("numbers in decimal and hexadecimal", "&#20013;&#x6587;&#X4e2d;&#65&#x41g&#0000000065;", "中文中AAgA");
    both("numbers of Windows-1252", "&#128;&#x80;&#150;&#x9F;&#153;", "€€–Ÿ™");
    both("Windows-1252's unassigned numbers stay", "&#x81;&#x8D;&#x8F;&#x90;&#x9D;",
         QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D"));
    both("numbers of no character", "&#0;&#x0;&#xD800;&#xDFFF;&#x110000;&#99999999999999999999;",
         QString::fromUtf16(u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"));
    both("the last code point and a noncharacter", "&#x10FFFF;&#xFFFE;", QString::fromUtf16(u"\U0010FFFF\uFFFE"));
}

void ReferencesTest::readsReferencesAsBrowsersDo()
{
    QFETCH(QString, text);
    QFETCH(ReferencePlace, place);
    QFETCH(QString, decoded);
    QCOMPARE(QString::fromStdString(links::decodeCharacterReferences(text.toStdString(), place)), decoded);
}

QTEST_GUILESS_MAIN(ReferencesTest)
#include "tst_references.moc"
