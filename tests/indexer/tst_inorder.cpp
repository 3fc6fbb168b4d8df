// Parts of a listing made on several cores and written in order.
#include "indexer/inorder.h"

#include <QtTest>

#include <chrono>
#include <stdexcept>
#include <thread>

class InOrderTest : public QObject
{
    Q_OBJECT

private slots:
    void partsAreWrittenInOrderWhateverOrderTheyAreMadeIn();
    void aFailedPartStopsTheWritingAfterThePartsBeforeIt();
};

void InOrderTest::partsAreWrittenInOrderWhateverOrderTheyAreMadeIn()
{
    // Early parts take longest, so that later ones are made first; every text given to make held
    // an earlier part's, which it clears.
    std::string written;
    indexer::writeInOrder(
        40,
        [](size_t part, std::string &text) {
            std::this_thread::sleep_for(std::chrono::milliseconds((40 - part) % 7));
            text.clear();
            text += std::to_string(part) + ",";
        },
        [&](std::string_view text) { written += text; });
    std::string expected;
    for (int part = 0; part < 40; ++part)
        expected += std::to_string(part) + ",";
    QCOMPARE(written, expected);

    indexer::writeInOrder(0, [](size_t, std::string &) { QFAIL("no part to make"); },
                          [](std::string_view) { QFAIL("nothing to write"); });
}

void InOrderTest::aFailedPartStopsTheWritingAfterThePartsBeforeIt()
{
    std::string written;
    try {
        indexer::writeInOrder(
            20,
            [](size_t part, std::string &text) {
                if (part == 5)
                    throw std::runtime_error("part 5 cannot be made");
                text = std::to_string(part) + ",";
            },
            [&](std::string_view text) { written += text; });
        QFAIL("the failure was not passed on");
    } catch (const std::runtime_error &error) {
        QCOMPARE(std::string(error.what()), std::string("part 5 cannot be made"));
    }
    QCOMPARE(written, std::string("0,1,2,3,4,"));
}

QTEST_GUILESS_MAIN(InOrderTest)
#include "tst_inorder.moc"
