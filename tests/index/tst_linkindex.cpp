// The link index as the importer writes it and the service and command line read it, on
// databases in temporary folders.
#include "index/backlinks.h"
#include "index/hostkey.h"
#include "index/indexstats.h"
#include "index/indexwriter.h"
#include "index/linkprofile.h"
#include "index/linkflags.h"
#include "index/linkurl.h"
#include "index/schema.h"

#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <map>
#include <random>
#include <set>

using namespace linkindex;

namespace {

links::Link linkTo(const std::string &url, const std::string &host, const std::string &anchor = "a", bool nofollow = false)
{
    return {url, host, anchor, nofollow};
}

Capture capture(const std::string &url, const std::string &host, std::optional<int64_t> captured,
                std::vector<links::Link> links, const std::string &title = "t")
{
    return {{url, host, title, std::move(links)}, captured};
}

// Adds each list of captures as one input.
void addInputs(Database &db, const std::vector<std::vector<Capture>> &inputs)
{
    IndexWriter writer(db);
    for (const auto &input : inputs) {
        writer.beginInput();
        for (const Capture &c : input)
            writer.add(c);
        writer.commitInput("input", int64_t(input.size()), int64_t(input.size()), 0);
    }
}

QStringList listed(Database &db, const std::string &domain, size_t offset = 0, size_t limit = SIZE_MAX)
{
    BacklinkReader reader(db);
    QStringList rows;
    reader.list(domain, offset, limit, [&](const Backlink &b) {
        rows << QString::fromStdString(b.sourceUrl + " " + b.sourceTitle + " -> " + b.targetUrl + " " + b.anchorText
                                       + (b.rel.nofollow ? " nofollow" : ""));
    });
    return rows;
}

// A capture of page on site linking to a page on each of hosts.
Capture linking(const std::string &site, const std::string &page, std::optional<int64_t> captured,
                const std::vector<std::string> &hosts, const std::string &title = "t")
{
    std::vector<links::Link> links;
    for (const std::string &host : hosts)
        links.push_back(linkTo("http://" + host + "/from-" + page, host));
    return capture("http://" + site + "/" + page, site, captured, std::move(links), title);
}

// What stats reports, as counting the rows finds it.
IndexStats counted(Database &db)
{
    const auto single = [&db](const char *sql) {
        Statement query(db, sql);
        query.step();
        const int64_t value = query.integer(0);
        query.reset();
        return value;
    };
    IndexStats stats;
    stats.inputs = single("SELECT count(*) FROM inputs");
    stats.pages = single("SELECT count(*) FROM pages");
    stats.links = single("SELECT count(*) FROM links WHERE lost_at IS NULL");
    stats.targetHosts = single("SELECT count(DISTINCT host_id) FROM backlinks WHERE live");
    return stats;
}

QString statsText(const IndexStats &stats)
{
    return QStringLiteral("%1 inputs, %2 pages, %3 links, %4 hosts linked to")
        .arg(stats.inputs).arg(stats.pages).arg(stats.links).arg(stats.targetHosts);
}

} // namespace

class LinkIndexTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void backlinksAreThePagesLinkingToTheDomainOrUnderIt();
    void linkUrlsReadBackAsAdded_data();
    void linkUrlsReadBackAsAdded();
    void typedDomainIsReadAsAHost_data();
    void typedDomainIsReadAsAHost();
    void latestCaptureIsThePage();
    void listingOrderDoesNotDependOnTheOrderOfInputs();
    void slicesOfAListingMakeTheWholeListing();
    void linesOfOneCaptureAddUpWithinAnInput();
    void historyIsWhatTheCapturesSayInAnyOrder();
    void inputIsAddedWholeOrNotAtAll();
    void linksOfAWidelyLinkedDomainAreReadAsOfOneState();
    void statsAgreeWithTheRowsWhateverTheInputs();
    void fileThatIsNotAnIndexIsRefusedAndLeftAlone();
    void indexOfAnotherVersionIsRefusedAndLeftAlone();
    void newIndexIsMadeWholeBesideItsPlace();
    void indexThatCannotBeMadeIsNamedAsTheUserNamedIt();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::string path() const { return m_dir->filePath(QStringLiteral("index.sqlite")).toStdString(); }
};

void LinkIndexTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

void LinkIndexTest::backlinksAreThePagesLinkingToTheDomainOrUnderIt()
{
    auto db = openIndex(path(), Database::Access::ReadWrite);
    addInputs(*db, {{
        capture("http://a.example/1", "a.example", 10,
                {linkTo("http://notexample.com/", "notexample.com"), linkTo("http://example.com.cn/", "example.com.cn"),
                 linkTo("http://example.com/x", "example.com", "first", true)}),
        // Links among a site's own hosts are no backlinks of it, but are of the host linked to.
        capture("http://blog.example.com/p", "blog.example.com", 20, {linkTo("http://www.example.com/", "www.example.com")}),
        capture("http://b.example/2", "b.example", 30,
                {linkTo("http://www.example.com/w", "www.example.com", "www"), linkTo("http://example.com/", "example.com")}),
        capture("http://c.example/3", "c.example", 40, {linkTo("http://other.example/", "other.example")}),
    }});
    QCOMPARE(listed(*db, "example.com"), (QStringList{"http://a.example/1 t -> http://example.com/x first nofollow",
                                                       "http://b.example/2 t -> http://www.example.com/w www"}));
    QCOMPARE(listed(*db, "www.example.com"), (QStringList{"http://blog.example.com/p t -> http://www.example.com/ a",
                                                           "http://b.example/2 t -> http://www.example.com/w www"}));
    BacklinkReader reader(*db);
    QCOMPARE(reader.count("example.com"), 2);
    QCOMPARE(reader.count("com"), 2);
    QCOMPARE(reader.count("xample.com"), 0);
    QCOMPARE(reader.count("nothing.example"), 0);
    QCOMPARE(reader.count(""), 0);
}

void LinkIndexTest::linkUrlsReadBackAsAdded_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("host");
    QTest::newRow("https") << "https://example.com/a/b.html?q=1#x" << "example.com";
    QTest::newRow("http") << "http://example.com/" << "example.com";
    QTest::newRow("host alone") << "https://example.com" << "example.com";
    QTest::newRow("port") << "http://example.com:8080/p" << "example.com";
    QTest::newRow("punycode") << "https://xn--fiqs8s.example/%E8%8C%B6" << "xn--fiqs8s.example";
    QTest::newRow("user in the URL") << "http://user@example.com/" << "example.com";
    QTest::newRow("another scheme's host") << "https://example.com/" << "www.example.com";
    QTest::newRow("starts with a mark") << "+/x" << "example.com";
    QTest::newRow("starts with the other mark") << "-/x" << "example.com";
    QTest::newRow("starts with the mark of a whole URL") << "=x" << "example.com";
}

// Links are stored shortened; whatever the URL, a listing shows it as it was added, and the same
// link added again is known as the same.
void LinkIndexTest::linkUrlsReadBackAsAdded()
{
    QFETCH(QString, url);
    QFETCH(QString, host);
    auto db = openIndex(path(), Database::Access::ReadWrite);
    const Capture page = capture("http://a.example/1", "a.example", 10, {linkTo(url.toStdString(), host.toStdString())});
    addInputs(*db, {{page, page}});
    QCOMPARE(listed(*db, host.toStdString()), QStringList{"http://a.example/1 t -> " + url + " a"});
    QCOMPARE(indexStats(*db).links, 1);
}

void LinkIndexTest::typedDomainIsReadAsAHost_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("count");
    QTest::newRow("as stored") << "xn--fsqu00a.example" << 1;
    QTest::newRow("upper case") << "XN--FSQU00A.Example" << 1;
    QTest::newRow("Unicode") << "例子.example" << 1;
    QTest::newRow("with a path") << "例子.example/about" << 1;
    QTest::newRow("no host") << "/" << 0;
}

void LinkIndexTest::typedDomainIsReadAsAHost()
{
    QFETCH(QString, typed);
    QFETCH(int, count);
    auto db = openIndex(path(), Database::Access::ReadWrite);
    addInputs(*db, {{capture("http://a.example/", "a.example", 1, {linkTo("http://xn--fsqu00a.example/", "xn--fsqu00a.example")})}});
    QCOMPARE(BacklinkReader(*db).count(typed.toStdString()), count);
}

void LinkIndexTest::latestCaptureIsThePage()
{
    auto db = openIndex(path(), Database::Access::ReadWrite);
    const auto v1 = capture("http://a.example/", "a.example", 100, {linkTo("http://x.example/old", "x.example")}, "v1");
    const auto v2 = capture("http://a.example/", "a.example", 200, {linkTo("http://x.example/new", "x.example")}, "v2");
    const auto v3 = capture("http://a.example/", "a.example", 300, {linkTo("http://y.example/", "y.example")}, "v3");
    const auto b = capture("http://b.example/", "b.example", 150, {linkTo("http://x.example/b", "x.example")}, "b");

    addInputs(*db, {{v2, b}});
    const QStringList latest{"http://b.example/ b -> http://x.example/b a", "http://a.example/ v2 -> http://x.example/new a"};
    QCOMPARE(listed(*db, "x.example"), latest);
    // The same input again, and an older capture, change nothing but where the page is listed:
    // at its first capture.
    addInputs(*db, {{v2, b}, {v1}});
    QCOMPARE(listed(*db, "x.example"), (QStringList{latest[1], latest[0]}));
    // A later capture without the link takes the page off the listing.
    addInputs(*db, {{v3}});
    QCOMPARE(listed(*db, "x.example"), QStringList{latest[0]});
    QCOMPARE(listed(*db, "y.example"), QStringList{"http://a.example/ v3 -> http://y.example/ a"});
}

void LinkIndexTest::listingOrderDoesNotDependOnTheOrderOfInputs()
{
    // Pages captured at the same moment, URLs captured twice, and twice at the same moment.
    std::vector<std::vector<Capture>> inputs;
    for (int input = 0; input < 6; ++input) {
        std::vector<Capture> captures;
        for (int page = 0; page < 20; ++page) {
            const std::string host = "s" + std::to_string((page * 7 + input * 3) % 11) + ".example";
            const int64_t when = page % 3 + input % 2;
            captures.push_back(capture("http://" + host + "/p" + std::to_string(page), host, when,
                                       {linkTo("http://t.example/" + std::to_string(input), "t.example")},
                                       "title " + std::to_string(input)));
        }
        inputs.push_back(captures);
    }
    // The first input's pages captured again later, keeping their place in the listing.
    std::vector<Capture> again = inputs.front();
    for (Capture &c : again) {
        c.captured = 10;
        c.page.title = "again";
    }
    inputs.push_back(again);
    // The second input's pages captured at the same moment by another input (a WARC and its WAT),
    // which saw them otherwise.
    std::vector<Capture> sameMoment = inputs[1];
    for (Capture &c : sameMoment) {
        c.page.title = "seen otherwise";
        c.page.links.push_back(linkTo("http://t.example/other", "t.example"));
    }
    inputs.push_back(sameMoment);
    auto first = openIndex(path(), Database::Access::ReadWrite);
    addInputs(*first, inputs);
    const QStringList expected = listed(*first, "t.example");
    QCOMPARE(expected.size(), 6 * 20);
    QCOMPARE(expected.filter(QStringLiteral(" again ")).size(), 20);
    std::mt19937 shuffle(7);
    for (int round = 0; round < 3; ++round) {
        std::shuffle(inputs.begin(), inputs.end(), shuffle);
        QTemporaryDir dir;
        auto other = openIndex(dir.filePath(QStringLiteral("i.sqlite")).toStdString(), Database::Access::ReadWrite);
        addInputs(*other, inputs);
        QCOMPARE(listed(*other, "t.example"), expected);
    }
}

void LinkIndexTest::slicesOfAListingMakeTheWholeListing()
{
    auto db = openIndex(path(), Database::Access::ReadWrite);
    std::vector<Capture> captures;
    for (int i = 0; i < 230; ++i) {
        const std::string host = "h" + std::to_string(i * 37 % 230) + ".example";
        captures.push_back(capture("http://" + host + "/", host, i / 40, {linkTo("http://d.example/", "d.example")}));
    }
    addInputs(*db, {captures});
    const QStringList whole = listed(*db, "d.example");
    QCOMPARE(whole.size(), 230);
    for (size_t window : {1, 7, 50}) {
        QStringList pieced;
        for (size_t offset = 0; offset < 240; offset += window)
            pieced += listed(*db, "d.example", offset, window);
        QCOMPARE(pieced, whole);
        // One reader walking the listing page by page, as the service does.
        BacklinkReader walker(*db);
        QStringList walked;
        for (size_t offset = 0; offset < 240; offset += window)
            walker.list("d.example", offset, window, [&](const Backlink &b) { walked << QString::fromStdString(b.sourceUrl); });
        QCOMPARE(walked.size(), whole.size());
        for (int i = 0; i < whole.size(); ++i)
            QVERIFY(whole[i].startsWith(walked[i] + u' '));
    }
    // One reader asked for slices out of order gives the same slices.
    BacklinkReader reader(*db);
    for (size_t offset : {150, 0, 200, 50}) {
        QStringList slice;
        reader.list("d.example", offset, 50, [&](const Backlink &b) { slice << QString::fromStdString(b.sourceUrl); });
        QCOMPARE(slice.size(), int(std::min<size_t>(50, 230 - offset)));
        QVERIFY(whole.mid(int(offset), 50).join(u'\n').contains(slice.first()));
    }
}

void LinkIndexTest::linesOfOneCaptureAddUpWithinAnInput()
{
    auto db = openIndex(path(), Database::Access::ReadWrite);
    IndexWriter writer(*db);
    writer.beginInput();
    QCOMPARE(writer.add(capture("http://a.example/", "a.example", std::nullopt, {linkTo("http://x.example/", "x.example")})),
             Added::NewPage);
    QCOMPARE(writer.add(capture("http://b.example/", "b.example", std::nullopt, {linkTo("http://x.example/", "x.example")})),
             Added::NewPage);
    QCOMPARE(writer.add(capture("http://a.example/", "a.example", std::nullopt, {linkTo("http://y.example/", "y.example")})),
             Added::SameMoment);
    QCOMPARE(writer.add(capture("http://a.example/", "a.example", std::nullopt, {linkTo("http://y.example/", "y.example")})),
             Added::SameMoment);
    writer.add(capture("http://0.example/", "0.example", std::nullopt, {linkTo("http://x.example/", "x.example")}));
    writer.commitInput("list", 5, 3, 4);
    writer.beginInput();
    // Another record of the same capture, in another input, adds the links it has that the
    // index had not.
    QCOMPARE(writer.add(capture("http://a.example/", "a.example", std::nullopt, {linkTo("http://z.example/", "z.example")})),
             Added::SameMoment);
    writer.commitInput("again", 1, 0, 0);
    QCOMPARE(listed(*db, "y.example"), QStringList{"http://a.example/ t -> http://y.example/ a"});
    // Undated pages are listed in the order they were added, before dated ones.
    QCOMPARE(listed(*db, "x.example"), (QStringList{"http://a.example/ t -> http://x.example/ a",
                                                     "http://b.example/ t -> http://x.example/ a",
                                                     "http://0.example/ t -> http://x.example/ a"}));
    QCOMPARE(listed(*db, "z.example"), QStringList{"http://a.example/ t -> http://z.example/ a"});
}

namespace {

// A link's history as the index holds it, one line a link: page, target, anchor, rel and type,
// first and last seen, place on the last capture holding it, lost at, state of that capture.
QStringList historyRows(Database &db)
{
    Statement rows(db, "SELECT p.url, h.reversed, l.url, l.anchor, l.flags, l.first_seen, l.last_seen, l.pos, l.lost_at, c.state "
                       "FROM links l JOIN pages p ON p.id = l.page_id JOIN hosts h ON h.id = l.host_id "
                       "LEFT JOIN captures c ON c.page_id = l.page_id AND c.captured = l.lost_at");
    QStringList found;
    while (rows.step()) {
        QStringList cells;
        for (int column = 0; column < 10; ++column)
            cells << QString::fromUtf8(rows.text(column).data(), qsizetype(rows.text(column).size()));
        found << cells.join(u'|');
    }
    found.sort();
    return found;
}

QStringList listedWithHistory(Database &db, const std::string &domain)
{
    BacklinkReader reader(db, BacklinkReader::Pages::All);
    QStringList rows;
    reader.list(domain, 0, SIZE_MAX, [&](const Backlink &b) {
        rows << QString::fromStdString(b.sourceUrl + " -> " + b.targetUrl + " " + b.anchorText + " "
                                       + std::to_string(b.firstSeen.value_or(-1)) + "-" + std::to_string(b.lastSeen.value_or(-1))
                                       + (b.lost ? " lost " + std::string(lostReasonName(*b.lost)) : ""));
    });
    return rows;
}

} // namespace

// Captures of a few pages at a few moments, in every state, some at the same moment as others,
// added in shuffled orders and split into inputs in different ways: the index holds what the
// set of captures says, worked out here directly from the set.
void LinkIndexTest::historyIsWhatTheCapturesSayInAnyOrder()
{
    std::mt19937 random(11);
    const auto pick = [&](int n) { return int(random() % unsigned(n)); };
    std::vector<links::Link> universe;
    for (int i = 0; i < 6; ++i) {
        const std::string host = i % 3 == 2 ? "www.t.example" : "t.example";
        universe.push_back({"http://" + host + "/" + std::to_string(i % 4), host, "anchor " + std::to_string(i % 5),
                            {i == 1, i == 4, i == 5}, i == 3 ? links::LinkType::Image : links::LinkType::Text});
    }
    const links::Link redirect{"http://t.example/moved", "t.example", "(redirect)", {}, links::LinkType::Redirect};
    std::vector<Capture> captures;
    for (int i = 0; i < 40; ++i) {
        const std::string site = "s" + std::to_string(pick(4)) + ".example";
        static const links::PageState kStates[] = {links::PageState::Ok, links::PageState::Ok, links::PageState::Ok,
                                                   links::PageState::Noindex, links::PageState::Gone,
                                                   links::PageState::Redirect};
        Capture c = capture("http://" + site + "/", site, 1 + pick(6), {}, "title " + std::to_string(pick(3)));
        c.page.state = kStates[pick(6)];
        if (c.page.state == links::PageState::Redirect) {
            c.page.links = {redirect};
        } else if (c.page.state != links::PageState::Gone) {
            std::vector<links::Link> some = universe;
            std::shuffle(some.begin(), some.end(), random);
            some.resize(size_t(pick(int(some.size()) + 1)));
            c.page.links = some;
        }
        captures.push_back(c);
    }

    // What the captures say, page by page: each moment's state (of two at one moment, one that
    // holds links over one that does not) and the links its captures hold, at their first place.
    const auto strength = [](links::PageState state) {
        return std::map<links::PageState, int>{{links::PageState::Gone, 0}, {links::PageState::Noindex, 1},
                                               {links::PageState::Redirect, 2}, {links::PageState::Ok, 3}}[state];
    };
    using Key = std::tuple<std::string, std::string, std::string, int64_t>; // target host, URL, anchor, flags
    std::map<std::string, std::map<int64_t, links::PageState>> states;
    std::map<std::string, std::map<Key, std::map<int64_t, int64_t>>> held; // page → link → moment → place
    for (const Capture &c : captures) {
        auto [state, added] = states[c.page.url].emplace(*c.captured, c.page.state);
        if (!added && strength(c.page.state) > strength(state->second))
            state->second = c.page.state;
        if (c.page.state != links::PageState::Ok && c.page.state != links::PageState::Redirect)
            continue;
        for (size_t at = 0; at < c.page.links.size(); ++at) {
            const links::Link &link = c.page.links[at];
            auto [place, first] = held[c.page.url][{link.host, link.url, link.anchorText, linkFlags(link.rel, link.type)}]
                                      .emplace(*c.captured, int64_t(at));
            if (!first)
                place->second = std::min(place->second, int64_t(at));
        }
    }
    QStringList expected;
    for (const auto &[page, linksHeld] : held)
        for (const auto &[key, moments] : linksHeld) {
            const auto &[host, url, anchor, flags] = key;
            const auto [last, place] = *moments.rbegin();
            const auto after = states[page].upper_bound(last);
            QStringList cells{QString::fromStdString(page), QString::fromStdString(hostKey(host)),
                              QString::fromStdString(storedLinkUrl(url, host)), QString::fromStdString(anchor),
                              QString::number(flags), QString::number(moments.begin()->first), QString::number(last),
                              QString::number(place)};
            cells << (after == states[page].end() ? QStringList{"", ""}
                                                  : QStringList{QString::number(after->first),
                                                                QString::number(int(after->second))});
            expected << cells.join(u'|');
        }
    expected.sort();

    QStringList listing;
    for (int round = 0; round < 6; ++round) {
        std::shuffle(captures.begin(), captures.end(), random);
        std::vector<std::vector<Capture>> inputs(1);
        for (const Capture &c : captures) {
            if (round > 0 && pick(round + 1) == 0)
                inputs.emplace_back();
            inputs.back().push_back(c);
        }
        QTemporaryDir dir;
        auto db = openIndex(dir.filePath(QStringLiteral("i.sqlite")).toStdString(), Database::Access::ReadWrite);
        addInputs(*db, inputs);
        QCOMPARE(historyRows(*db), expected);
        if (round == 0)
            listing = listedWithHistory(*db, "t.example");
        else
            QCOMPARE(listedWithHistory(*db, "t.example"), listing);
    }
    QVERIFY(listing.filter(" lost ").size() > 0);
    QVERIFY(listing.size() > listing.filter(" lost ").size());
}

void LinkIndexTest::inputIsAddedWholeOrNotAtAll()
{
    auto db = openIndex(path(), Database::Access::ReadWrite);
    auto reading = openIndex(path(), Database::Access::ReadOnly);
    BacklinkReader reader(*reading);
    IndexWriter writer(*db);
    writer.beginInput();
    writer.add(capture("http://a.example/", "a.example", 1, {linkTo("http://x.example/", "x.example")}));
    // Unseen until committed, by other connections too.
    QCOMPARE(reader.count("x.example"), 0);
    writer.commitInput("first", 1, 1, 1);
    QCOMPARE(reader.count("x.example"), 1);

    writer.beginInput();
    writer.add(capture("http://b.example/", "b.example", 1, {linkTo("http://x.example/", "x.example")}));
    writer.add(capture("http://a.example/", "a.example", 2, {}));
    writer.rollbackInput();
    QCOMPARE(reader.count("x.example"), 1);
    QCOMPARE(listed(*db, "x.example"), QStringList{"http://a.example/ t -> http://x.example/ a"});
}

void LinkIndexTest::linksOfAWidelyLinkedDomainAreReadAsOfOneState()
{
    // Pages far enough apart that a domain's links are read in two halves, each half on a
    // connection of its own: 6,000 pages on 50 sites, in 7 anchors, the last 100 linking twice.
    constexpr int kPages = 6000;
    auto db = openIndex(path(), Database::Access::ReadWrite);
    std::vector<Capture> pages;
    std::map<std::string, int64_t> anchorLinks;
    for (int i = 0; i < kPages; ++i) {
        const std::string site = "s" + std::to_string(i % 50) + ".example";
        const std::string anchor = "anchor " + std::to_string(i % 7);
        std::vector<links::Link> links{linkTo("http://t.example/" + std::to_string(i % 3), "t.example", anchor)};
        if (i >= kPages - 100)
            links.push_back(linkTo("http://www.t.example/", "www.t.example", "anchor 0"));
        for (const links::Link &link : links)
            ++anchorLinks[link.anchorText];
        pages.push_back(capture("http://" + site + "/" + std::to_string(i), site, 10, links));
    }
    addInputs(*db, {pages});

    const auto anchorsOf = [](const DomainLinks &links) {
        std::map<std::string, int64_t> counted;
        for (const AnchorUse &use : anchorUses(links, true))
            counted.emplace(use.anchor, use.links * (use.domains == 50 ? 1 : -1));
        return counted;
    };
    const auto lostOf = [](const DomainLinks &links) {
        return std::count_if(links.links().begin(), links.links().end(), [](const auto &link) { return link.lostAt.has_value(); });
    };
    // Texts read in either half are one text: seven anchors, fifty domains.
    auto reading = openIndex(path(), Database::Access::ReadOnly);
    const DomainLinks before(*reading, "t.example");
    QCOMPARE(int(before.links().size()), kPages + 100);
    QCOMPARE(anchorsOf(before), anchorLinks);
    const std::vector<ReferringDomain> domains = referringDomains(before, false);
    QCOMPARE(int(domains.size()), 50);
    for (const ReferringDomain &domain : domains)
        QCOMPARE(domain.pages, kPages / 50);
    QCOMPARE(linkedPages(*reading, before, false).size(), size_t(4));
    // A writer's connection reads the listing whole.
    const QStringList listing = listed(*reading, "t.example");
    QCOMPARE(listing.size(), kPages);
    QCOMPARE(listing, listed(*db, "t.example"));

    // An input added while a reader holds the index as it was does not show in either half.
    {
        Transaction read(*reading, Transaction::Kind::Read);
        QCOMPARE(lostOf(DomainLinks(*reading, "t.example")), 0);
        addInputs(*db, {{capture("http://s1.example/1", "s1.example", 20, {}),
                         capture("http://s49.example/5999", "s49.example", 20, {})}});
        const DomainLinks asItWas(*reading, "t.example");
        QCOMPARE(lostOf(asItWas), 0);
        QCOMPARE(anchorsOf(asItWas), anchorLinks);
        QCOMPARE(listed(*reading, "t.example"), listing);
    }
    QCOMPARE(lostOf(DomainLinks(*reading, "t.example")), 3);
    QCOMPARE(BacklinkReader(*reading).count("t.example"), kPages - 2);
}

void LinkIndexTest::statsAgreeWithTheRowsWhateverTheInputs()
{
    // Inputs that add, re-add, overlap, replace and drop links, among them the last link to a
    // host, the same capture seen twice, and a page replaced twice within one input.
    const std::vector<std::vector<Capture>> inputs = {
        {linking("a.example", "1", 100, {"x.example", "y.example"}), linking("b.example", "1", 100, {"x.example"})},
        {linking("a.example", "1", 100, {"x.example", "y.example"}), linking("b.example", "1", 100, {"x.example"})},
        {linking("a.example", "1", 200, {"z.example"}), linking("c.example", "1", 200, {"a.example", "x.example"})},
        {linking("a.example", "1", 50, {"y.example"}), linking("b.example", "2", 60, {"y.example", "w.example"})},
        {linking("a.example", "1", 300, {"y.example"}), linking("a.example", "1", 400, {"v.example"}),
         linking("b.example", "2", 500, {})},
        {linking("a.example", "1", 400, {"y.example", "x.example"}, "an earlier title")},
        {linking("l.example", "1", std::nullopt, {"x.example"}), linking("l.example", "1", std::nullopt, {"u.example"}),
         linking("l.example", "1", std::nullopt, {"u.example"})},
    };
    auto db = openIndex(path(), Database::Access::ReadWrite);
    for (const std::vector<Capture> &input : inputs) {
        addInputs(*db, {input});
        QCOMPARE(statsText(indexStats(*db)), statsText(counted(*db)));
    }
    const QString whole = statsText(indexStats(*db));
    QCOMPARE(whole, QStringLiteral("7 inputs, 5 pages, 8 links, 5 hosts linked to"));

    // An input rolled back leaves the totals as they were, a new host linked to among what it did.
    IndexWriter writer(*db);
    writer.beginInput();
    writer.add(linking("a.example", "1", 900, {"new.example"}));
    writer.add(linking("d.example", "1", 900, {"x.example"}));
    writer.rollbackInput();
    QCOMPARE(statsText(indexStats(*db)), whole);

    std::vector<std::vector<Capture>> shuffled = inputs;
    std::mt19937 shuffle(7);
    for (int round = 0; round < 4; ++round) {
        std::shuffle(shuffled.begin(), shuffled.end(), shuffle);
        QTemporaryDir dir;
        auto other = openIndex(dir.filePath(QStringLiteral("i.sqlite")).toStdString(), Database::Access::ReadWrite);
        for (const std::vector<Capture> &input : shuffled)
            addInputs(*other, {input});
        QCOMPARE(statsText(indexStats(*other)), whole);
    }
}

void LinkIndexTest::fileThatIsNotAnIndexIsRefusedAndLeftAlone()
{
    const QByteArray text = "source_url\tsource_title\ttarget_url\n";
    QFile file(QString::fromStdString(path()));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    for (auto access : {Database::Access::ReadWrite, Database::Access::ReadOnly}) {
        try {
            openIndex(path(), access);
            QFAIL("opened");
        } catch (const IndexError &error) {
            QVERIFY2(QString::fromUtf8(error.what()).contains(QString::fromStdString(path())), error.what());
        }
    }
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), text);

    // Another program's SQLite database.
    const std::string other = m_dir->filePath(QStringLiteral("other.sqlite")).toStdString();
    { Database db(other, Database::Access::ReadWrite); db.exec("CREATE TABLE t(x)"); }
    QVERIFY_THROWS_EXCEPTION(IndexError, openIndex(other, Database::Access::ReadWrite));
    QVERIFY_THROWS_EXCEPTION(IndexError, openIndex(m_dir->filePath(QStringLiteral("missing.sqlite")).toStdString(),
                                                   Database::Access::ReadOnly));
}

void LinkIndexTest::indexOfAnotherVersionIsRefusedAndLeftAlone()
{
    {
        auto db = openIndex(path(), Database::Access::ReadWrite);
        addInputs(*db, {{linking("a.example", "1", 1, {"x.example"})}});
        db->exec("PRAGMA user_version = 2");
    }
    for (auto access : {Database::Access::ReadWrite, Database::Access::ReadOnly}) {
        try {
            openIndex(path(), access);
            QFAIL("opened");
        } catch (const IndexError &error) {
            QVERIFY2(QString::fromUtf8(error.what()).contains(QStringLiteral("another version")), error.what());
        }
    }
    Database db(path(), Database::Access::ReadOnly);
    QCOMPARE(counted(db).links, 1);
}

void LinkIndexTest::newIndexIsMadeWholeBesideItsPlace()
{
    // What adds killed while making an index left: one by a process that is gone, one by a
    // process still running (pid 1 always is).
    QProcess gone;
    gone.start(QStringLiteral("true"));
    QVERIFY(gone.waitForStarted());
    const QString goneName = QStringLiteral("index.sqlite.new-%1").arg(gone.processId());
    QVERIFY(gone.waitForFinished());
    const QStringList leftovers{goneName, goneName + QStringLiteral("-journal"), QStringLiteral("index.sqlite.new-1")};
    for (const QString &name : leftovers) {
        QFile file(m_dir->filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("half made");
    }

    openIndex(path(), Database::Access::ReadWrite);
    const QDir dir(m_dir->path());
    QCOMPARE(dir.entryList(QDir::Files, QDir::Name),
             (QStringList{QStringLiteral("index.sqlite"), QStringLiteral("index.sqlite.new-1")}));
    // Read-only, as the service opens it, with nothing a writer would have to recover.
    QCOMPARE(listed(*openIndex(path(), Database::Access::ReadOnly), "x.example"), QStringList());
}

void LinkIndexTest::indexThatCannotBeMadeIsNamedAsTheUserNamedIt()
{
    // Where this process would make the index, a folder that cannot be taken away.
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("index.sqlite.new-%1/in-the-way").arg(QCoreApplication::applicationPid())));
    try {
        openIndex(path(), Database::Access::ReadWrite);
        QFAIL("made");
    } catch (const IndexError &error) {
        const QString message = QString::fromUtf8(error.what());
        QVERIFY2(message.contains(QString::fromStdString(path()) + QStringLiteral(":")), error.what());
        QVERIFY2(!message.contains(QStringLiteral(".new-")), error.what());
    }
    QVERIFY(!QFile::exists(QString::fromStdString(path())));
}

QTEST_GUILESS_MAIN(LinkIndexTest)
#include "tst_linkindex.moc"
