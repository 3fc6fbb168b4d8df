#include "graph/eliasfano.h"

#include <QTest>

#include <cmath>
#include <random>
#include <set>

class TestEliasFano : public QObject
{
    Q_OBJECT

private slots:
    void listsReadBackAsWritten_data();
    void listsReadBackAsWritten();
};

void TestEliasFano::listsReadBackAsWritten_data()
{
    QTest::addColumn<std::vector<uint32_t>>("list");
    QTest::addColumn<uint64_t>("bound");

    QTest::newRow("one number, the first") << std::vector<uint32_t>{0} << uint64_t(1);
    QTest::newRow("one number, the last below a large bound") << std::vector<uint32_t>{4'000'000'000} << uint64_t(4'000'000'001);
    QTest::newRow("every number: no low bits") << std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8} << uint64_t(9);
    // Lists that do not rise everywhere, such as ranks' values.
    QTest::newRow("one number again and again") << std::vector<uint32_t>(300, 7) << uint64_t(8);
    std::vector<uint32_t> steps;
    for (uint32_t i = 0; i < 1000; ++i)
        steps.push_back(i / 37 * 1'000'003);
    QTest::newRow("runs of one number, far apart") << steps << uint64_t(1u << 31);
    // Lists of every density, bunched at the start as a popular site's are, and spread out.
    std::mt19937 random(11);
    for (const uint64_t count : {2, 63, 64, 65, 1000, 50'000}) {
        for (const uint64_t bound : {count, 3 * count, 1000 * count, uint64_t(121'000'000)}) {
            // A quarter anywhere, the rest in the first eighth; filled up from 0 when short.
            std::set<uint32_t> numbers;
            for (uint64_t tries = 0; tries < 4 * count && numbers.size() < count; ++tries)
                numbers.insert(uint32_t(random() % 4 == 0 ? random() % bound : random() % std::max<uint64_t>(1, bound / 8)));
            for (uint32_t number = 0; numbers.size() < count; ++number)
                numbers.insert(number);
            QTest::addRow("%llu in %llu", (unsigned long long)count, (unsigned long long)bound)
                << std::vector<uint32_t>(numbers.begin(), numbers.end()) << bound;
        }
    }
}

void TestEliasFano::listsReadBackAsWritten()
{
    QFETCH(std::vector<uint32_t>, list);
    QFETCH(uint64_t, bound);
    std::string coded = "before";
    graph::eliasfano::append(coded, list, bound);
    QCOMPARE(coded.substr(0, 6), std::string("before"));
    QCOMPARE(coded.size() - 6, graph::eliasfano::bytes(list.size(), bound));
    // At most 2 + log2(bound / count) bits a number, and two bytes for rounding.
    QVERIFY(coded.size() - 6 <= (list.size() * (2 + std::max(0.0, std::log2(double(bound) / list.size())) + 1)) / 8 + 2);

    // Copied to memory of its exact size: reading must not go past the list's end.
    const std::vector<uint8_t> bytes(coded.begin() + 6, coded.end());
    graph::eliasfano::Reader reader(bytes.data(), list.size(), bound);
    std::vector<uint32_t> read;
    for (size_t i = 0; i < list.size(); ++i)
        read.push_back(reader.next());
    QCOMPARE(read, list);

    // With its index, each number is found at its place.
    std::string indexed;
    graph::eliasfano::appendIndexed(indexed, list.size(), bound, [&](uint64_t i) { return list[i]; });
    QCOMPARE(indexed.size(), graph::eliasfano::indexedBytes(list.size(), bound));
    const std::vector<uint8_t> indexedBytes(indexed.begin(), indexed.end());
    const graph::eliasfano::IndexedList at(indexedBytes.data(), list.size(), bound);
    for (size_t i = list.size(); i-- > 0;)
        QCOMPARE(at[i], list[i]);
}

QTEST_GUILESS_MAIN(TestEliasFano)
#include "tst_eliasfano.moc"
