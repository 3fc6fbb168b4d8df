#include "results/resulttable.h"
#include "results/tableexport.h"

#include <QtTest>

#include <unistd.h>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

} // namespace

class TableExportTest : public QObject
{
    Q_OBJECT

private slots:
    void csvFileHoldsEveryRowAsShown_data();
    void csvFileHoldsEveryRowAsShown();
    void fileThatCannotBeWrittenIsLeftAlone_data();
    void fileThatCannotBeWrittenIsLeftAlone();
};

void TableExportTest::csvFileHoldsEveryRowAsShown_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("plain") << "http://a.example/\r\n" << "茶园\r\n" << QByteArray("1,http://a.example/,茶园\r\n");
    QTest::newRow("comma") << "http://a.example/?q=a,b\r\n" << "Tea, cake\r\n"
                           << QByteArray("1,\"http://a.example/?q=a,b\",\"Tea, cake\"\r\n");
    QTest::newRow("quotation marks") << "http://a.example/\r\n" << "\"Tea\" house\r\n"
                                     << QByteArray("1,http://a.example/,\"\"\"Tea\"\" house\"\r\n");
    QTest::newRow("a CR inside the name") << "http://a.example/\r\n" << "a\rb\r\n"
                                          << QByteArray("1,http://a.example/,\"a\rb\"\r\n");
    QTest::newRow("a line feed inside the name") << "http://a.example/\r\n" << "a\nb"
                                                 << QByteArray("1,http://a.example/,\"a\nb\"\r\n");
    QTest::newRow("two URLs on one line") << "http://a.example/\r\nhttp://b.example/\r\n" << "'x' ;\r\n"
                                          << QByteArray("1,http://a.example/ http://b.example/,'x' ;\r\n");
}

void TableExportTest::csvFileHoldsEveryRowAsShown()
{
    QFETCH(QString, url);
    QFETCH(QString, name);
    QFETCH(QByteArray, line);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("links.csv"));
    ResultTable table;
    table.rebuild({{"line", "line"}, {name, "匹配失败"}, {url, "匹配失败"}});
    QCOMPARE(saveCsvFile(table, path), QString());
    QCOMPARE(fileBytes(path), "\xEF\xBB\xBF序号,网址,页面名字\r\n" + line + "2,匹配失败,匹配失败\r\n");
}

void TableExportTest::fileThatCannotBeWrittenIsLeftAlone_data()
{
    QTest::addColumn<QString>("folder"); // under a fresh temporary folder, or absolute
    QTest::newRow("folder that does not exist") << "missing";
    QTest::newRow("a file where the folder should be") << "file";
    QTest::newRow("a file system no one writes") << "/proc";
    QTest::newRow("read-only folder holding the file") << "read-only";
}

void TableExportTest::fileThatCannotBeWrittenIsLeftAlone()
{
    QFETCH(QString, folder);
    if (folder == "read-only" && geteuid() == 0)
        QSKIP("root writes into read-only folders");
    QTemporaryDir dir;
    QFile(dir.filePath("file")).open(QIODevice::WriteOnly);
    QDir(dir.path()).mkdir("read-only");
    QFile old(dir.filePath("read-only/links.csv"));
    QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
    old.close();
    QFile::setPermissions(dir.filePath("read-only"), QFile::ReadOwner | QFile::ExeOwner);
    const QString path = QDir(dir.path()).filePath(folder + "/links.csv");
    const QStringList before = QDir(QFileInfo(path).path()).entryList(QDir::Files);

    ResultTable table;
    table.rebuild({{"line"}, {"A\r\n"}, {"http://a.example/\r\n"}});
    QVERIFY(!saveCsvFile(table, path).isEmpty());
    QCOMPARE(QDir(QFileInfo(path).path()).entryList(QDir::Files), before);
    QCOMPARE(fileBytes(dir.filePath("read-only/links.csv")), "old");
    QFile::setPermissions(dir.filePath("read-only"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QTEST_MAIN(TableExportTest)
#include "tst_tableexport.moc"
