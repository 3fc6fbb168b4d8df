#include "results/resulttable.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QtTest>

namespace {

QStringList headers(const ResultTable &table)
{
    QStringList texts;
    for (int i = 0; i < table.model()->columnCount(); ++i)
        texts << table.model()->headerData(i, Qt::Horizontal).toString();
    return texts;
}

QList<int> widths(const ResultTable &table)
{
    QList<int> sizes;
    for (int i = 0; i < table.model()->columnCount(); ++i)
        sizes << table.header()->sectionSize(i);
    return sizes;
}

QStringList row(const ResultTable &table, int index)
{
    return {table.cellText(index, 0), table.cellText(index, 1), table.cellText(index, 2)};
}

const QStringList kHeaders{"序号", "  网络带外链的页面（最多列出1000条）", "          页面名字"};

} // namespace

class ResultTableTest : public QObject
{
    Q_OBJECT

private slots:
    void columnsAreSetUpWithTheirHeadersAndWidths();
    void rowKShowsLinkK();
    void refreshStartsTheTableAfresh();
    void missingNameKeepsItsPlaceholder();
    void summaryLineQuotesTheCountAndTheListedLinks_data();
    void summaryLineQuotesTheCountAndTheListedLinks();
};

void ResultTableTest::columnsAreSetUpWithTheirHeadersAndWidths()
{
    ResultTable table;
    table.setUpColumns();
    QCOMPARE(headers(table), kHeaders);
    QCOMPARE(widths(table), (QList<int>{40, 350, 350}));

    table.rebuild({});
    QCOMPARE(headers(table), kHeaders);
    QCOMPARE(table.rows(), 0);
}

void ResultTableTest::rowKShowsLinkK()
{
    ResultTable table;
    table.rebuild({{"l0", "l1", "l2"}, {"name0\r\n", "name1\r\n", "匹配失败"}, {"http://a/\r\n", "匹配失败", "http://c/\r\n"}});
    QCOMPARE(table.rows(), 3);
    QCOMPARE(row(table, 0), (QStringList{"1", "http://a/\r\n", "name0\r\n"}));
    QCOMPARE(row(table, 1), (QStringList{"2", "匹配失败", "name1\r\n"}));
    QCOMPARE(row(table, 2), (QStringList{"3", "http://c/\r\n", "匹配失败"}));
}

void ResultTableTest::refreshStartsTheTableAfresh()
{
    ResultTable table;
    table.resize(740, 100);
    table.show();
    LinkLists links;
    for (int i = 1; i <= 40; ++i)
        links.List1 << "x", links.List2 << QString::number(i), links.List3 << "http://a/";
    table.rebuild(links);
    table.header()->resizeSection(1, 90);
    table.setCurrentIndex(table.model()->index(30, 0));
    table.scrollToBottom();

    table.rebuild(links);
    QCOMPARE(headers(table), kHeaders);
    QCOMPARE(widths(table), (QList<int>{40, 350, 350}));
    QCOMPARE(table.rows(), 40);
    QCOMPARE(row(table, 39), (QStringList{"40", "http://a/", "40"}));
    QVERIFY(!table.selectionModel()->hasSelection());
    QCOMPARE(table.verticalScrollBar()->value(), 0);
}

void ResultTableTest::missingNameKeepsItsPlaceholder()
{
    ResultTable table;
    table.rebuild({{"a", "b"}, {"A"}, {"http://a/", "http://b/"}});
    QCOMPARE(row(table, 1), (QStringList{"2", "http://b/", "2"}));
}

void ResultTableTest::summaryLineQuotesTheCountAndTheListedLinks_data()
{
    QTest::addColumn<QString>("count");
    QTest::addColumn<int>("listed");
    QTest::addColumn<QString>("line");
    QTest::newRow("worked example") << "386" << 50 << "网络中共386个页面有该站链接。  最多列出1000条！   当前已列出50条";
    QTest::newRow("nothing listed") << "0" << 0 << "网络中共0个页面有该站链接。  最多列出1000条！   当前已列出0条";
    QTest::newRow("empty count") << "" << 3 << "网络中共个页面有该站链接。  最多列出1000条！   当前已列出3条";
    QTest::newRow("count that is no number") << "Label1" << 1234 << "网络中共Label1个页面有该站链接。  最多列出1000条！   当前已列出1234条";
}

void ResultTableTest::summaryLineQuotesTheCountAndTheListedLinks()
{
    QFETCH(QString, count);
    QFETCH(int, listed);
    QFETCH(QString, line);
    QCOMPARE(summaryLine(count, listed), line);
}

QTEST_MAIN(ResultTableTest)
#include "tst_resulttable.moc"
