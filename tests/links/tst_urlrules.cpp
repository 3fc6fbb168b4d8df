#include "links/urlrules.h"

#include <QtTest>

class UrlRulesTest : public QObject
{
    Q_OBJECT

private slots:
    void normalizesAbsoluteHttpUrls_data();
    void normalizesAbsoluteHttpUrls();
    void resolvesLinksToOtherHosts_data();
    void resolvesLinksToOtherHosts();
    void keepsAnchorTextAndNofollow();
};

void UrlRulesTest::normalizesAbsoluteHttpUrls_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("normalized"); // empty: refused

    QTest::newRow("host case, fragment") << "HTTP://Www.Example.COM/Path?Q=1#Frag" << "http://www.example.com/Path?Q=1";
    QTest::newRow("default http port") << "http://a.example:80/x" << "http://a.example/x";
    QTest::newRow("default https port") << "https://a.example:443/x" << "https://a.example/x";
    QTest::newRow("other ports kept") << "https://a.example:80/x" << "https://a.example:80/x";
    QTest::newRow("empty path") << "https://a.example" << "https://a.example/";
    QTest::newRow("IDNA host as punycode") << "http://例子.example/" << "http://xn--fsqu00a.example/";
    QTest::newRow("IDNA host written upper case") << "http://FAß.Example/" << "http://xn--fa-hia.example/";
    QTest::newRow("dot segments") << "http://a.example/a/./b/../c/" << "http://a.example/a/c/";
    QTest::newRow("what a URL must not carry, percent-encoded")
        << "http://a.example/路 \"<>{}|^`?q=a b&c=\"中\"" << "http://a.example/%E8%B7%AF%20%22%3C%3E%7B%7D%7C%5E%60?q=a%20b&c=%22%E4%B8%AD%22";
    QTest::newRow("escapes kept, a stray % escaped") << "http://a.example/%2F%zz?x=%41%" << "http://a.example/%2F%25zz?x=A%25";
    QTest::newRow("controls and spaces at the ends") << "\x01 \thttp://a.example/x \r\n\x1f" << "http://a.example/x";
    QTest::newRow("tabs and line breaks inside") << "ht\ttp://a.exa\nmple/x\r/y" << "http://a.example/x/y";
    QTest::newRow("backslash is a slash up to the query") << "http:\\\\a.example\\x\\y?q=\\" << "http://a.example/x/y?q=%5C";
    QTest::newRow("relative") << "/x/y" << "";
    QTest::newRow("protocol-relative") << "//a.example/" << "";
    QTest::newRow("other scheme") << "ftp://a.example/" << "";
    QTest::newRow("no host") << "http:///x" << "";
    QTest::newRow("invalid host") << "http://a..example/" << "";
    QTest::newRow("empty") << "" << "";
}

void UrlRulesTest::normalizesAbsoluteHttpUrls()
{
    QFETCH(QString, url);
    QFETCH(QString, normalized);
    const std::optional<std::string> result = links::normalizedUrl(url.toStdString());
    QCOMPARE(result ? QString::fromStdString(*result) : QString(), normalized);
}

void UrlRulesTest::resolvesLinksToOtherHosts_data()
{
    QTest::addColumn<QString>("base"); // the page's <base href>, if any
    QTest::addColumn<QString>("href");
    QTest::addColumn<QString>("url"); // empty: no link
    QTest::addColumn<QString>("host");

    // The page is http://www.page.example/docs/guide/intro.html.
    QTest::newRow("relative: the page's own host") << "" << "setup.html" << "" << "";
    QTest::newRow("dot segments up to the root") << "" << "../../../x" << "" << "";
    QTest::newRow("query only") << "" << "?page=2" << "" << "";
    QTest::newRow("fragment only") << "" << "#top" << "" << "";
    QTest::newRow("absolute, other host") << "" << "http://other.example/a#b" << "http://other.example/a" << "other.example";
    QTest::newRow("https target") << "" << "https://secure.example/" << "https://secure.example/" << "secure.example";
    QTest::newRow("protocol-relative takes the page's scheme")
        << "" << "//cdn.example/lib.js" << "http://cdn.example/lib.js" << "cdn.example";
    QTest::newRow("backslashes read as slashes") << "" << "\\\\cdn.example\\x" << "http://cdn.example/x" << "cdn.example";
    QTest::newRow("host case") << "" << "http://OTHER.Example/" << "http://other.example/" << "other.example";
    QTest::newRow("IDNA host") << "" << "http://例子.example/路径" << "http://xn--fsqu00a.example/%E8%B7%AF%E5%BE%84" << "xn--fsqu00a.example";
    QTest::newRow("non-default port kept") << "" << "http://other.example:8080/" << "http://other.example:8080/" << "other.example";
    QTest::newRow("subdomain is another host") << "" << "http://page.example/" << "http://page.example/" << "page.example";
    QTest::newRow("own host, absolute") << "" << "http://www.page.example/x" << "" << "";
    QTest::newRow("own host, other case") << "" << "http://WWW.Page.Example/x" << "" << "";
    QTest::newRow("own host, default port") << "" << "http://www.page.example:80/x" << "" << "";
    QTest::newRow("own host, other port") << "" << "http://www.page.example:8080/x" << "" << "";
    QTest::newRow("own host, https") << "" << "https://www.page.example/x" << "" << "";
    QTest::newRow("own host, protocol-relative") << "" << "//www.page.example/x" << "" << "";
    QTest::newRow("own host as user name") << "" << "http://www.page.example@evil.example/" << "http://www.page.example@evil.example/" << "evil.example";
    QTest::newRow("own host as a prefix") << "" << "http://www.page.example.evil.example/" << "http://www.page.example.evil.example/" << "www.page.example.evil.example";
    QTest::newRow("mailto") << "" << "mailto:someone@other.example" << "" << "";
    QTest::newRow("javascript") << "" << "javascript:go('http://other.example/')" << "" << "";
    QTest::newRow("javascript behind a tab and spaces") << "" << "  java\tscript:go()" << "" << "";
    QTest::newRow("data") << "" << "data:text/html,<a href=http://other.example/>" << "" << "";
    QTest::newRow("ftp") << "" << "ftp://other.example/file" << "" << "";
    QTest::newRow("empty") << "" << "" << "" << "";
    QTest::newRow("only spaces") << "" << " \t " << "" << "";
    QTest::newRow("base on another host: relative links go there")
        << "http://mirror.example/docs/" << "setup.html" << "http://mirror.example/docs/setup.html" << "mirror.example";
    QTest::newRow("base on another host: fragment only")
        << "http://mirror.example/docs/" << "#top" << "http://mirror.example/docs/" << "mirror.example";
    QTest::newRow("relative base: still the page's host") << "../v2/" << "setup.html" << "" << "";
    QTest::newRow("relative base resolved against the page")
        << "../v2/" << "//other.example/" << "http://other.example/" << "other.example";
    QTest::newRow("protocol-relative base on another host")
        << "//mirror.example/" << "a" << "http://mirror.example/a" << "mirror.example";
    QTest::newRow("https base on the own host changes the scheme only")
        << "https://www.page.example/" << "//other.example/" << "https://other.example/" << "other.example";
    QTest::newRow("base that is no http URL is passed over") << "javascript:void(0)" << "x.html" << "" << "";
}

void UrlRulesTest::resolvesLinksToOtherHosts()
{
    QFETCH(QString, base);
    QFETCH(QString, href);
    QFETCH(QString, url);
    QFETCH(QString, host);
    links::LinkResolver resolver("http://www.page.example/docs/guide/intro.html");
    QCOMPARE(resolver.pageHost(), std::string("www.page.example"));
    if (!base.isEmpty())
        resolver.setBase(base.toStdString());
    const std::optional<links::Link> link = resolver.resolve(href.toStdString(), "", {}, links::LinkType::Text);
    QCOMPARE(link ? QString::fromStdString(link->url) : QString(), url);
    QCOMPARE(link ? QString::fromStdString(link->host) : QString(), host);
}

void UrlRulesTest::keepsAnchorTextAndNofollow()
{
    const links::LinkResolver resolver("https://page.example/");
    const std::optional<links::Link> link = resolver.resolve("http://other.example/", "  Other\n  site ", {.nofollow = true}, links::LinkType::Image);
    QVERIFY(link);
    QCOMPARE(link->anchorText, std::string("Other site"));
    QVERIFY(link->rel.nofollow);
    QVERIFY(link->type == links::LinkType::Image);
    QVERIFY(!resolver.resolve("http://other.example/", "x", {}, links::LinkType::Text)->rel.nofollow);
}

QTEST_GUILESS_MAIN(UrlRulesTest)
#include "tst_urlrules.moc"
