// linkvane-cluster as a user runs it, with stand-ins for sbatch (running the array's tasks at once)
// and squeue; scripts/slurm runs the same story on a real Slurm.
#include "../indexer/indexerruns.h"
#include "cluster/partsfolder.h"
#include "cluster/slurm.h"
#include "support/testserver.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kWaitMs = 60'000;
constexpr int kFiles = 5;

struct ClusterRun
{
    int status = -1;
    QString out;
    QString err;
};

} // namespace

class LinkvaneClusterTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void splitGivesEveryLineToOneTask_data();
    void splitGivesEveryLineToOneTask();
    void arraySpecNamesRanges_data();
    void arraySpecNamesRanges();
    void usageErrorsExitTwo_data();
    void usageErrorsExitTwo();
    void filesThatCannotBeReadExitOne_data();
    void filesThatCannotBeReadExitOne();
    void rerunCompletesOnlyWhatFailed();
    void relativePathsAreThoseOfTheFirstSubmission();
    void submissionThatCannotGoAheadSubmitsNothing_data();
    void submissionThatCannotGoAheadSubmitsNothing();
    void downloadsRetriedAndFailuresLeaveNoPart_data();
    void downloadsRetriedAndFailuresLeaveNoPart();
    void mapperReadsPathsOnStandardInput();

private:
    // Runs linkvane-cluster with the stand-ins first on PATH, serving the test's servers meanwhile.
    ClusterRun cluster(const QStringList &arguments, const QByteArray &input = {}, const QString &folder = {});
    QString pathList(const QString &name, const QStringList &paths);
    QStringList sbatchCalls() const;
    QString backlinks(const QString &index);

    QTemporaryDir m_dir;
    QString m_standin;
    QStringList m_wats; // kFiles WAT files capturing the same pages at other moments with other links
};

void LinkvaneClusterTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    const QString bin = m_dir.filePath("bin");
    m_standin = m_dir.filePath("standin");
    QVERIFY(QDir().mkpath(bin) && QDir().mkpath(m_standin));
    QVERIFY(QFile::link(STANDIN_SBATCH, bin + "/sbatch"));
    QVERIFY(QFile::link(STANDIN_SQUEUE, bin + "/squeue"));
    qputenv("PATH", (bin + ':').toUtf8() + qgetenv("PATH"));
    qputenv("STANDIN", m_standin.toUtf8());
    for (int file = 0; file < kFiles; ++file) {
        const std::string n = std::to_string(file);
        const std::string date = "2024-01-0" + std::to_string(1 + (file * 3) % 5) + "T00:00:00Z";
        m_wats << writeFile(m_dir.filePath(QString("crawl/%1.warc.wat.gz").arg(file)),
                            (QDir().mkpath(m_dir.filePath("crawl")),
                             perRecordGzip({watPageRecord("http://shared.example/", date, {"http://t.example/" + n}),
                                            watPageRecord("http://s" + n + ".example/", date,
                                                          {"http://t.example/s" + n, "http://sub.t.example/"})})));
    }
}

void LinkvaneClusterTest::init()
{
    for (const char *file : {"calls", "queue", "refuse"})
        QFile::remove(m_standin + "/" + file);
}

ClusterRun LinkvaneClusterTest::cluster(const QStringList &arguments, const QByteArray &input, const QString &folder)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(LINKVANE_CLUSTER, arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, kWaitMs))
        qFatal("linkvane-cluster %s did not finish", qPrintable(arguments.join(' ')));
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

QString LinkvaneClusterTest::pathList(const QString &name, const QStringList &paths)
{
    return writeFile(m_dir.filePath(name), perRecordGzip({(paths.join('\n') + '\n').toStdString()}));
}

QStringList LinkvaneClusterTest::sbatchCalls() const
{
    QFile calls(m_standin + "/calls");
    return calls.open(QIODevice::ReadOnly) ? QString::fromUtf8(calls.readAll()).split('\n', Qt::SkipEmptyParts)
                                           : QStringList();
}

QString LinkvaneClusterTest::backlinks(const QString &index)
{
    const IndexerRun run = linkvaneIndex({"backlinks", "--index", index, "t.example"});
    return run.status == 0 ? run.out : "failed: " + run.err;
}

void LinkvaneClusterTest::splitGivesEveryLineToOneTask_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("tasks");
    QTest::newRow("a line a task") << 7 << 7;
    QTest::newRow("uneven shares") << 10 << 3;
    QTest::newRow("a whole crawl") << 90'000 << 1000;
    QTest::newRow("one task") << 5 << 1;
}

void LinkvaneClusterTest::splitGivesEveryLineToOneTask()
{
    QFETCH(int, lines);
    QFETCH(int, tasks);
    qsizetype next = 0;
    for (int task = 0; task < tasks; ++task) {
        const auto [first, end] = cluster::taskLines(lines, task, tasks);
        QCOMPARE(first, next);
        QVERIFY2(end > first, qPrintable(QString("task %1 has no line").arg(task)));
        QVERIFY(end - first <= lines / tasks + 1);
        next = end;
    }
    QCOMPARE(next, qsizetype(lines));
}

void LinkvaneClusterTest::arraySpecNamesRanges_data()
{
    QTest::addColumn<QList<int>>("indexes");
    QTest::addColumn<QString>("array");
    QTest::newRow("one") << QList<int>{4} << "4";
    QTest::newRow("a run") << QList<int>{0, 1, 2, 3} << "0-3";
    QTest::newRow("runs and single ones") << QList<int>{0, 1, 3, 5, 6, 9} << "0-1,3,5-6,9";
}

void LinkvaneClusterTest::arraySpecNamesRanges()
{
    QFETCH(QList<int>, indexes);
    QFETCH(QString, array);
    QCOMPARE(cluster::arraySpec(indexes), array);
}

void LinkvaneClusterTest::usageErrorsExitTwo_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("says");
    QTest::newRow("no command") << QStringList{} << "Usage: linkvane-cluster";
    QTest::newRow("unknown command") << QStringList{"sbatch"} << "no command \"sbatch\"";
    QTest::newRow("slurm without --parts") << QStringList{"slurm", "--paths", "p"} << "slurm needs --parts";
    QTest::newRow("no tasks") << QStringList{"slurm", "--paths", "p", "--parts", "d", "--tasks", "0"}
                              << "--tasks needs a number from 1 on, not 0";
    QTest::newRow("base not a URL") << QStringList{"extract", "--base", "data.commoncrawl.org"} << "--base needs a URL";
    QTest::newRow("task without --parts") << QStringList{"extract", "--task", "3"} << "extract needs --parts";
    QTest::newRow("task options beside --parts")
        << QStringList{"extract", "--parts", "d", "--task", "1", "--retries", "2"} << "from its folder";
    QTest::newRow("an argument") << QStringList{"status", "--parts", "d", "more"} << "takes no arguments";
}

void LinkvaneClusterTest::usageErrorsExitTwo()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, says);
    const ClusterRun run = cluster(arguments);
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains(says), qPrintable(run.err));
    QVERIFY(sbatchCalls().isEmpty());
}

void LinkvaneClusterTest::filesThatCannotBeReadExitOne_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("says");
    const QString nowhere = m_dir.filePath("nowhere");
    const QString listGone = m_dir.filePath("list gone");
    QTest::newRow("path list") << QStringList{"slurm", "--paths", nowhere, "--parts", m_dir.filePath("unread")}
                               << "cannot open " + nowhere;
    QTest::newRow("targets") << QStringList{"slurm", "--paths", m_wats[0], "--parts", m_dir.filePath("unread"),
                                            "--targets", nowhere}
                             << "cannot read " + nowhere;
    QTest::newRow("no job in the folder") << QStringList{"status", "--parts", nowhere} << "no job was submitted";
    QTest::newRow("the folder's list gone") << QStringList{"status", "--parts", listGone}
                                            << "cannot open " + listGone + "/paths";
}

void LinkvaneClusterTest::filesThatCannotBeReadExitOne()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, says);
    const QString listGone = m_dir.filePath("list gone");
    if (!QFile::exists(listGone)) {
        QCOMPARE(cluster({"slurm", "--paths", pathList("gone.paths", {m_wats[0]}), "--parts", listGone}).status, 0);
        QVERIFY(QFile::remove(listGone + "/paths"));
    }
    const ClusterRun run = cluster(arguments);
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(says), qPrintable(run.err));
}

// A task whose file is not there fails; the same command again, once it is, submits that task
// only, and the parts in the folder, added twice, make the index one add of every file makes.
void LinkvaneClusterTest::rerunCompletesOnlyWhatFailed()
{
    const QString late = m_dir.filePath("crawl/late.warc.wat.gz");
    const QString paths = pathList("rerun.paths.gz", QStringList(m_wats.begin(), m_wats.begin() + 3) << late << m_wats[3]);
    const QString parts = m_dir.filePath("rerun parts");
    const QStringList job{"slurm", "--paths", paths, "--parts", parts, "--tasks", "3"};

    ClusterRun run = cluster(job);
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QVERIFY2(run.out.startsWith("submitted job 4242: 3 of 3 tasks (0-2)"), qPrintable(run.out));
    run = cluster({"status", "--parts", parts});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.out.startsWith("3 tasks: 2 done, 0 queued or running, 1 failed, 0 missing\n"
                                "failed: task 2, log " + parts + "/logs/task-2.log\n"),
             qPrintable(run.out));
    QVERIFY(!QFile::exists(parts + "/part-00002.tsv"));

    QVERIFY(QFile::copy(m_wats[4], late));
    run = cluster(job);
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QVERIFY2(run.out.startsWith("submitted job 4242: 1 of 3 tasks (2)"), qPrintable(run.out));
    QVERIFY(sbatchCalls().value(1).contains("--array=2 "));
    run = cluster({"status", "--parts", parts});
    QVERIFY2(run.status == 0 && run.out.startsWith("3 tasks: 3 done,"), qPrintable(run.out));
    run = cluster(job);
    QVERIFY2(run.status == 0 && run.out.startsWith("all 3 parts are done"), qPrintable(run.out));
    QCOMPARE(sbatchCalls().size(), 2);

    const QString whole = m_dir.filePath("rerun whole.sqlite");
    QCOMPARE(linkvaneIndex(QStringList{"add", "--index", whole} + m_wats).status, 0);
    // What a task killed while writing leaves is not a part.
    writeFile(parts + "/part-00001.tsv.Ab12Cd", "source_url\tsource_ti");
    const QString fromParts = m_dir.filePath("rerun parts.sqlite");
    for (int time = 0; time < 2; ++time) {
        const IndexerRun add = linkvaneIndex({"add", "--index", fromParts, parts});
        QVERIFY2(add.status == 0 && add.out.count("part-0000") == 3, qPrintable(add.out + add.err));
        QCOMPARE(backlinks(fromParts), backlinks(whole));
    }
}

// Tasks start in the folder sbatch ran in; the same relative list submitted from another folder
// names other files.
void LinkvaneClusterTest::relativePathsAreThoseOfTheFirstSubmission()
{
    const QString list = pathList("relative.paths", {"crawl/0.warc.wat.gz"});
    const QString parts = m_dir.filePath("relative parts");
    QCOMPARE(cluster({"slurm", "--paths", list, "--parts", parts}, {}, m_dir.path()).status, 0);
    QVERIFY(QFile::remove(parts + "/part-00000.tsv"));
    const ClusterRun run = cluster({"slurm", "--paths", list, "--parts", parts}, {}, m_dir.filePath("crawl"));
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains("another job"), qPrintable(run.err));
    QCOMPARE(cluster({"slurm", "--paths", list, "--parts", parts}, {}, m_dir.path()).status, 0);
    QCOMPARE(cluster({"status", "--parts", parts}).status, 0);
}

void LinkvaneClusterTest::submissionThatCannotGoAheadSubmitsNothing_data()
{
    QTest::addColumn<QStringList>("arguments"); // in place of the first job's
    QTest::addColumn<QString>("standin");       // what the stand-ins are told
    QTest::addColumn<QString>("says");
    const QString other = "another job";
    QTest::newRow("other --tasks") << QStringList{"--tasks", "1"} << "" << other;
    QTest::newRow("other --retries") << QStringList{"--retries", "2"} << "" << other;
    QTest::newRow("other --base") << QStringList{"--base", "http://127.0.0.1:1"} << "" << other;
    QTest::newRow("other targets") << QStringList{"--targets", m_wats[0] + ".targets"} << "" << other;
    QTest::newRow("other paths") << QStringList{"--paths", "three"} << "" << other;
    QTest::newRow("tasks still queued") << QStringList{} << "queue" << "still queued or running";
    QTest::newRow("sbatch refuses") << QStringList{} << "refuse" << "Invalid partition name";
}

void LinkvaneClusterTest::submissionThatCannotGoAheadSubmitsNothing()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, standin);
    QFETCH(QString, says);
    const QString parts = m_dir.filePath(QString("refused %1").arg(QTest::currentDataTag()));
    const QStringList first{"--paths", pathList("two.paths", m_wats.mid(0, 2)), "--parts", parts,
                            "--tasks", "2", "--retries", "0"};
    QVERIFY(cluster(QStringList{"slurm"} + first).status == 0);
    // Task 1 is to be submitted again.
    QVERIFY(QFile::remove(parts + "/part-00001.tsv"));

    QStringList again = first;
    for (qsizetype at = 0; at < arguments.size(); at += 2) {
        const QString value = arguments[at] == "--paths" ? pathList("three.paths", m_wats.mid(0, 3))
                            : arguments[at] == "--targets" ? writeFile(arguments[at + 1], "t.example\n")
                                                           : arguments[at + 1];
        const qsizetype given = again.indexOf(arguments[at]);
        if (given < 0)
            again << arguments[at] << value;
        else
            again[given + 1] = value;
    }
    if (standin == "queue")
        writeFile(m_standin + "/queue", "17 1\n4242 1\n");
    if (standin == "refuse")
        writeFile(m_standin + "/refuse", "");
    const ClusterRun run = cluster(QStringList{"slurm"} + again);
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(says), qPrintable(run.err));
    QCOMPARE(sbatchCalls().size(), 1);
    QFile jobs(parts + "/jobs");
    QVERIFY(jobs.open(QIODevice::ReadOnly));
    QCOMPARE(jobs.readAll(), "4242\n");
}

void LinkvaneClusterTest::downloadsRetriedAndFailuresLeaveNoPart_data()
{
    QTest::addColumn<int>("failWith");
    QTest::addColumn<int>("failures"); // before the file is served
    QTest::addColumn<int>("retries");
    QTest::addColumn<int>("requests");
    QTest::newRow("500 once, retried") << 500 << 1 << 1 << 2;
    QTest::newRow("500 beyond the retries") << 500 << 2 << 1 << 2;
    QTest::newRow("404 is not retried") << 404 << 100 << 3 << 1;
}

void LinkvaneClusterTest::downloadsRetriedAndFailuresLeaveNoPart()
{
    QFETCH(int, failWith);
    QFETCH(int, failures);
    QFETCH(int, retries);
    QFETCH(int, requests);
    QFile wat(m_wats[0]);
    QVERIFY(wat.open(QIODevice::ReadOnly));
    const QByteArray served = wat.readAll();
    int failed = 0;
    TestServer bucket([&](const QByteArray &target, QTcpSocket *socket) {
        if (target != "/crawl-data/0.wat.gz")
            TestServer::reply(socket, 404, "no such key");
        else if (failed < failures && ++failed)
            TestServer::reply(socket, failWith, "try again");
        else
            TestServer::reply(socket, 200, served, "application/octet-stream");
    });
    const QString parts = m_dir.filePath(QString("download %1").arg(QTest::currentDataTag()));
    const ClusterRun run = cluster({"slurm", "--paths", pathList("one.paths", {"crawl-data/0.wat.gz"}), "--parts", parts,
                                    "--base", QString("http://127.0.0.1:%1/").arg(bucket.port()), "--retries",
                                    QString::number(retries)});
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QCOMPARE(bucket.targets.size(), requests);

    const bool done = failures <= retries;
    QCOMPARE(cluster({"status", "--parts", parts}).status, done ? 0 : 1);
    QStringList left = QDir(parts).entryList({"part-*", "covers-*"}, QDir::Files | QDir::Hidden);
    if (!done) {
        QVERIFY2(left.isEmpty(), qPrintable(left.join(' ')));
        return;
    }
    QCOMPARE(left, (QStringList{"covers-00000.txt", "part-00000.tsv"}));
    QFile part(parts + "/part-00000.tsv");
    QVERIFY(part.open(QIODevice::ReadOnly));
    QCOMPARE(part.readAll(), linkvaneIndex({"extract", m_wats[0]}).bytes);
}

// Spark's and Hadoop's mappers: paths on standard input, Hadoop's "offset<TAB>" in front of them.
void LinkvaneClusterTest::mapperReadsPathsOnStandardInput()
{
    ClusterRun run = cluster({"extract"}, ("0\t" + m_wats[1] + "\n\n" + "812\t" + m_wats[2] + "\n").toUtf8());
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QCOMPARE(run.out, linkvaneIndex({"extract", "--threads", "1", m_wats[1], m_wats[2]}).out);

    run = cluster({"extract"}, (m_wats[1] + "\n" + m_dir.filePath("nowhere.wat.gz") + "\n").toUtf8());
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains("could not read " + m_dir.filePath("nowhere.wat.gz") + " whole"), qPrintable(run.err));
}

QTEST_GUILESS_MAIN(LinkvaneClusterTest)
#include "tst_linkvanecluster.moc"
