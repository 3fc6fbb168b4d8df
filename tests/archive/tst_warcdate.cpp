#include "archive/warcdate.h"

#include <QtTest>

using namespace archive;

class WarcDateTest : public QObject
{
    Q_OBJECT

private slots:
    void readsAndWritesTheSameDate_data();
    void readsAndWritesTheSameDate();
    void keepsFractionsToTheMicrosecond_data();
    void keepsFractionsToTheMicrosecond();
    void rejectsWhatIsNoDate_data();
    void rejectsWhatIsNoDate();
    void everyInstantComesBackExactly();
};

void WarcDateTest::readsAndWritesTheSameDate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("microseconds");
    QTest::addRow("the epoch") << "1970-01-01T00:00:00Z" << qint64(0);
    QTest::addRow("seconds, as wget and Common Crawl write") << "2024-05-18T01:58:10Z" << qint64(1715997490'000000);
    QTest::addRow("leap day") << "2024-02-29T23:59:59Z" << qint64(1709251199'000000);
    QTest::addRow("half a second") << "2016-09-19T17:20:24.5Z" << qint64(1474305624'500000);
    QTest::addRow("microseconds") << "2016-09-19T17:20:24.123456Z" << qint64(1474305624'123456);
    QTest::addRow("one microsecond") << "2016-09-19T17:20:24.000001Z" << qint64(1474305624'000001);
    QTest::addRow("before the epoch") << "1969-12-31T23:59:59.75Z" << qint64(-250000);
    QTest::addRow("the last instant of year 9999") << "9999-12-31T23:59:59.999999Z" << qint64(253402300799'999999);
}

void WarcDateTest::readsAndWritesTheSameDate()
{
    QFETCH(QString, text);
    QFETCH(qint64, microseconds);
    QCOMPARE(parseWarcDate(text.toStdString()), std::optional<std::int64_t>(microseconds));
    QCOMPARE(QString::fromStdString(formatWarcDate(microseconds)), text);
}

void WarcDateTest::keepsFractionsToTheMicrosecond_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("written");
    QTest::addRow("milliseconds") << "2020-01-01T00:00:00.120Z" << "2020-01-01T00:00:00.12Z";
    QTest::addRow("a zero fraction") << "2020-01-01T00:00:00.000Z" << "2020-01-01T00:00:00Z";
    QTest::addRow("nanoseconds: cut, not rounded") << "2020-01-01T00:00:00.123456789Z" << "2020-01-01T00:00:00.123456Z";
}

void WarcDateTest::keepsFractionsToTheMicrosecond()
{
    QFETCH(QString, text);
    QFETCH(QString, written);
    const std::optional<std::int64_t> microseconds = parseWarcDate(text.toStdString());
    QVERIFY(microseconds);
    QCOMPARE(QString::fromStdString(formatWarcDate(*microseconds)), written);
}

void WarcDateTest::rejectsWhatIsNoDate_data()
{
    QTest::addColumn<QString>("text");
    for (const char *text : {"", "2024-05-18", "2024-05-18T01:58Z", "2024-05-18T01:58:10", "2024-05-18T01:58:10+00:00",
                             "2024-05-18 01:58:10Z", "2024-05-18T01:58:10z", "2023-02-29T00:00:00Z", "2024-13-01T00:00:00Z",
                             "2024-00-10T00:00:00Z", "2024-04-31T00:00:00Z", "2024-05-18T24:00:00Z", "2024-05-18T23:60:00Z",
                             "2024-05-18T23:59:60Z", "2024-05-18T01:58:10.Z", "2024-05-18T01:58:10.1234567890Z",
                             "2024-05-18T01:58:10.12a4Z", "+024-05-18T01:58:10Z", "2024-5-18T01:58:10Z", " 2024-05-18T01:58:10Z"})
        QTest::addRow("%s", text) << QString::fromLatin1(text);
}

void WarcDateTest::rejectsWhatIsNoDate()
{
    QFETCH(QString, text);
    QCOMPARE(parseWarcDate(text.toStdString()), std::nullopt);
}

void WarcDateTest::everyInstantComesBackExactly()
{
    // Instants spread over the years a web archive can hold, down to the microsecond.
    std::int64_t instant = -86400'000000;
    for (int step = 0; step < 100000; ++step) {
        instant += 3'456'789'123'457 + step % 1000;
        if (instant >= 253402300800'000000)
            instant -= 253402300800'000000;
        QCOMPARE(parseWarcDate(formatWarcDate(instant)), std::optional<std::int64_t>(instant));
    }
}

QTEST_GUILESS_MAIN(WarcDateTest)
#include "tst_warcdate.moc"
