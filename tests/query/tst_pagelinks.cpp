#include "query/pagelinks.h"

#include <QtTest>

class PageLinksTest : public QObject
{
    Q_OBJECT

private slots:
    void appendsEachLineWithItsUrlAndTitle_data();
    void appendsEachLineWithItsUrlAndTitle();
    void listsAsManyRowsAsThePageHasLinks_data();
    void listsAsManyRowsAsThePageHasLinks();
    void appendsAfterWhatTheListsHold();
};

void PageLinksTest::appendsEachLineWithItsUrlAndTitle_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("list1");
    QTest::addColumn<QStringList>("list3");
    QTest::addColumn<QStringList>("list2");

    const QString none = QStringLiteral("匹配失败");
    QTest::newRow("two anchors")
        << "<ol>\n1. <a href=\"http://a.example/x.html\" target=\"_blank\">茶园</a>\n"
           "2. <a href=\"http://b.example/\">B site</a></ol>"
        << QStringList{". <a href=\"http://a.example/x.html\" target=\"_blank\">茶园</a>",
                       ". <a href=\"http://b.example/\">B site</a>"}
        << QStringList{"http://a.example/x.html\r\n", "http://b.example/\r\n"}
        << QStringList{"茶园\r\n", "B site\r\n"};
    QTest::newRow("snapshot lines add nothing")
        << "1. <a href=\"http://a.example/\">A</a>\n  <a href=\"http://cache.example/?u=a\">快照</a>\n"
           "x <a href=\"http://c.example/\">页面快照 C</a>"
        << QStringList{". <a href=\"http://a.example/\">A</a>"} << QStringList{"http://a.example/\r\n"}
        << QStringList{"A\r\n"};
    QTest::newRow("a page without anchors, or none at all")
        << "" << QStringList{none} << QStringList{none} << QStringList{none};
    QTest::newRow("a page of snapshots only") << "1 <a href=\"http://cache.example/\">快照</a>"
                                              << QStringList{} << QStringList{} << QStringList{};
    QTest::newRow("relative link has no URL")
        << "x <a href=\"/local.html\">L</a>"
        << QStringList{"x <a href=\"/local.html\">L</a>"} << QStringList{none} << QStringList{"L\r\n"};

    // Lines as real result pages write them.
    const auto link = [](const char *markup, const char *url, const char *name) {
        const QString line = QString::fromUtf8(markup);
        QTest::newRow(markup) << "<li>7" + line + "\n" << QStringList{line} << QStringList{QString::fromUtf8(url)}
                              << QStringList{QString::fromUtf8(name)};
    };
    link(". <a href=\"https://secure.example/tea.html\">Tea</a>", "https://secure.example/tea.html\r\n", "Tea\r\n");
    link(". <A HREF=\"HTTPS://SECURE.EXAMPLE/\">T</A>", "HTTPS://SECURE.EXAMPLE/\r\n", "T\r\n");
    link(". <a href=\"http://shop.example:8080/cart/view.html\">Cart</a>", "http://shop.example:8080/cart/view.html\r\n",
         "Cart\r\n");
    link(". <a href=\"http://home.example/~li/tea.html\">Li</a>", "http://home.example/~li/tea.html\r\n", "Li\r\n");
    link(". <a href=\"http://s.example/search?q=green+tea,oolong&page=2\">Q</a>",
         "http://s.example/search?q=green+tea,oolong&page=2\r\n", "Q\r\n");
    link(". <a href=\"http://w.example/wiki/Tea_(drink);v=1:2@x!$*\">W</a>",
         "http://w.example/wiki/Tea_(drink);v=1:2@x!$*\r\n", "W\r\n");
    link(". <a href='http://q.example/single.html' target=_blank>S</a>", "http://q.example/single.html\r\n", "S\r\n");
    link(". <a href=\"http://f.example/p.html#top\">F</a>", "http://f.example/p.html\r\n", "F\r\n");
    link(". <a href=\"http://h.example:abc/\">H</a>", "http://h.example\r\n", "H\r\n");
    link(". <a href=\"http://a.example/?a=1&amp;b=2&lt=3\">A</a>", "http://a.example/?a=1&b=2&lt=3\r\n", "A\r\n");
    link(". <a href=\"http://a.example/\">绿茶 <b>龙井</b> 上市</a>", "http://a.example/\r\n", "绿茶 龙井 上市\r\n");
    link(". <a href=\"http://a.example/\"><b>Bold</b> &amp; more</a>", "http://a.example/\r\n", "Bold & more\r\n");
    link(". <a href=\"http://a.example/\">&#20013;&#x6587; &lt;b&gt;页&lt;/b&gt;</a>", "http://a.example/\r\n",
         "中文 <b>页</b>\r\n");
    link(". <a href=\"http://a.example/\">5 > 3 &amp 4 &unknown; AT&T</a>", "http://a.example/\r\n",
         "5  3 & 4 &unknown; AT&T\r\n");
    link(". <a href=\"http://a.example/\">UPPER &AMP; CASE &COPY; &#128;&notit;</a>", "http://a.example/\r\n",
         "UPPER & CASE © €¬it;\r\n");
    link(". <a href=\"http://a.example/?a=1&copy=2&notice=1&amp=3&AMP;b=4\">U</a>",
         "http://a.example/?a=1&copy=2&notice=1&amp=3&b=4\r\n", "U\r\n");
    link(". <a href=\"http://a.example/\">x<<b>y</b> 1 < 2</a>", "http://a.example/\r\n", "x<y 1 < 2\r\n");
    link(". <a href=\"http://a.example/\">http://b.example/c</a>", "http://a.example/\r\nhttp://b.example/c\r\n",
         "http://b.example/c\r\n");
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

void PageLinksTest::listsAsManyRowsAsThePageHasLinks_data()
{
    QTest::addColumn<int>("links");
    QTest::newRow("one") << 1;
    QTest::newRow("a full page") << 50;
}

void PageLinksTest::listsAsManyRowsAsThePageHasLinks()
{
    QFETCH(int, links);
    QString page = QStringLiteral("<ol>\n");
    for (int i = 1; i <= links; ++i)
        page += QStringLiteral("<li>%1. <a href=\"https://s%1.example/\">S &amp; %1</a> - <a href=\"/c\">快照</a>\n").arg(i);
    LinkLists lists;
    appendPageLinks(page, lists);
    QCOMPARE(lists.List1.size(), links);
    QCOMPARE(lists.List2.size(), links);
    QCOMPARE(lists.List3.size(), links);
    QCOMPARE(lists.List3.last(), QStringLiteral("https://s%1.example/\r\n").arg(links));
    QCOMPARE(lists.List2.last(), QStringLiteral("S & %1\r\n").arg(links));
}

void PageLinksTest::appendsAfterWhatTheListsHold()
{
    LinkLists links{{"old1"}, {"old2"}, {"old3"}};
    appendPageLinks(QStringLiteral("1. <a href=\"http://a.example/\">A</a>"), links);
    QCOMPARE(links.List1, (QStringList{"old1", ". <a href=\"http://a.example/\">A</a>"}));
    QCOMPARE(links.List2, (QStringList{"old2", "A\r\n"}));
    QCOMPARE(links.List3, (QStringList{"old3", "http://a.example/\r\n"}));
}

QTEST_GUILESS_MAIN(PageLinksTest)
#include "tst_pagelinks.moc"
