#include "results/resulttable.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <QtTest>

namespace {

QStringList headers(const QTreeWidget &table)
{
    QStringList texts;
    for (int i = 0; i < table.columnCount(); ++i)
        texts << table.headerItem()->text(i);
    return texts;
}

QList<int> widths(const QTreeWidget &table)
{
    QList<int> sizes;
    for (int i = 0; i < table.columnCount(); ++i)
        sizes << table.header()->sectionSize(i);
    return sizes;
}

QStringList row(const QTreeWidget &table, int index)
{
    const QTreeWidgetItem *item = table.topLevelItem(index);
    return {item->text(0), item->text(1), item->text(2)};
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
    QTreeWidget table;
    resulttable::setUpColumns(table);
    QCOMPARE(headers(table), kHeaders);
    QCOMPARE(widths(table), (QList<int>{40, 350, 350}));

    resulttable::rebuild(table, {});
    QCOMPARE(headers(table), kHeaders);
    QCOMPARE(table.topLevelItemCount(), 0);
}

void ResultTableTest::rowKShowsLinkK()
{
    QTreeWidget table;
    const LinkLists links{{"l0", "l1", "l2"}, {"name0\r\n", "name1\r\n", "匹配失败"}, {"http://a/\r\n", "匹配失败", "http://c/\r\n"}};
    resulttable::rebuild(table, links);
    QCOMPARE(table.topLevelItemCount(), 3);
    QCOMPARE(row(table, 0), (QStringList{"1", "http://a/\r\n", "name0\r\n"}));
    QCOMPARE(row(table, 1), (QStringList{"2", "匹配失败", "name1\r\n"}));
    QCOMPARE(row(table, 2), (QStringList{"3", "http://c/\r\n", "匹配失败"}));
}

void ResultTableTest::refreshStartsTheTableAfresh()
{
    QTreeWidget table;
    const LinkLists links{{"a", "b"}, {"A", "B"}, {"http://a/", "http://b/"}};
    resulttable::rebuild(table, links);
    table.header()->resizeSection(1, 90);
    table.setCurrentItem(table.topLevelItem(1));

    resulttable::rebuild(table, links);
    QCOMPARE(headers(table), kHeaders);
    QCOMPARE(widths(table), (QList<int>{40, 350, 350}));
    QCOMPARE(table.topLevelItemCount(), 2);
    QCOMPARE(row(table, 1), (QStringList{"2", "http://b/", "B"}));
    QVERIFY(table.selectedItems().isEmpty());
}

void ResultTableTest::missingNameKeepsItsPlaceholder()
{
    QTreeWidget table;
    resulttable::rebuild(table, {{"a", "b"}, {"A"}, {"http://a/", "http://b/"}});
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
    QCOMPARE(resulttable::summaryLine(count, listed), line);
}

QTEST_MAIN(ResultTableTest)
#include "tst_resulttable.moc"
