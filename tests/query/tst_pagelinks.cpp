#include "query/pagelinks.h"

#include <QtTest>

class PageLinksTest : public QObject
{
    Q_OBJECT

private slots:
    void appendsEachLineWithItsUrlAndTitle_data();
    void appendsEachLineWithItsUrlAndTitle();
    void appendsAfterWhatTheListsHold();
};

void PageLinksTest::appendsEachLineWithItsUrlAndTitle_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("list1");
    QTest::addColumn<QStringList>("list3");
    QTest::addColumn<QStringList>("list2");

    const QString none = QStringLiteral("匹配失败");
    QTest::newRow("two anchors, then the empty line after the last CR LF")
        << "<ol>\n1. <a href=\"http://a.example/x.html\" target=\"_blank\">茶园</a>\n"
           "2. <a href=\"http://b.example/\">B site</a></ol>"
        << QStringList{". <a href=\"http://a.example/x.html\" target=\"_blank\">茶园</a>",
                       ". <a href=\"http://b.example/\">B site</a>", ""}
        << QStringList{"http://a.example/x.html\r\n", "http://b.example/\r\n", none}
        << QStringList{"茶园\r\n", "B site\r\n", none};
    QTest::newRow("snapshot lines add nothing")
        << "1. <a href=\"http://a.example/\">A</a>\n  <a href=\"http://cache.example/?u=a\">快照</a>\n"
           "x <a href=\"http://c.example/\">页面快照 C</a>"
        << QStringList{". <a href=\"http://a.example/\">A</a>", ""}
        << QStringList{"http://a.example/\r\n", none}
        << QStringList{"A\r\n", none};
    QTest::newRow("a page without anchors, or none at all")
        << "" << QStringList{none} << QStringList{none} << QStringList{none};
    QTest::newRow("upper-case end tag is not removed, only its '>'")
        << "x <A HREF=\"http://a.example/\">T</A>"
        << QStringList{"x <A HREF=\"http://a.example/\">T</A>", ""}
        << QStringList{"http://a.example/\r\n", none}
        << QStringList{"T</A\r\n", none};
    QTest::newRow("inner tags keep all but their '>'")
        << "x <a href=\"http://a.example/\"><b>T</b></a>"
        << QStringList{"x <a href=\"http://a.example/\"><b>T</b></a>", ""}
        << QStringList{"http://a.example/\r\n", none}
        << QStringList{"<bT</b\r\n", none};
    QTest::newRow("relative link has no URL")
        << "x <a href=\"/local.html\">L</a>"
        << QStringList{"x <a href=\"/local.html\">L</a>", ""}
        << QStringList{none, none}
        << QStringList{"L\r\n", none};
}

void PageLinksTest::appendsEachLineWithItsUrlAndTitle()
{
    QFETCH(QString, page);
    QFETCH(QStringList, list1);
    QFETCH(QStringList, list3);
    QFETCH(QStringList, list2);
    LinkLists links;
    appendPageLinks(page, links);
    QCOMPARE(links.List1, list1);
    QCOMPARE(links.List3, list3);
    QCOMPARE(links.List2, list2);
}

void PageLinksTest::appendsAfterWhatTheListsHold()
{
    LinkLists links{{"old1"}, {"old2"}, {"old3"}};
    appendPageLinks(QStringLiteral("1. <a href=\"http://a.example/\">A</a>"), links);
    QCOMPARE(links.List1, (QStringList{"old1", ". <a href=\"http://a.example/\">A</a>", ""}));
    QCOMPARE(links.List2, (QStringList{"old2", "A\r\n", "匹配失败"}));
    QCOMPARE(links.List3, (QStringList{"old3", "http://a.example/\r\n", "匹配失败"}));
}

QTEST_GUILESS_MAIN(PageLinksTest)
#include "tst_pagelinks.moc"
