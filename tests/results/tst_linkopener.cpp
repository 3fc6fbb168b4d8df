#include "results/linkopener.h"
#include "results/resulttable.h"

#include <QHeaderView>
#include <QtTest>

class LinkOpenerTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void opensTheSelectedRowsUrlFromAnyCell();
    void opensNothingOffTheRows();
    void opensOnlyAWebAddress_data();
    void opensOnlyAWebAddress();

private:
    // The cursor over a cell of the table, in global coordinates.
    QPoint over(int row, int column) const;
    QPoint overRow(int row, int x) const;

    std::unique_ptr<ResultTable> m_table;
};

void LinkOpenerTest::init()
{
    m_table = std::make_unique<ResultTable>();
    m_table->resize(740, 290);
    m_table->rebuild({{"a", "b", "c"},
                                    {"A\r\n", "B\r\n", "C\r\n"},
                                    {"http://a.example/x.html\r\n", "http://b.example/y?q=1\r\nhttp://c.example/\r\n", "匹配失败"}});
    m_table->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_table.get()));
}

QPoint LinkOpenerTest::overRow(int row, int x) const
{
    const QRect rect = m_table->visualRect(m_table->model()->index(row, 0));
    return m_table->viewport()->mapToGlobal(QPoint(x, rect.center().y()));
}

QPoint LinkOpenerTest::over(int row, int column) const
{
    const int x = m_table->header()->sectionViewportPosition(column) + 10;
    return overRow(row, x);
}

void LinkOpenerTest::opensTheSelectedRowsUrlFromAnyCell()
{
    m_table->setCurrentIndex(m_table->model()->index(1, 0));
    for (int column : {0, 1, 2})
        QCOMPARE(linkToOpen(*m_table, over(1, column)), QUrl("http://b.example/y?q=1"));
    // The row opened is the selected one, whichever row the cursor is on.
    QCOMPARE(linkToOpen(*m_table, over(0, 2)), QUrl("http://b.example/y?q=1"));
}

void LinkOpenerTest::opensNothingOffTheRows()
{
    m_table->setCurrentIndex(m_table->model()->index(0, 0));
    const QRect last = m_table->visualRect(m_table->model()->index(2, 0));
    QCOMPARE(linkToOpen(*m_table, m_table->viewport()->mapToGlobal(QPoint(100, last.bottom() + 20))), std::nullopt);
    // Not strictly right of the first column's left edge.
    QCOMPARE(linkToOpen(*m_table, overRow(0, 0)), std::nullopt);
    QCOMPARE(linkToOpen(*m_table, overRow(0, 1)), QUrl("http://a.example/x.html"));

    m_table->clearSelection();
    QCOMPARE(linkToOpen(*m_table, over(0, 1)), std::nullopt);

    m_table->rebuild({});
    QCOMPARE(linkToOpen(*m_table, m_table->viewport()->mapToGlobal(QPoint(100, 10))), std::nullopt);
}

void LinkOpenerTest::opensOnlyAWebAddress_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QUrl>("opened");
    QTest::newRow("http URL") << "http://a.example/p q.html\r\n" << QUrl("http://a.example/p%20q.html");
    QTest::newRow("upper-case scheme") << "HTTP://A.EXAMPLE/\r\n" << QUrl("http://a.example/");
    QTest::newRow("https URL on a port")
        << "https://a.example:8443/~li/?q=a+b,c&r=1\r\n" << QUrl("https://a.example:8443/~li/?q=a+b,c&r=1");
    QTest::newRow("upper-case https") << "HTTPS://A.EXAMPLE/\r\n" << QUrl("https://a.example/");
    QTest::newRow("another scheme") << "ftp://a.example/\r\n" << QUrl();
    QTest::newRow("javascript") << "javascript:alert(1)//http://a.example/\r\n" << QUrl();
    QTest::newRow("no-match text") << "匹配失败" << QUrl();
    QTest::newRow("empty") << "" << QUrl();
    QTest::newRow("a local file") << "/etc/passwd\r\n" << QUrl();
    QTest::newRow("file URL") << "file:///bin/sh\r\n" << QUrl();
    QTest::newRow("no host") << "http://\r\n" << QUrl();
}

void LinkOpenerTest::opensOnlyAWebAddress()
{
    QFETCH(QString, cell);
    QFETCH(QUrl, opened);
    m_table->rebuild({{"x"}, {"X"}, {cell}});
    m_table->setCurrentIndex(m_table->model()->index(0, 0));
    const std::optional<QUrl> url = linkToOpen(*m_table, over(0, 1));
    QCOMPARE(url.value_or(QUrl()), opened);
}

QTEST_MAIN(LinkOpenerTest)
#include "tst_linkopener.moc"
