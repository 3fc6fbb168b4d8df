#include "links/text.h"

#include <QtTest>

class TextTest : public QObject
{
    Q_OBJECT

private slots:
    void collapsesWhitespaceAsAReaderSeesIt_data();
    void collapsesWhitespaceAsAReaderSeesIt();
    void collapsesAcrossPieces();
    void cutsLongTextOnACharacterBoundary_data();
    void cutsLongTextOnACharacterBoundary();
    void findsRelTokens_data();
    void findsRelTokens();
};

void TextTest::collapsesWhitespaceAsAReaderSeesIt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("collapsed");
    QTest::newRow("runs of every HTML space") << " \t a \r\n\f b  c \n" << "a b c";
    QTest::newRow("only whitespace") << " \n\t " << "";
    QTest::newRow("a no-break space is no HTML space") << "a\u00a0 b" << "a\u00a0 b";
    QTest::newRow("non-ASCII kept") << "  友情\n链接 " << "友情 链接";
}

void TextTest::collapsesWhitespaceAsAReaderSeesIt()
{
    QFETCH(QString, text);
    QFETCH(QString, collapsed);
    QCOMPARE(QString::fromStdString(links::collapsedWhitespace(text.toStdString())), collapsed);
}

void TextTest::collapsesAcrossPieces()
{
    links::CollapsedText text;
    for (const char *piece : {" one", " ", "\n", "two", "th", "ree ", " "})
        text.append(piece);
    QCOMPARE(text.text(), std::string("one twothree"));
    text.clear();
    text.append(" again ");
    QCOMPARE(text.text(), std::string("again"));
}

void TextTest::cutsLongTextOnACharacterBoundary_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("size");
    const int max = int(links::kMaxTextBytes);
    QTest::newRow("one long word") << QString(max * 3, u'x') << max;
    QTest::newRow("three-byte characters") << QString(max, u'链') << max / 3 * 3;
    QTest::newRow("no space left at the cut") << QString(max - 1, u'x') + QStringLiteral(" yz") << max - 1;
    QTest::newRow("megabytes of words, cut inside one") << QStringLiteral("word ").repeated(400'000) << max;
}

void TextTest::cutsLongTextOnACharacterBoundary()
{
    QFETCH(QString, text);
    QFETCH(int, size);
    const std::string cut = links::collapsedWhitespace(text.toStdString());
    QCOMPARE(int(cut.size()), size);
    QVERIFY(text.toStdString().starts_with(cut));
    QVERIFY(QUtf8StringView(cut).isValidUtf8());
}

void TextTest::findsRelTokens_data()
{
    QTest::addColumn<QString>("rel");
    QTest::addColumn<QString>("found");
    QTest::newRow("alone") << "nofollow" << "nofollow";
    QTest::newRow("any case, among others") << "external  NoFollow\tnoopener" << "nofollow";
    QTest::newRow("all three") << "SPONSORED nofollow\nugc" << "nofollow ugc sponsored";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("part of a token") << "nofollowed ugcx sponsor" << "";
    QTest::newRow("other tokens") << "noopener noreferrer" << "";
}

void TextTest::findsRelTokens()
{
    QFETCH(QString, rel);
    QFETCH(QString, found);
    const links::Rel got = links::relOf(rel.toStdString());
    QStringList tokens;
    if (got.nofollow)
        tokens << "nofollow";
    if (got.ugc)
        tokens << "ugc";
    if (got.sponsored)
        tokens << "sponsored";
    QCOMPARE(tokens.join(' '), found);
}

QTEST_GUILESS_MAIN(TextTest)
#include "tst_text.moc"
