#include "graph/recordsorter.h"

#include <QTest>

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <random>

Q_DECLARE_METATYPE(std::vector<std::string>)

class TestRecordSorter : public QObject
{
    Q_OBJECT

private slots:
    void recordsComeBackInByteOrderWithRepeats_data();
    void recordsComeBackInByteOrderWithRepeats();
};

void TestRecordSorter::recordsComeBackInByteOrderWithRepeats_data()
{
    QTest::addColumn<std::vector<std::string>>("records");
    QTest::addColumn<size_t>("memory");

    // Short records whose first eight bytes tie (zero bytes, prefixes of one another, bytes
    // above 0x7f), and repeats.
    std::mt19937 random(7);
    std::vector<std::string> records;
    for (int i = 0; i < 5000; ++i) {
        std::string record(random() % 12, '\0');
        for (char &c : record)
            c = "\0\x01 a\x7f\x80\xff"[random() % 7];
        records.push_back(record);
    }
    records.insert(records.end(), records.begin(), records.begin() + 100);
    QTest::newRow("in memory") << records << (size_t(1) << 30);
    QTest::newRow("runs of a few hundred") << records << size_t(10'000);
    QTest::newRow("a run each") << std::vector<std::string>(records.begin(), records.begin() + 40) << size_t(1);

    // Records longer than what a run is read through at once.
    std::vector<std::string> long_{std::string(3 << 20, 'b'), "a", std::string(3 << 20, 'a'), std::string(2 << 20, 'c')};
    QTest::newRow("longer than a run's buffer") << long_ << size_t(1);
}

void TestRecordSorter::recordsComeBackInByteOrderWithRepeats()
{
    QFETCH(std::vector<std::string>, records);
    QFETCH(size_t, memory);
    QTemporaryDir dir;
    std::vector<std::string> given;
    {
        graph::RecordSorter sorter(dir.path().toStdString(), "test", memory);
        for (const std::string &record : records)
            sorter.add(record);
        for (std::string_view record; sorter.next(record);)
            given.emplace_back(record);
    }
    std::sort(records.begin(), records.end());
    QCOMPARE(given, records);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
}

QTEST_GUILESS_MAIN(TestRecordSorter)
#include "tst_recordsorter.moc"
