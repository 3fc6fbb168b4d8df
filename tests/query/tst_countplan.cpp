#include "platform/runtimeerror.h"
#include "query/countplan.h"

#include <QtTest>

class CountPlanTest : public QObject
{
    Q_OBJECT

private slots:
    void cutsTheCountAfterTheMarker_data();
    void cutsTheCountAfterTheMarker();
    void pageWithoutACountIsOutOfRange_data();
    void pageWithoutACountIsOutOfRange();
    void clampsAndRoundsHalfToEven_data();
    void clampsAndRoundsHalfToEven();
    void countThatIsNoNumberIsATypeMismatch_data();
    void countThatIsNoNumberIsATypeMismatch();
};

void CountPlanTest::cutsTheCountAfterTheMarker_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("count");
    QTest::newRow("digits") << "<p>找到 共 <strong>137</strong> 条</p>" << "137";
    QTest::newRow("text kept as it is") << "共 <strong> 1,234 条</strong>" << " 1,234 条";
    QTest::newRow("no '<' after it: the rest of the page") << "共 <strong>42" << "42";
    QTest::newRow("only up to a second marker") << "共 <strong>12共 <strong>34<" << "12";
    QTest::newRow("'<' right after the marker") << "共 <strong></strong>" << "";
}

void CountPlanTest::cutsTheCountAfterTheMarker()
{
    QFETCH(QString, page);
    QFETCH(QString, count);
    QCOMPARE(cutCountText(page), count);
}

void CountPlanTest::pageWithoutACountIsOutOfRange_data()
{
    QTest::addColumn<QString>("page");
    QTest::newRow("empty page (a failed fetch)") << "";
    QTest::newRow("no marker") << "<html>共<strong>137</strong></html>";
    QTest::newRow("marker ends the page") << "abc 共 <strong>";
    QTest::newRow("second marker follows at once") << "共 <strong>共 <strong>5<";
}

void CountPlanTest::pageWithoutACountIsOutOfRange()
{
    QFETCH(QString, page);
    try {
        cutCountText(page);
        QFAIL("a count was cut");
    } catch (const RuntimeError &error) {
        QCOMPARE(error.number(), 9);
    }
}

void CountPlanTest::clampsAndRoundsHalfToEven_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("count");
    QTest::addColumn<int>("pages");
    QTest::newRow("49 is below 50") << "en_US" << "49" << 0;
    QTest::newRow("50") << "en_US" << "50" << 1;
    QTest::newRow("75: 1.5 goes up to 2") << "en_US" << "75" << 2;
    QTest::newRow("125: 2.5 goes down to 2") << "en_US" << "125" << 2;
    QTest::newRow("137: the worked example") << "en_US" << "137" << 3;
    QTest::newRow("175: 3.5 goes up to 4") << "en_US" << "175" << 4;
    QTest::newRow("900 is the bound") << "en_US" << "900" << 18;
    QTest::newRow("901 counts as 900") << "en_US" << "901" << 18;
    QTest::newRow("5000 counts as 900") << "en_US" << "5000" << 18;
    QTest::newRow("group separator") << "en_US" << "1,234" << 18;
    QTest::newRow("blanks around") << "en_US" << "  137 " << 3;
    QTest::newRow("negative") << "en_US" << "-5" << 0;
    QTest::newRow("fraction") << "en_US" << "74.9" << 1;
    QTest::newRow("German group separator") << "de_DE" << "1.234" << 18;
    QTest::newRow("German decimal comma") << "de_DE" << "124,9" << 2;
}

void CountPlanTest::clampsAndRoundsHalfToEven()
{
    QFETCH(QString, locale);
    QFETCH(QString, count);
    QFETCH(int, pages);
    QLocale::setDefault(QLocale(locale));
    QCOMPARE(pagesToWalk(count), pages);
}

void CountPlanTest::countThatIsNoNumberIsATypeMismatch_data()
{
    QTest::addColumn<QString>("count");
    QTest::newRow("empty") << "";
    QTest::newRow("words") << "abc";
    QTest::newRow("digits and words") << "137 条";
    QTest::newRow("not a number") << "nan";
    QTest::newRow("infinity") << "inf";
}

void CountPlanTest::countThatIsNoNumberIsATypeMismatch()
{
    QFETCH(QString, count);
    QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    try {
        pagesToWalk(count);
        QFAIL("the count was read as a number");
    } catch (const RuntimeError &error) {
        QCOMPARE(error.number(), 13);
    }
}

QTEST_GUILESS_MAIN(CountPlanTest)
#include "tst_countplan.moc"
