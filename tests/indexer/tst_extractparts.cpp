// A crawl indexed in parts: extract run on each input in its own process, at the same time, and
// the parts added in any order give the index that one add of every input gives.
#include "../archive/testdata.h"
#include "indexerruns.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <random>

namespace {

constexpr int kWaitMs = 60'000;
constexpr int kShuffles = 4;

} // namespace

class ExtractPartsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void partsInAnyOrderAddUpToOneAdd_data();
    void partsInAnyOrderAddUpToOneAdd();

private:
    QString write(const QString &name, const std::string &bytes);
    QString backlinks(const QString &index, const QString &domain);

    QTemporaryDir m_dir;
    QStringList m_inputs;
};

QString ExtractPartsTest::write(const QString &name, const std::string &bytes)
{
    return writeFile(m_dir.filePath(name), bytes);
}

QString ExtractPartsTest::backlinks(const QString &index, const QString &domain)
{
    const IndexerRun run = linkvaneIndex({"backlinks", "--index", index, domain});
    return run.status == 0 ? run.out : "failed: " + run.err;
}

// Inputs of every kind that overlap: pages captured later without a link they had, one response
// captured at the same second in three inputs (in WARCs and a WAT), a page captured earlier in a
// later input, pages without links. The fifth captures that page at that second with other links.
void ExtractPartsTest::initTestCase()
{
    m_inputs << write("a.warc.gz",
                      perRecordGzip({pageRecord("http://s1.example/a", "2024-01-01T00:00:00Z",
                                                {"http://t.example/1", "http://u.example/1"}),
                                     pageRecord("http://s2.example/same", "2024-01-01T00:00:05Z", {"http://t.example/a", "http://v.example/"}),
                                     pageRecord("http://s7.example/none", "2024-01-01T00:00:05Z", {}),
                                     pageRecord("http://s1.example/old", "2024-01-03T00:00:00Z", {"http://t.example/new"})}));
    m_inputs << write("b.warc",
                      pageRecord("http://s1.example/a", "2024-01-02T00:00:00Z", {"http://u.example/2"})
                          + pageRecord("http://s2.example/same", "2024-01-01T00:00:05Z",
                                       {"http://t.example/a", "http://v.example/"})
                          + pageRecord("http://s4.example/", "2024-01-01T00:00:05Z", {"http://v.example/4"})
                          + pageRecord("http://s3.example/none", "2024-01-01T00:00:05Z", {}));
    m_inputs << write("c.warc.wat.gz",
                      perRecordGzip({watPageRecord("http://s1.example/old", "2024-01-02T00:00:00Z",
                                                   {"http://t.example/old", "http://u.example/old"}),
                                     watPageRecord("http://s5.example/", "2024-01-01T00:00:05Z", {"http://sub.t.example/x"}),
                                     watPageRecord("http://s2.example/same", "2024-01-01T00:00:05Z",
                                                   {"http://t.example/a", "http://v.example/"})}));
    m_inputs << write("d.warc.zst",
                      zstdFramed(pageRecord("http://s6.example/", "2023-06-01T00:00:00Z", {"https://www.t.example/6"})
                                 + pageRecord("http://s3.example/none", "2023-06-01T00:00:00Z", {"http://t.example/3"})));
    m_inputs << write("e.warc", pageRecord("http://s2.example/same", "2024-01-01T00:00:05Z", {"http://t.example/z"}));
}

void ExtractPartsTest::partsInAnyOrderAddUpToOneAdd_data()
{
    QTest::addColumn<QList<int>>("inputs"); // of m_inputs
    QTest::addColumn<QString>("targets"); // the --targets file's text; empty: every link
    QTest::addColumn<QStringList>("domains");
    QTest::newRow("every link") << QList<int>{0, 1, 2, 3} << QString() << QStringList{"t.example", "u.example", "v.example"};
    // Parts for targets keep no capture without a link to them, so a later capture that drops a
    // page's last such link cannot replace the earlier one: b, which does, is left out.
    QTest::newRow("links to targets") << QList<int>{0, 2, 3} << QString("# mine\nt.example\n\nv.example\n")
                                      << QStringList{"t.example", "v.example"};
    QTest::newRow("same second, other links") << QList<int>{0, 4} << QString() << QStringList{"t.example"};
}

void ExtractPartsTest::partsInAnyOrderAddUpToOneAdd()
{
    QFETCH(QList<int>, inputs);
    QFETCH(QString, targets);
    QFETCH(QStringList, domains);
    const QString tag = QTest::currentDataTag();
    QStringList chosen;
    for (int input : inputs)
        chosen << m_inputs[input];

    const QString whole = m_dir.filePath(tag + " whole.sqlite");
    const IndexerRun add = linkvaneIndex(QStringList{"add", "--index", whole} + chosen);
    QVERIFY2(add.status == 0, qPrintable(add.err));

    QStringList extractArguments{"extract"};
    if (!targets.isEmpty())
        extractArguments << "--targets" << write(tag + " targets.txt", targets.toStdString());
    std::vector<std::unique_ptr<QProcess>> extracts;
    QStringList parts;
    for (const QString &input : chosen) {
        parts << m_dir.filePath(tag + " part " + QString::number(parts.size()) + ".tsv");
        auto &process = extracts.emplace_back(std::make_unique<QProcess>());
        process->setStandardOutputFile(parts.back());
        process->start(LINKVANE_INDEX, extractArguments + QStringList{input});
    }
    for (const auto &process : extracts) {
        QVERIFY(process->waitForFinished(kWaitMs));
        QVERIFY2(process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0,
                 process->readAllStandardError().constData());
    }

    // The first order tried is the reverse of the whole's.
    std::mt19937 random(7);
    std::reverse(parts.begin(), parts.end());
    for (int shuffle = 0; shuffle < kShuffles; ++shuffle) {
        if (shuffle > 0)
            std::shuffle(parts.begin(), parts.end(), random);
        const QString index = m_dir.filePath(tag + " parts " + QString::number(shuffle) + ".sqlite");
        const IndexerRun addParts = linkvaneIndex(QStringList{"add", "--index", index} + parts);
        QVERIFY2(addParts.status == 0, qPrintable(addParts.err));
        for (const QString &domain : domains)
            QCOMPARE(backlinks(index, domain), backlinks(whole, domain));
    }
}

QTEST_GUILESS_MAIN(ExtractPartsTest)
#include "tst_extractparts.moc"
