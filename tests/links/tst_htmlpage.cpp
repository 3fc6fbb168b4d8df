#include "links/charset.h"
#include "links/htmlpage.h"
#include "links/text.h"

#include <QtTest>

namespace {

const char *const kPageUrl = "http://www.page.example/docs/intro.html";

// A link as one line: URL, host, anchor text, and marks for nofollow and for a type other than
// text.
QStringList linesOf(const links::Page &page)
{
    QStringList lines;
    for (const links::Link &link : page.links) {
        lines << QString::fromStdString(link.url + " | " + link.host + " | " + link.anchorText)
                     + (link.rel.nofollow ? QStringLiteral(" | nofollow") : QString())
                     + (link.type == links::LinkType::Image      ? QStringLiteral(" | image")
                        : link.type == links::LinkType::Redirect ? QStringLiteral(" | redirect")
                                                                 : QString());
    }
    return lines;
}

std::string repeated(std::string_view text, std::size_t times)
{
    std::string result;
    result.reserve(text.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        result += text;
    return result;
}

} // namespace

class HtmlPageTest : public QObject
{
    Q_OBJECT

private slots:
    void extractsLinksToOtherHosts_data();
    void extractsLinksToOtherHosts();
    void imageLinksTakeTheirImagesAlt_data();
    void imageLinksTakeTheirImagesAlt();
    void robotsMetaMakesThePageNoindex_data();
    void robotsMetaMakesThePageNoindex();
    void readsTheFirstTitle_data();
    void readsTheFirstTitle();
    void pageUrlIsNormalised();
    void pageUrlThatIsNoHttpUrlGivesNoLinks();
    void readsAGbkPageThroughItsMeta();
    void turnsRedirectsIntoOneLink_data();
    void turnsRedirectsIntoOneLink();
    void goneResponsesGivePagesWithoutLinks_data();
    void goneResponsesGivePagesWithoutLinks();
    void hostileInputEndsBounded_data();
    void hostileInputEndsBounded();
};

void HtmlPageTest::extractsLinksToOtherHosts_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QStringList>("links");

    QTest::newRow("own links dropped, others kept in page order")
        << "<a href=setup.html>Setup</a><a href='https://b.example/x#y'>B</a><a href=/>Home</a>"
           "<a href=\"http://WWW.Page.Example:80/x\">Self</a><a href=//a.example/>A</a>"
        << QStringList{"https://b.example/x | b.example | B", "http://a.example/ | a.example | A"};
    QTest::newRow("non-http schemes and empty hrefs")
        << "<a href=mailto:x@a.example>m</a><a href=\"javascript:go()\">j</a><a href=ftp://a.example/>f</a>"
           "<a href=''>e</a><a href>v</a><a name=top>n</a><a href=data:,x>d</a>"
        << QStringList{};
    QTest::newRow("the first base applies to links before it too")
        << "<a href=a.html>1</a><base href=\"http://mirror.example/d/\"><a href=b.html>2</a>"
           "<base href=\"http://second.example/\"><a href=c.html>3</a>"
        << QStringList{"http://mirror.example/d/a.html | mirror.example | 1", "http://mirror.example/d/b.html | mirror.example | 2",
                       "http://mirror.example/d/c.html | mirror.example | 3"};
    QTest::newRow("relative base stays on the page's host")
        << "<head><base href=\"../v2/\"></head><a href=x.html>x</a><a href=//a.example/>a</a>"
        << QStringList{"http://a.example/ | a.example | a"};
    QTest::newRow("a base without href is no base")
        << "<base target=_blank><base href=\"https://mirror.example/\"><a href=x>x</a>"
        << QStringList{"https://mirror.example/x | mirror.example | x"};
    QTest::newRow("nofollow among other rel tokens")
        << "<a href=http://a.example/ rel=\"external NOFOLLOW\">a</a><a href=http://b.example/ rel=noopener>b</a>"
        << QStringList{"http://a.example/ | a.example | a | nofollow", "http://b.example/ | b.example | b"};
    QTest::newRow("area with alt as anchor text")
        << "<map><area shape=rect href=\"http://a.example/m\" alt=\" The  map \" rel=nofollow><area href=/own alt=x></map>"
        << QStringList{"http://a.example/m | a.example | The map | nofollow"};
    QTest::newRow("nested markup and references in the anchor text")
        << "<a href=http://a.example/>Tea &amp; <b>cakes</b>&#x21;\n <img src=x.png alt=img><i>&lt;new&gt;</i></a>"
        << QStringList{"http://a.example/ | a.example | Tea & cakes! <new>"};
    QTest::newRow("blocks and line breaks separate words")
        << "<a href=http://a.example/><div><h3>Title</h3><p>Line<br>next</p></div></a>"
        << QStringList{"http://a.example/ | a.example | Title Line next"};
    QTest::newRow("script and style are no anchor text")
        << "<a href=http://a.example/>a <script>document.write('<a href=http://b.example/>')</script><style>p{}</style> b</a>"
        << QStringList{"http://a.example/ | a.example | a b"};
    QTest::newRow("an <a> inside another ends the first")
        << "<a href=http://a.example/>one<a href=http://b.example/>two</a> after"
        << QStringList{"http://a.example/ | a.example | one", "http://b.example/ | b.example | two"};
    QTest::newRow("an unclosed <a> runs to the end of the page")
        << "<a href=http://a.example/>open <em>to</em><br>the end"
        << QStringList{"http://a.example/ | a.example | open to the end"};
    QTest::newRow("references in attributes and anchor text as browsers read them")
        << "<base href=\"http://mirror.example/?a=1&amp;b=2&copy=3\"><a href=\"http://a.example/?a=1&copy=2&AMP;b&#x3D;&not\" "
           "rel=\"no&#102;ollow\">&LT;new&GT; &amp more &notit;</a><area href=x.html alt=\"&notit; &copy\">"
        << QStringList{"http://a.example/?a=1&copy=2&b=%C2%AC | a.example | <new> & more ¬it; | nofollow",
                       "http://mirror.example/x.html | mirror.example | &notit; ©"};
    QTest::newRow("upper-case markup") << "<A HREF=\"http://a.example/\" REL=NoFollow>A</A>"
                                       << QStringList{"http://a.example/ | a.example | A | nofollow"};
    QTest::newRow("non-ASCII URLs and text")
        << "<a href=\"http://例子.example/路径?q=茶\">友情 链接</a>"
        << QStringList{"http://xn--fsqu00a.example/%E8%B7%AF%E5%BE%84?q=%E8%8C%B6 | xn--fsqu00a.example | 友情 链接"};
}

void HtmlPageTest::extractsLinksToOtherHosts()
{
    QFETCH(QString, html);
    QFETCH(QStringList, links);
    const links::Page page = links::extractPage(html.toStdString(), kPageUrl);
    QCOMPARE(linesOf(page), links);
}

void HtmlPageTest::imageLinksTakeTheirImagesAlt_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QStringList>("links");
    QTest::newRow("an image alone: its alt, whitespace collapsed, references read")
        << "<a href=http://a.example/><img src=logo.png alt=\"  Tea &amp;\n cakes &copy \"></a>"
        << QStringList{"http://a.example/ | a.example | Tea & cakes © | image"};
    QTest::newRow("the first image's alt, even when empty")
        << "<a href=http://a.example/1><img src=1.png alt=One><img src=2.png alt=Two></a>"
           "<a href=http://a.example/2><img src=spacer.gif><img src=2.png alt=Two></a>"
        << QStringList{"http://a.example/1 | a.example | One | image", "http://a.example/2 | a.example |  | image"};
    QTest::newRow("text beside the image: a text link with the text only")
        << "<a href=http://a.example/1><img alt=Logo> Home</a><a href=http://a.example/2>Shop <IMG ALT=Cart></a>"
        << QStringList{"http://a.example/1 | a.example | Home", "http://a.example/2 | a.example | Shop"};
    QTest::newRow("the image inside blocks and inline markup, whitespace around it")
        << "<a href=http://a.example/ rel=nofollow>\n <div><span><img src=x alt=Banner></span></div> </a>"
        << QStringList{"http://a.example/ | a.example | Banner | nofollow | image"};
    QTest::newRow("an image after the anchor ended is no part of it")
        << "<a href=http://a.example/1></a><img alt=Late><a href=http://a.example/2><img alt=Own>"
           "<a href=http://a.example/3>next</a>"
        << QStringList{"http://a.example/1 | a.example | ", "http://a.example/2 | a.example | Own | image",
                       "http://a.example/3 | a.example | next"};
    QTest::newRow("an area stays a text link")
        << "<map><area href=http://a.example/ alt=Map></map>" << QStringList{"http://a.example/ | a.example | Map"};
}

void HtmlPageTest::imageLinksTakeTheirImagesAlt()
{
    QFETCH(QString, html);
    QFETCH(QStringList, links);
    QCOMPARE(linesOf(links::extractPage(html.toStdString(), kPageUrl)), links);
}

void HtmlPageTest::robotsMetaMakesThePageNoindex_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<bool>("noindex");
    QTest::newRow("noindex") << "<meta name=robots content=noindex>" << true;
    QTest::newRow("none, any case") << "<META NAME=\"Robots\" CONTENT=\"NONE\">" << true;
    QTest::newRow("among other tokens, commas and spaces")
        << "<meta name=robots content=\"max-snippet:-1,follow , NoIndex\">" << true;
    QTest::newRow("in the body, after the links") << "<body><a href=http://a.example/>a</a><meta name=robots content=noindex>"
                                                  << true;
    QTest::newRow("a reference in the content") << "<meta name=robots content=\"no&#105;ndex\">" << true;
    QTest::newRow("index, nofollow") << "<meta name=robots content=\"index, nofollow\">" << false;
    QTest::newRow("a word that holds noindex") << "<meta name=robots content=\"noindexing,nonetheless\">" << false;
    QTest::newRow("another robot's name") << "<meta name=googlebot content=noindex>" << false;
    QTest::newRow("noindex in another meta")
        << "<meta name=description content=noindex><meta property=robots content=noindex><meta content=noindex>" << false;
    QTest::newRow("no meta") << "<title>noindex</title><a href=http://a.example/>noindex</a>" << false;
}

void HtmlPageTest::robotsMetaMakesThePageNoindex()
{
    QFETCH(QString, html);
    QFETCH(bool, noindex);
    const links::Page page = links::extractPage(html.toStdString() + "<a href=http://b.example/>b</a>", kPageUrl);
    QCOMPARE(page.state, noindex ? links::PageState::Noindex : links::PageState::Ok);
    // The links of a noindex page are read all the same.
    QCOMPARE(linesOf(page).last(), "http://b.example/ | b.example | b");
}

void HtmlPageTest::readsTheFirstTitle_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("title");
    QTest::newRow("references decoded, whitespace collapsed")
        << "<head><title>\n  Tea &amp; cakes &#8211;\t&quot;new&quot; &eacute;t&eacute;\n</title></head>" << "Tea & cakes – \"new\" été";
    QTest::newRow("references as browsers read them")
        << "<title>UPPER &AMP; CASE &COPY; &notit; &notin; &amp more &#128;&#0;</title>" << "UPPER & CASE © ¬it; ∉ & more €\uFFFD";
    QTest::newRow("read once, and only within a run of text")
        << "<title>&amp;AMP; &AM<b>P;</b> &AM<!-- -->P;</title>" << "&AMP; &AMP; &AMP;";
    QTest::newRow("whitespace written as references collapsed too") << "<title>&#32;a&#10;&#9; b&nbsp;c&NewLine;</title>"
                                                                   << "a b\u00A0c";
    QTest::newRow("first title only") << "<title>One</title><body><title>Two</title>" << "One";
    QTest::newRow("nested markup") << "<title>A <b>bold</b> title</title>" << "A bold title";
    QTest::newRow("unclosed") << "<title>Open" << "Open";
    QTest::newRow("none") << "<p>no title</p>" << "";
    QTest::newRow("empty page") << "" << "";
}

void HtmlPageTest::readsTheFirstTitle()
{
    QFETCH(QString, html);
    QFETCH(QString, title);
    QCOMPARE(QString::fromStdString(links::extractPage(html.toStdString(), kPageUrl).title), title);
}

void HtmlPageTest::pageUrlIsNormalised()
{
    const links::Page page = links::extractPage("<title>T</title>", " HTTP://WWW.Page.Example:80/a/../b#top");
    QCOMPARE(page.url, std::string("http://www.page.example/b"));
    QCOMPARE(page.host, std::string("www.page.example"));
}

void HtmlPageTest::pageUrlThatIsNoHttpUrlGivesNoLinks()
{
    const links::Page page = links::extractPage("<title>T</title><a href=http://a.example/>a</a>", "ftp://files.example/");
    QVERIFY(page.url.empty());
    QVERIFY(page.host.empty());
    QVERIFY(page.links.empty());
    QCOMPARE(page.title, std::string("T"));
}

void HtmlPageTest::readsAGbkPageThroughItsMeta()
{
    // 中文标题 and 友情链接 in GBK, declared with the label gb2312 that browsers read as GBK.
    const std::string body = "<html><head><meta charset=\"gb2312\"><title>\xd6\xd0\xce\xc4\xb1\xea\xcc\xe2</title></head>"
                             "<body><a href=\"http://friend.example/\">\xd3\xd1\xc7\xe9\xc1\xb4\xbd\xd3</a></body></html>";
    const links::Page page = links::extractPage(links::htmlToUtf8(body, "text/html"), kPageUrl);
    QCOMPARE(QString::fromStdString(page.title), QStringLiteral("中文标题"));
    QCOMPARE(linesOf(page), QStringList{"http://friend.example/ | friend.example | 友情链接"});
}

void HtmlPageTest::turnsRedirectsIntoOneLink_data()
{
    QTest::addColumn<QString>("location");
    QTest::addColumn<QStringList>("links");
    QTest::newRow("absolute, other host") << "https://new.example/x"
                                          << QStringList{"https://new.example/x | new.example | (redirect) | redirect"};
    QTest::newRow("protocol-relative") << "//new.example/" << QStringList{"http://new.example/ | new.example | (redirect) | redirect"};
    QTest::newRow("relative: same host") << "/moved.html" << QStringList{};
    QTest::newRow("to https on the same host") << "https://www.page.example/docs/intro.html" << QStringList{};
    QTest::newRow("not http") << "ftp://new.example/" << QStringList{};
    QTest::newRow("empty") << "" << QStringList{};
}

void HtmlPageTest::turnsRedirectsIntoOneLink()
{
    QFETCH(QString, location);
    QFETCH(QStringList, links);
    const links::Page page = links::redirectPage(kPageUrl, location.toStdString());
    QCOMPARE(page.url, std::string(kPageUrl));
    QCOMPARE(page.host, std::string("www.page.example"));
    QVERIFY(page.title.empty());
    QCOMPARE(page.state, links::PageState::Redirect);
    QCOMPARE(linesOf(page), links);
}

void HtmlPageTest::goneResponsesGivePagesWithoutLinks_data()
{
    QTest::addColumn<QString>("pageUrl");
    QTest::addColumn<QString>("url"); // empty: no http(s) URL
    QTest::addColumn<QString>("host");
    QTest::newRow("normalised") << " HTTP://WWW.Page.Example:80/a/../b#top" << "http://www.page.example/b" << "www.page.example";
    QTest::newRow("not http") << "ftp://files.example/gone" << "" << "";
}

void HtmlPageTest::goneResponsesGivePagesWithoutLinks()
{
    QFETCH(QString, pageUrl);
    QFETCH(QString, url);
    QFETCH(QString, host);
    const links::Page page = links::gonePage(pageUrl.toStdString());
    QCOMPARE(QString::fromStdString(page.url), url);
    QCOMPARE(QString::fromStdString(page.host), host);
    QCOMPARE(page.state, links::PageState::Gone);
    QVERIFY(page.title.empty());
    QVERIFY(page.links.empty());
}

void HtmlPageTest::hostileInputEndsBounded_data()
{
    QTest::addColumn<QByteArray>("html");
    QTest::addColumn<QStringList>("links");
    QTest::addColumn<int>("titleSize");
    const std::string link = "<a href=http://a.example/>a</a>";
    QTest::newRow("100,000 nested elements: the parse ends in them")
        << QByteArray::fromStdString(link + repeated("<div>", 100'000) + "<a href=http://b.example/>b</a>")
        << QStringList{"http://a.example/ | a.example | a"} << 0;
    QTest::newRow("deep nesting, then megabytes of stray end tags")
        << QByteArray::fromStdString(link + repeated("<span>", 500) + repeated("</x>", 1'000'000))
        << QStringList{"http://a.example/ | a.example | a"} << 0;
    QTest::newRow("an unclosed <a> over megabytes: its text cut")
        << QByteArray::fromStdString("<a href=http://a.example/>" + repeated("word ", 1'000'000))
        << QStringList{QString::fromStdString("http://a.example/ | a.example | " + std::string(repeated("word ", 500)).substr(0, links::kMaxTextBytes))}
        << 0;
    QTest::newRow("an unclosed title over megabytes: cut")
        << QByteArray::fromStdString("<title>" + repeated("x", 4'000'000)) << QStringList{} << int(links::kMaxTextBytes);
    QTest::newRow("megabyte attributes")
        << QByteArray::fromStdString("<a title=\"" + repeated("t", 2'000'000) + "\" href=\"http://a.example/" + repeated("p", 2'000'000) + "\">a</a>")
        << QStringList{QString::fromStdString("http://a.example/" + repeated("p", 2'000'000) + " | a.example | a")} << 0;
    QTest::newRow("NUL bytes: read as U+FFFD, the page goes on")
        << QByteArray("<title>a\0b</title><a href=\"http://a.example/\0\">x\0y</a>", 55) + QByteArray(100'000, '\0')
               + "<a href=http://b.example/>b</a>"
        << QStringList{"http://a.example/%EF%BF%BD | a.example | x\ufffdy", "http://b.example/ | b.example | b"} << 5;
}

void HtmlPageTest::hostileInputEndsBounded()
{
    QFETCH(QByteArray, html);
    QFETCH(QStringList, links);
    QFETCH(int, titleSize);
    const links::Page page = links::extractPage(html.toStdString(), kPageUrl);
    QVERIFY(QUtf8StringView(page.title).isValidUtf8());
    for (const links::Link &link : page.links)
        QVERIFY(QUtf8StringView(link.anchorText).isValidUtf8());
    QCOMPARE(linesOf(page), links);
    QCOMPARE(int(page.title.size()), titleSize);
}

QTEST_GUILESS_MAIN(HtmlPageTest)
#include "tst_htmlpage.moc"
