#include "graphfiles.h"

#include "../archive/testdata.h"
#include "graph/grapherror.h"
#include "graph/graphlines.h"
#include "graph/lineinput.h"
#include "graph/releasename.h"
#include "graph/shownnames.h"
#include "graph/sitename.h"
#include "graph/sitequeries.h"

#include <QTest>

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <array>
#include <atomic>
#include <map>
#include <bit>
#include <cmath>
#include <numeric>

using graph::Level;

Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(std::vector<std::string>)

namespace {

graph::BuildRequest request(std::optional<std::string> release, std::vector<std::string> targets = {},
                           size_t memoryEdges = graph::BuildRequest().memoryEdges)
{
    graph::BuildRequest request;
    request.release = std::move(release);
    request.targets = std::move(targets);
    request.memoryEdges = memoryEdges;
    return request;
}

std::vector<std::string> referring(const graph::Release &release, const std::string &host)
{
    const graph::Asked asked = graph::ask(release, host);
    return siteNames(release, graph::ReferringSites(release, asked).all());
}

} // namespace

class TestGraphRelease : public QObject
{
    Q_OBJECT

private slots:
    void namesTurnAroundAsTheGraphsWriteThem_data();
    void namesTurnAroundAsTheGraphsWriteThem();
    void releasesOrderByTheirCrawlMonths();
    void realSamplesReadWhole();
    void referringSitesComeOnceInRankOrderWithTheirRanks();
    void floatValuesAreWrittenAsTheyAreRead();
    void namesOfManySitesComeInTheOrderAsked();
    void aDomainGraphNamesTheDomainOfAHost();
    void hostLevelAnswersForEveryHostUnderADomain();
    void sortingInRunsOnDiskGivesTheSameRelease();
    void targetsKeepOnlyTheirReferringSites();
    void gapListsSitesLinkingToCompetitorsOnly();
    void changesBetweenReleasesByName();
    void aCutGzipFileIsRefused();
    void aReleaseOfAnotherVersionIsRefused();
    void malformedReleasesAreRefusedWithFileAndLine_data();
    void malformedReleasesAreRefusedWithFileAndLine();
    void aStopRequestedAfterAnyFileStopsTheBuild_data();
    void aStopRequestedAfterAnyFileStopsTheBuild();
};

void TestGraphRelease::namesTurnAroundAsTheGraphsWriteThem_data()
{
    QTest::addColumn<std::string>("host");
    QTest::addColumn<std::string>("reversed");
    QTest::newRow("domain") << std::string("example.com") << std::string("com.example");
    QTest::newRow("www dropped") << std::string("www.example.com") << std::string("com.example");
    QTest::newRow("www of a host dropped") << std::string("www.blog.example.com") << std::string("com.example.blog");
    QTest::newRow("www elsewhere kept") << std::string("shop.www.example.com") << std::string("com.example.www.shop");
    QTest::newRow("www2 kept") << std::string("www2.example.com") << std::string("com.example.www2");
    QTest::newRow("two-label suffix") << std::string("news.bbc.co.uk") << std::string("uk.co.bbc.news");
    QTest::newRow("punycode") << std::string("xn--80ak6aa92e.org") << std::string("org.xn--80ak6aa92e");
    QTest::newRow("one label") << std::string("localhost") << std::string("localhost");
}

void TestGraphRelease::namesTurnAroundAsTheGraphsWriteThem()
{
    QFETCH(std::string, host);
    QFETCH(std::string, reversed);
    QCOMPARE(graph::reversedName(host), reversed);
    QCOMPARE(graph::siteName(reversed), std::string(graph::withoutWww(host)));
}

void TestGraphRelease::releasesOrderByTheirCrawlMonths()
{
    const auto before = [](const char *a, const char *b) { return graph::releaseOrder(a) < graph::releaseOrder(b); };
    QVERIFY(before("cc-main-2024-aug-sep-oct", "cc-main-2024-25-nov-dec-jan"));
    QVERIFY(before("cc-main-2024-25-nov-dec-jan", "cc-main-2025-feb-mar-apr"));
    QVERIFY(before("cc-main-2021-22-oct-nov-jan", "cc-main-2022-may-jun-aug"));
    QVERIFY(before("cc-main-2019-20-nov-dec-jan", "cc-main-2020-feb-mar-may"));
    QVERIFY(!graph::isReleaseName("cc-main-2025"));
    QVERIFY(!graph::isReleaseName("example-2025-mar-apr-may"));
    QCOMPARE(graph::releaseOfFile("https://data.commoncrawl.org/projects/hyperlinkgraph/cc-main-2025-mar-apr-may/host/"
                                  "vertices/part-00001-cc-main-2025-mar-apr-may-host-vertices.txt.gz"),
             std::nullopt);
    QCOMPARE(graph::releaseOfFile("/data/cc-main-2025-mar-apr-may-host-ranks.txt.gz"),
             std::optional<std::string>("cc-main-2025-mar-apr-may"));
}

// Common Crawl's own lines: the heads of a release's vertices and edges, the first thousand rows
// of its ranks at both levels.
void TestGraphRelease::realSamplesReadWhole()
{
    const QString data = QFINDTESTDATA("data");
    const auto firstLine = [](const std::string &path) {
        graph::LineInput lines(path);
        const std::string_view block = lines.next();
        return std::string(block.substr(0, block.find('\n')));
    };
    const std::string prefix = data.toStdString() + "/cc-main-2025-mar-apr-may-";
    const auto vertices = graph::fileShape(firstLine(prefix + "domain-vertices-head10.txt"));
    QVERIFY(vertices && vertices->kind == graph::FileKind::Vertices && vertices->level == Level::Domain);
    const auto edges = graph::fileShape(firstLine(prefix + "domain-edges-head10.txt"));
    QVERIFY(edges && edges->kind == graph::FileKind::Edges);

    const auto wholeText = [](const std::string &path) {
        graph::LineInput lines(path);
        std::string text;
        for (std::string_view block = lines.next(); !block.empty(); block = lines.next())
            text += block;
        return text;
    };
    const auto rowsOf = [](const std::string &text) {
        std::vector<std::string> rows;
        for (size_t at = text.find('\n') + 1; at < text.size(); at = text.find('\n', at) + 1)
            rows.push_back(text.substr(at, text.find('\n', at) - at));
        return rows;
    };
    for (const Level level : {Level::Domain, Level::Host}) {
        const std::string path = prefix + graph::levelName(level) + "-ranks-top1000.txt.gz";
        const auto shape = graph::fileShape(firstLine(path));
        QVERIFY(shape && shape->kind == graph::FileKind::Ranks && shape->level == level);
        const std::vector<std::string> rows = rowsOf(wholeText(path));
        QCOMPARE(rows.size(), size_t(1000));
        uint64_t lastPosition = 0;
        for (const std::string &line : rows) {
            const auto row = graph::parseRank(line, level);
            QVERIFY2(row, line.c_str());
            QCOMPARE(row->harmonicPosition, lastPosition + 1);
            lastPosition = row->harmonicPosition;
        }
    }

    // The domain ranks' thousand names as the vertices of a release where every site links to
    // the first: it lists the rest in the file's order.
    QTemporaryDir dir;
    const std::string rankLines = wholeText(prefix + "domain-ranks-top1000.txt.gz");
    std::string vertexLines, edgeLines;
    std::vector<std::string> names;
    for (const std::string &line : rowsOf(rankLines))
        names.push_back(std::string(graph::parseRank(line, Level::Domain)->name));
    std::vector<std::string> sorted = names;
    std::sort(sorted.begin(), sorted.end());
    for (size_t id = 0; id < sorted.size(); ++id) {
        vertexLines += std::to_string(id) + "\t" + sorted[id] + "\t1\n";
        if (sorted[id] != names.front())
            edgeLines += std::to_string(id) + "\t"
                         + std::to_string(std::find(sorted.begin(), sorted.end(), names.front()) - sorted.begin()) + "\n";
    }
    const auto release = buildTestRelease(dir, {writeGraphFile(dir, "v.txt", vertexLines), writeGraphFile(dir, "e.txt", edgeLines),
                                                writeGraphFile(dir, "r.txt", rankLines)},
                                          request(kSampleRelease));
    const std::vector<std::string> listed = referring(*release, graph::siteName(names.front()));
    QCOMPARE(listed.size(), size_t(999));
    for (size_t i = 0; i < listed.size(); ++i)
        QCOMPARE(listed[i], graph::siteName(names[i + 1]));
    const uint32_t facebook = *release->find("com.facebook");
    QCOMPARE(release->rank(facebook).harmonicPosition, 2u);
    QCOMPARE(graph::formatValue(release->rank(facebook).harmonicValue), std::string("30959424"));
}

void TestGraphRelease::referringSitesComeOnceInRankOrderWithTheirRanks()
{
    QTemporaryDir dir;
    const auto release = buildTestRelease(dir, sampleDomainFiles(dir));
    QCOMPARE(release->name(), std::string(kSampleRelease));
    QCOMPARE(release->vertices(), 8u);
    QCOMPARE(release->edges(), 9u); // the repeated edge once
    const std::vector<std::string> expected{"bbc.co.uk", "linker.net", "example-shop.com"};
    QCOMPARE(referring(*release, "example.com"), expected);
    QCOMPARE(referring(*release, "www.example.com"), expected);

    const uint32_t bbc = *release->find("uk.co.bbc");
    QCOMPARE(release->rank(bbc).harmonicPosition, 1u);
    QCOMPARE(graph::formatValue(release->rank(bbc).harmonicValue), std::string("31209718"));
    QCOMPARE(release->rank(bbc).pagerankPosition, 2u);
    QCOMPARE(graph::formatValue(release->rank(bbc).pagerankValue), std::string("0.01395099273569498"));
    QCOMPARE(release->hosts(bbc), std::optional<uint32_t>(2));
    const uint32_t example = *release->find("com.example");
    QCOMPARE(release->rank(example).harmonicPosition, 3u);
    QCOMPARE(graph::formatValue(release->rank(example).harmonicValue), std::string());
    QCOMPARE(release->rank(*release->find("com.other")).harmonicPosition, 0u);
    // Ranks of every site, one a position: the positions are the sites' numbers plus one. Harmonic
    // values are kept as exact as given, whether or not they read as falling floats (which are
    // kept in a few bits). Hosts past a byte are kept.
    const std::string whole = "cc-main-2025-jan-feb-mar-domain-";
    for (const auto &[b, a] : {std::pair("2", "0.123456789012345"), std::pair("31209718", "1.5")}) {
        const auto ranked = buildTestRelease(
            dir, {writeGraphFile(dir, whole + "vertices.txt.gz", "0\tcom.a\t300\n1\tcom.b\t255\n2\tcom.c\t254\n"),
                  writeGraphFile(dir, whole + "edges.txt.gz", "1\t0\n"),
                  writeGraphFile(dir, whole + "ranks.txt.gz",
                                 ranksHeader(graph::Level::Domain) + "1\t" + b + "\t2\t0.25\tcom.b\t255\n2\t" + a
                                     + "\t1\t0.75\tcom.a\t300\n")});
        const graph::files::RankRecord rankA = ranked->rank(*ranked->find("com.a"));
        QCOMPARE(rankA.harmonicPosition, 2u);
        QCOMPARE(graph::formatValue(rankA.harmonicValue), std::string(a));
        QCOMPARE(rankA.pagerankPosition, 1u);
        QCOMPARE(rankA.pagerankValue, 0.75);
        QCOMPARE(ranked->rank(*ranked->find("com.b")).harmonicPosition, 1u);
        QCOMPARE(graph::formatValue(ranked->rank(*ranked->find("com.b")).harmonicValue), std::string(b));
        QCOMPARE(ranked->hosts(*ranked->find("com.a")), std::optional<uint32_t>(300));
        QCOMPARE(ranked->hosts(*ranked->find("com.b")), std::optional<uint32_t>(255));
        QCOMPARE(ranked->hosts(*ranked->find("com.c")), std::optional<uint32_t>(254));
    }
    const QString newest = QDir(dir.path()).entryList({QStringLiteral("release-*")}, QDir::Dirs, QDir::Time).front();
    QVERIFY(QFile::exists(dir.filePath(newest) + "/ranks.harmonic-falling"));

    // The first rows and the exact count without the rest.
    const graph::Asked asked = graph::ask(*release, "rival.com");
    const graph::ReferringSites sites(*release, asked);
    QCOMPARE(sites.count(), 4u);
    QCOMPARE(siteNames(*release, sites.page(1, 2)), (std::vector<std::string>{"example.com", "other.com"}));
}

void TestGraphRelease::floatValuesAreWrittenAsTheyAreRead()
{
    // Harmonic values kept as floats are written straight from them when millions are listed, and
    // through the double they read as otherwise: the text must be the same. Floats of every
    // exponent, and those whose plain decimals would not fit.
    const auto written = [](auto value) {
        std::array<char, graph::kLongestValue> text;
        return std::string(text.data(), graph::writeValue(text.data(), value));
    };
    std::vector<float> values{0.0f, 1.0f, 0.1f, 2479156.5f, 1e-45f, 1e31f, 1e32f, 3.4028235e38f};
    for (uint32_t bits = 0; bits < 0x7f800000; bits += 99'991)
        values.push_back(std::bit_cast<float>(bits));
    for (const float value : values) {
        std::string read;
        graph::appendValue(read, graph::floatValue(value));
        QCOMPARE(written(value), read);
    }
    QCOMPARE(written(2479156.5f), std::string("2479156.5"));
    QCOMPARE(written(1e32f), std::string("1e+32"));
    QCOMPARE(written(std::nan("")), std::string());
}

void TestGraphRelease::namesOfManySitesComeInTheOrderAsked()
{
    QTemporaryDir dir;
    const auto release = buildTestRelease(dir, sampleDomainFiles(dir));
    std::vector<uint32_t> all(release->vertices());
    std::iota(all.begin(), all.end(), 0);
    const auto shown = [](const graph::Release &release, const std::vector<uint32_t> &sites) {
        const graph::ShownNames names(release, sites);
        std::vector<std::string> shown;
        for (size_t i = 0; i < sites.size(); ++i)
            shown.emplace_back(names[i]);
        return shown;
    };
    for (const std::vector<uint32_t> &sites : {all, {all.rbegin(), all.rend()}, {5, 1, 5}, {7}, {}})
        QCOMPARE(shown(*release, sites), siteNames(*release, sites));

    // A few sites of a larger release: two are read a name at a time, three are marked.
    constexpr uint32_t kSites = 2 * graph::ShownNames::kSitesToAName + 1000;
    std::string vertices;
    for (uint32_t i = 0; i < kSites; ++i)
        vertices += std::to_string(i) + "\tcom.s" + std::to_string(i) + "\t1\n";
    const std::string named = "cc-main-2025-jan-feb-mar-domain-";
    const auto larger = buildTestRelease(dir, {writeGraphFile(dir, named + "vertices.txt.gz", vertices),
                                               writeGraphFile(dir, named + "edges.txt.gz", "1\t0\n")});
    for (const std::vector<uint32_t> &sites : {std::vector<uint32_t>{kSites - 1, 3}, {kSites - 1, 3, 7}})
        QCOMPARE(shown(*larger, sites), siteNames(*larger, sites));
}

void TestGraphRelease::aDomainGraphNamesTheDomainOfAHost()
{
    QTemporaryDir dir;
    const auto release = buildTestRelease(dir, sampleDomainFiles(dir));
    const graph::Asked host = graph::ask(*release, "blog.example.com");
    QVERIFY(host.sites.empty());
    QVERIFY2(host.why.find("knows only example.com") != std::string::npos, host.why.c_str());
    const graph::Asked unknown = graph::ask(*release, "nowhere.example");
    QVERIFY(unknown.sites.empty());
    QVERIFY2(unknown.why.find("nowhere.example is not in") != std::string::npos, unknown.why.c_str());
}

void TestGraphRelease::hostLevelAnswersForEveryHostUnderADomain()
{
    QTemporaryDir dir;
    const std::string release = "cc-main-2025-jun-jul-aug";
    // Hosts that no link touches make the domains' links few among the release's hosts, which
    // are then gathered otherwise than when they are many. Ids' site numbers held in memory or
    // looked up in id order from disk.
    for (const int unlinked : {0, 300})
    for (const size_t memoryEdges : {graph::BuildRequest().memoryEdges, size_t(2)}) {
        std::string moreVertices;
        for (int i = 0; i < unlinked; ++i)
            moreVertices += std::to_string(7 + i) + "\torg.unlinked" + std::to_string(i) + "\n";
        const auto graph = buildTestRelease(
            dir, {writeGraphFile(dir, "part-00001-" + release + "-host-vertices.txt.gz",
                                 "3\tcom.example.www.shop\n4\tuk.co.bbc.news\n5\tcom.rival\n6\tnet.linker\n" + moreVertices),
                  writeGraphFile(dir, "part-00000-" + release + "-host-vertices.txt.gz",
                                 "0\tcom.example\n1\tcom.example.blog\n2\tcom.example-shop\n"),
                  // Parts that overlap, as the host-level edges do.
                  writeGraphFile(dir, "part-00000-" + release + "-host-edges.txt.gz", "4\t1\n4\t0\n5\t3\n1\t0\n"),
                  writeGraphFile(dir, "part-00001-" + release + "-host-edges.txt.gz", "4\t1\n6\t2\n2\t0\n")},
            request(release, {}, memoryEdges));
        QCOMPARE(graph->level(), Level::Host);
        QCOMPARE(graph->edges(), 6u);
        // blog.example.com's link to example.com is the domain's own; example-shop.com is no host of it.
        QCOMPARE(referring(*graph, "example.com"),
                 (std::vector<std::string>{"example-shop.com", "rival.com", "news.bbc.co.uk"}));
        QCOMPARE(referring(*graph, "blog.example.com"), (std::vector<std::string>{"news.bbc.co.uk"}));
        QCOMPARE(referring(*graph, "example-shop.com"), (std::vector<std::string>{"linker.net"}));
        QCOMPARE(graph->hosts(0), std::nullopt);
    }
}

void TestGraphRelease::sortingInRunsOnDiskGivesTheSameRelease()
{
    QTemporaryDir dir;
    const auto inMemory = buildTestRelease(dir, sampleDomainFiles(dir));
    // Names, ranks, site numbers and links each a run of their own; the links sorted by the ids of
    // their sources and targets in turn, to be numbered.
    const auto inRuns = buildTestRelease(dir, sampleDomainFiles(dir), request(std::nullopt, {}, 2));
    // Ids numbered in name order, as Common Crawl numbers them: the numbers by name position then
    // serve as those by id.
    std::map<std::string, std::string> idsByName;
    std::map<std::string, std::string> hostsByName;
    for (const QString &line : QString::fromStdString(kSampleVertices).split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(u'\t');
        idsByName[fields[1].toStdString()] = fields[0].toStdString();
        hostsByName[fields[1].toStdString()] = fields[2].toStdString();
    }
    std::map<std::string, std::string> renumbered;
    std::string vertices, edges;
    for (const auto &[name, id] : idsByName) {
        renumbered[id] = std::to_string(renumbered.size());
        vertices += renumbered[id] + "\t" + name + "\t" + hostsByName[name] + "\n";
    }
    for (const QString &line : QString::fromStdString(kSampleEdges).split(u'\n', Qt::SkipEmptyParts))
        edges += renumbered[line.section(u'\t', 0, 0).toStdString()] + "\t"
                 + renumbered[line.section(u'\t', 1, 1).toStdString()] + "\n";
    const std::string named = std::string(kSampleRelease) + "-domain-";
    const std::vector<std::string> inNameOrderFiles = {
        writeGraphFile(dir, named + "vertices.txt.gz", vertices), writeGraphFile(dir, named + "edges.txt.gz", edges),
        writeGraphFile(dir, named + "ranks.txt.gz", ranksHeader(Level::Domain) + kSampleRanks)};
    const auto inNameOrder = buildTestRelease(dir, inNameOrderFiles);
    const auto inNameOrderInRuns = buildTestRelease(dir, inNameOrderFiles, request(std::nullopt, {}, 2));
    for (const auto &other : {inRuns.get(), inNameOrder.get(), inNameOrderInRuns.get()})
        for (uint32_t site = 0; site < inMemory->vertices(); ++site) {
            std::vector<uint32_t> a, b;
            inMemory->sources(site, a);
            other->sources(site, b);
            QCOMPARE(a, b);
            QCOMPARE(inMemory->reversedName(site), other->reversedName(site));
            QCOMPARE(inMemory->hosts(site), other->hosts(site));
            QCOMPARE(inMemory->rank(site).pagerankPosition, other->rank(site).pagerankPosition);
            QCOMPARE(graph::formatValue(inMemory->rank(site).harmonicValue),
                     graph::formatValue(other->rank(site).harmonicValue));
        }
    for (const auto &other : {inRuns.get(), inNameOrder.get(), inNameOrderInRuns.get()})
        QCOMPARE(other->edges(), inMemory->edges());
    // What sorting left on disk is gone once the release is written.
    QDirIterator files(dir.path(), QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString file = files.next();
        QVERIFY2(!file.contains(QStringLiteral("run-")) && !file.contains(QStringLiteral(".by")), qPrintable(file));
    }
}

void TestGraphRelease::targetsKeepOnlyTheirReferringSites()
{
    QTemporaryDir dir;
    for (const size_t memoryEdges : {graph::BuildRequest().memoryEdges, size_t(2)}) {
        const auto release = buildTestRelease(dir, sampleDomainFiles(dir), request(std::nullopt, {"example.com"}, memoryEdges));
        QCOMPARE(referring(*release, "example.com"), (std::vector<std::string>{"bbc.co.uk", "linker.net", "example-shop.com"}));
        const graph::Asked other = graph::ask(*release, "rival.com");
        QVERIFY(other.sites.empty());
        QVERIFY2(other.why.find("--targets") != std::string::npos, other.why.c_str());
    }
}

void TestGraphRelease::gapListsSitesLinkingToCompetitorsOnly()
{
    QTemporaryDir dir;
    const auto release = buildTestRelease(dir, sampleDomainFiles(dir));
    const std::vector<graph::Asked> rivals{graph::ask(*release, "rival.com"), graph::ask(*release, "rival-two.com")};
    const auto names = [&](size_t minimum) {
        std::vector<std::string> found;
        for (const graph::GapSite &site : graph::gap(*release, graph::ask(*release, "example.com"), rivals, minimum))
            found.push_back(graph::siteName(release->reversedName(site.site)) + ":" + std::to_string(site.count()));
        return found;
    };
    // bbc.co.uk links to example.com too; example.com itself is no gap.
    QCOMPARE(names(1), (std::vector<std::string>{"other.com:2", "xn--80ak6aa92e.org:2"}));
    QCOMPARE(names(3), std::vector<std::string>());
}

void TestGraphRelease::changesBetweenReleasesByName()
{
    QTemporaryDir dir;
    const std::string earlier = "cc-main-2025-feb-mar-apr";
    // Other numbers for the same names: sites are compared by name.
    const auto before = buildTestRelease(
        dir, {writeGraphFile(dir, earlier + "-domain-vertices.txt.gz", "0\tcom.example\t1\n1\tcom.other\t1\n2\tnet.linker\t1\n"),
              writeGraphFile(dir, earlier + "-domain-edges.txt.gz", "1\t0\n2\t0\n")});
    const auto after = buildTestRelease(dir, sampleDomainFiles(dir));
    std::vector<std::string> found;
    for (const graph::SiteChange &change : graph::changes(*before, *after, "example.com"))
        found.push_back(std::string(change.gained ? "+" : "-") + graph::siteName(change.reversed));
    QCOMPARE(found, (std::vector<std::string>{"+bbc.co.uk", "+example-shop.com", "-other.com"}));
}

void TestGraphRelease::aCutGzipFileIsRefused()
{
    QTemporaryDir dir;
    std::vector<std::string> files = sampleDomainFiles(dir);
    const std::string edges = gzipped(kSampleEdges + kSampleEdges);
    const std::string cut = std::string(kSampleRelease) + "-domain-edges.txt.gz";
    files[0] = writeGraphFile(dir, cut, "");
    QFile file(QString::fromStdString(files[0]));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(edges.data(), qint64(edges.size() - 6));
    file.close();
    try {
        buildTestRelease(dir, files);
        QFAIL("the release was added");
    } catch (const graph::GraphError &error) {
        QVERIFY2(std::string(error.what()).find(cut) != std::string::npos, error.what());
    }
}

void TestGraphRelease::aReleaseOfAnotherVersionIsRefused()
{
    QTemporaryDir dir;
    buildTestRelease(dir, sampleDomainFiles(dir));
    const QString folder = dir.filePath(QDir(dir.path()).entryList({QStringLiteral("release-*")}, QDir::Dirs).front());
    // As the releases before the format was named: their lists were coded otherwise.
    writeEarlierFormatMeta(folder);
    try {
        graph::Release(folder.toStdString());
        QFAIL("the release was read");
    } catch (const graph::GraphError &error) {
        QVERIFY2(std::string(error.what()).find("another version of linkvane-index: remove it") != std::string::npos,
                 error.what());
    }
}

void TestGraphRelease::malformedReleasesAreRefusedWithFileAndLine_data()
{
    QTest::addColumn<std::string>("file");  // the file that replaces its kind in a good release
    QTest::addColumn<std::string>("lines");
    QTest::addColumn<std::string>("message");
    const std::string vertices = std::string(kSampleRelease) + "-domain-vertices.txt.gz";
    const std::string edges = std::string(kSampleRelease) + "-domain-edges.txt.gz";
    const std::string ranks = std::string(kSampleRelease) + "-domain-ranks.txt.gz";
    QTest::newRow("id twice") << vertices << kSampleVertices + "3\tcom.late\t1\n" << vertices + ", line 9: id 3 was given before, at";
    QTest::newRow("name twice") << vertices << kSampleVertices + "8\tcom.rival\t1\n" << vertices + ", line 9: the name com.rival was given before, at";
    QTest::newRow("id past the vertices") << vertices << kSampleVertices + "12\tcom.late\t1\n" << vertices + ", line 9: id 12 is past the 9 vertices";
    QTest::newRow("vertex line") << vertices << kSampleVertices + "8 com.late 1\n" << vertices + ", line 9: not a vertex line";
    QTest::newRow("name with a blank") << vertices << kSampleVertices + "8\tcom.la te\t1\n" << vertices + ", line 9: not a vertex line";
    QTest::newRow("edge to an unknown id") << edges << kSampleEdges + "1\t99\n" << edges + ", line 11: an edge to the unknown id 99";
    QTest::newRow("edge line") << edges << kSampleEdges + "1\t2\t3\n" << edges + ", line 11: not an edge line";
    QTest::newRow("ranks value") << ranks << ranksHeader(Level::Domain) + kSampleRanks + "6\tmany\t6\t0.1\tcom.other\t1\n"
                                 << ranks + ", line 7: not a ranks line";
    QTest::newRow("ranked twice") << ranks << ranksHeader(Level::Domain) + kSampleRanks + "6\t1.0\t6\t0.1\tcom.rival\t1\n"
                                  << ranks + ", line 7: the name com.rival was ranked before";
    QTest::newRow("no graph file") << edges << std::string("hello\n") << edges + ", line 1: not a line of a web graph";
    QTest::newRow("empty") << edges << std::string() << edges + ": the file is empty";
    QTest::newRow("another release") << std::string("cc-main-2024-aug-sep-oct-domain-edges.txt.gz") << kSampleEdges
                                     << std::string("two releases");
    QTest::newRow("another level") << ranks << ranksHeader(Level::Host) + "1\t1.0\t1\t0.1\tcom.rival\n"
                                   << std::string("add one level at a time");
}

void TestGraphRelease::malformedReleasesAreRefusedWithFileAndLine()
{
    QFETCH(std::string, file);
    QFETCH(std::string, lines);
    QFETCH(std::string, message);
    QTemporaryDir dir;
    std::vector<std::string> files = sampleDomainFiles(dir);
    const auto kindOf = [](const std::string &name) { return name.substr(name.rfind('-')); };
    std::erase_if(files, [&](const std::string &path) { return kindOf(path) == kindOf(file); });
    files.push_back(writeGraphFile(dir, file, lines));
    // Whether or not the names, ranks and links were sorted in runs on disk.
    for (const size_t memoryEdges : {graph::BuildRequest().memoryEdges, size_t(2)}) {
        try {
            buildTestRelease(dir, files, request(std::nullopt, {}, memoryEdges));
            QFAIL("the release was added");
        } catch (const graph::GraphError &error) {
            QVERIFY2(std::string(error.what()).find(message) != std::string::npos, error.what());
        }
    }
}

void TestGraphRelease::aStopRequestedAfterAnyFileStopsTheBuild_data()
{
    QTest::addColumn<std::string>("file"); // the stop comes as soon as it is read whole
    QTest::newRow("vertices") << std::string("-domain-vertices.txt.gz");
    QTest::newRow("ranks") << std::string("-domain-ranks.txt.gz");
    // The last file: what is left is sorting and writing the edges.
    QTest::newRow("edges") << std::string("-domain-edges.txt.gz");
}

void TestGraphRelease::aStopRequestedAfterAnyFileStopsTheBuild()
{
    QFETCH(std::string, file);
    QTemporaryDir dir;
    const std::string folder = dir.filePath(QStringLiteral("release")).toStdString();
    QVERIFY(QDir().mkpath(QString::fromStdString(folder)));
    std::atomic<bool> stop = false;
    const auto stopAfter = [&](const graph::BuildProgress &read) { stop = stop || (read.done && read.input.ends_with(file)); };
    graph::BuildRequest request;
    request.inputs = sampleDomainFiles(dir);
    request.memoryEdges = 2;
    QVERIFY_THROWS_EXCEPTION(graph::BuildStopped, graph::buildRelease(request, folder, stopAfter, stop));
    QVERIFY(!QFile::exists(QString::fromStdString(folder + "/meta")));
}

QTEST_GUILESS_MAIN(TestGraphRelease)
#include "tst_graphrelease.moc"
