// Writes a web graph in Common Crawl's format for the graph benchmarks: vertices, edges and ranks
// of a release, gzip, with the shape of the web, at domain level or (--host) at host level, whose
// vertices and edges come in parts. In-degree follows a power law
// (sites drawn by a Zipf law over a popularity order that is a random permutation of the name
// order, so popular sites are spread over the whole file), so a few sites have millions of
// referring sites at the default size; 40 % of sites link nowhere (never crawled) and the rest
// have a Pareto out-degree. Harmonic centrality follows in-degree with noise, PageRank follows it
// with more. Names carry what trips sorting and reversal: hyphens, digits, punycode, multi-part
// public suffixes, suffixes that are prefixes of others, "www" inside a name. At host level a few
// domains hold many hosts: the domain of popularity rank r holds a fiftieth of the hosts over
// r + 1 (100,000 for the first at the default size), most hold one. Everything comes from the
// seed. Last, it writes <release>.figures (sizes, three target sites with their in-degrees and, at
// host level, the domain of the most hosts and one of few), which marks the release as whole.
#include "gzipwriter.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numeric>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace {

constexpr const char *kUsage =
    "usage: make_bench_graph [--host] [--small] [--vertices N] [--edges N] [--seed N] [--release NAME] DIR\n"
    "Writes DIR/NAME-domain-{vertices,edges,ranks}.txt.gz and DIR/NAME.figures: a web graph of\n"
    "N vertices (10,000,000) and about N edges (300,000,000) in Common Crawl's format.\n"
    "--host writes the host level instead, of 5,000,000 hosts and 100,000,000 edges unless told:\n"
    "DIR/vertices/part-NNNNN.txt.gz, DIR/edges/part-NNNNN.txt.gz and DIR/NAME-host-ranks.txt.gz.\n"
    "--small makes 100,000 vertices and 3,000,000 edges. NAME is cc-main-2099-jan-feb-mar.\n";

// Steepness of the Zipf law targets are drawn by: in-degree then falls as a power law of
// exponent 1 + 1/kZipf, about 2.1, as measured on the web.
constexpr double kZipf = 0.9;
constexpr double kCrawledShare = 0.6;
constexpr double kOutDegreeTail = 1.5;
// Files of each kind at host level; each edge part is sorted, and they overlap one another.
constexpr int kHostParts = 4;

// Public suffixes reversed, with how often sites sit under them.
struct Suffix
{
    const char *reversed;
    double weight;
};
constexpr Suffix kSuffixes[] = {
    {"com", 40},     {"org", 6},       {"net", 6},         {"de", 5},        {"uk.co", 3},   {"uk.org", 0.5},
    {"uk.ac", 0.2},  {"uk", 0.5},      {"cn.com", 1},      {"cn", 1.5},      {"jp.co", 0.8}, {"jp", 1},
    {"au.com", 1},   {"au.net", 0.2},  {"br.com", 1.5},    {"ru", 3},        {"xn--p1ai", 0.5}, {"xn--fiqs8s", 0.1},
    {"fr", 2},       {"it", 2},        {"nl", 2},          {"pl", 1.5},      {"es", 1},      {"io", 1},
    {"info", 1.5},   {"co", 0.8},      {"dev", 0.3},       {"app", 0.3},     {"xyz", 1},     {"top", 1},
    {"online", 0.8}, {"site", 0.5},    {"shop", 0.7},      {"edu", 0.5},     {"gov", 0.2},   {"in", 1},
    {"in.co", 0.5},  {"ca", 1},        {"ch", 0.7},        {"be", 0.7},      {"se", 0.6},    {"cz", 0.6},
    {"tr.com", 0.5}, {"za.co", 0.5},   {"kr.co", 0.3},     {"nz.co", 0.3},   {"mx.com", 0.4}, {"ar.com", 0.4},
    {"us", 0.8},     {"eu", 0.6},      {"me", 0.5},        {"tv", 0.3},      {"cc", 0.3},    {"biz", 0.4},
    {"aaa", 0.01},   {"ua.com", 0.2},  {"ua", 0.5},        {"tw.com", 0.3},  {"hk.com", 0.2}, {"vn", 0.5},
    {"vn.com", 0.3}, {"ir", 0.4},      {"gr", 0.4},        {"dk", 0.5},      {"no", 0.4},    {"fi", 0.4},
    {"at", 0.6},     {"at.co", 0.1},   {"at.ac", 0.1},     {"hu", 0.4},      {"ro", 0.4},    {"pt", 0.4},
    {"sk", 0.3},     {"blog", 0.2},    {"club", 0.3},      {"com.de", 0.05}, {"xn--p1acf", 0.05},
};

const char *const kWords[] = {
    "garden", "river", "market", "travel", "kitchen", "music", "science", "history", "mountain", "coffee",
    "design", "health", "family", "school", "winter", "review", "photo", "local", "digital", "green",
    "city", "book", "craft", "sport", "news", "shop", "blog", "cloud", "data", "tech",
    "home", "auto", "bank", "car", "art", "web", "net", "media", "games", "studio",
    "hotel", "food", "law", "dental", "clinic", "church", "club", "press", "radio", "tv",
    "solar", "pet", "baby", "fashion", "beauty", "print", "soft", "code", "dev", "app",
};
const char *const kSyllables[] = {"ka", "ro", "mi", "ten", "sa", "lo", "vi", "an", "de", "ri", "po", "nu", "el",
                                  "tra", "bo", "zen", "qu", "ix", "ly", "mar", "sol", "ne", "ta", "gu", "fe", "hi"};
constexpr char kPunycodeAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";

struct Options
{
    bool host = false;
    uint32_t vertices = 0; // 0: the level's own default
    uint64_t edges = 0;
    uint64_t seed = 13;
    std::string release = "cc-main-2099-jan-feb-mar";
    std::filesystem::path dir;
};

// A fast generator of its own, so that a run is the same on every standard library.
class Random
{
public:
    explicit Random(uint64_t seed)
        : m_state(seed)
    {
    }
    uint64_t next()
    {
        uint64_t z = (m_state += 0x9e3779b97f4a7c15);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
        z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
        return z ^ (z >> 31);
    }
    double uniform() { return (next() >> 11) * 0x1.0p-53; } // in [0, 1)
    uint64_t below(uint64_t n) { return next() % n; }
    double gaussian()
    {
        const double u = 1 - uniform(), v = uniform();
        return std::sqrt(-2 * std::log(u)) * std::cos(2 * M_PI * v);
    }

private:
    uint64_t m_state;
};

double elapsedSeconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void appendNumber(std::string &text, uint64_t value)
{
    char digits[24];
    text.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

// A number as Java's Double.toString (or Float.toString, for a value held as a float) writes it,
// which is how the ranks file gives them: the shortest digits that read back as the same value,
// plain between 10^-3 and 10^7 ("0.0139", "42.0"), otherwise "3.1209718E7", "8.93996134374923E-4".
void appendJavaNumber(std::string &text, double value, bool asFloat)
{
    if (value == 0) {
        text += "0.0";
        return;
    }
    char scientific[40];
    const char *end = asFloat ? std::to_chars(scientific, scientific + sizeof scientific, float(value), std::chars_format::scientific).ptr
                              : std::to_chars(scientific, scientific + sizeof scientific, value, std::chars_format::scientific).ptr;
    char digits[24];
    size_t count = 0;
    const char *at = scientific;
    for (; *at != 'e'; ++at)
        if (*at != '.')
            digits[count++] = *at;
    int exponent = 0;
    std::from_chars(at + 1 + (at[1] == '+'), end, exponent);
    const std::string_view all(digits, count);
    if (exponent >= 0 && exponent < 7) {
        const size_t whole = size_t(exponent) + 1;
        text += all.substr(0, whole);
        if (count < whole)
            text.append(whole - count, '0');
        text += '.';
        text += count > whole ? all.substr(whole) : "0";
    } else if (exponent < 0 && exponent >= -3) {
        text += "0.";
        text.append(size_t(-exponent - 1), '0');
        text += all;
    } else {
        text += all[0];
        text += '.';
        text += count > 1 ? all.substr(1) : "0";
        text += exponent < 0 ? "E-" : "E";
        appendNumber(text, uint64_t(std::abs(exponent)));
    }
}

// Reversed names, sorted in byte order: vertex v is name(v).
class Names
{
public:
    std::string_view name(uint32_t vertex) const { return view(m_kept[vertex]); }
    uint32_t size() const { return uint32_t(m_kept.size()); }

    static Names make(uint32_t count, Random &random)
    {
        Names names;
        double total = 0;
        for (const Suffix &suffix : kSuffixes)
            total += suffix.weight;
        // Drawn names repeat: draw until a twentieth more than needed are distinct, then drop
        // the surplus at random.
        const auto key = [&](uint32_t c) { return names.key(c); };
        const auto before = [&](const Key &a, const Key &b) { return names.before(a, b); };
        const auto same = [&](const Key &a, const Key &b) { return names.same(a, b); };
        std::vector<Key> order;
        const uint64_t wanted = uint64_t(count) + count / 20;
        while (order.size() < wanted) {
            const uint64_t batch = (wanted - order.size()) * 6 / 5 + 1000;
            if (names.m_offsets.size() + batch >= UINT32_MAX)
                throw std::runtime_error("too many vertices");
            const size_t sorted = order.size();
            const uint32_t first = uint32_t(names.m_offsets.size());
            for (uint64_t i = 0; i < batch; ++i) {
                names.m_offsets.push_back(uint32_t(names.m_arena.size()));
                double pick = random.uniform() * total;
                const Suffix *suffix = kSuffixes;
                while (pick >= suffix->weight && suffix + 1 != std::end(kSuffixes))
                    pick -= (suffix++)->weight;
                names.m_arena += suffix->reversed;
                names.m_arena += '.';
                appendLabel(names.m_arena, random);
                if (names.m_arena.size() > UINT32_MAX - 256)
                    throw std::runtime_error("too many vertices for one name arena");
            }
            names.m_offsets.push_back(uint32_t(names.m_arena.size())); // the end of the last, until the next batch
            for (uint32_t c = first; c + 1 < names.m_offsets.size(); ++c)
                order.push_back(key(c));
            std::sort(order.begin() + sorted, order.end(), before);
            std::inplace_merge(order.begin(), order.begin() + sorted, order.end(), before);
            order.erase(std::unique(order.begin(), order.end(), same), order.end());
            names.m_offsets.pop_back();
        }
        names.m_offsets.push_back(uint32_t(names.m_arena.size()));
        names.m_kept.reserve(count);
        uint64_t left = order.size();
        for (const Key &k : order) {
            if (random.below(left--) < count - names.m_kept.size())
                names.m_kept.push_back(k.candidate);
        }
        return names;
    }

    // Every domain's hosts: the domain itself (its www host, as the graph names it) and
    // counts[domain] - 1 distinct hosts under it, one or two labels deep, sorted.
    static Names hosts(const Names &domains, const std::vector<uint32_t> &counts, Random &random)
    {
        Names names;
        std::string label;
        const auto add = [&](std::string_view domain, std::string_view below) {
            names.m_offsets.push_back(uint32_t(names.m_arena.size()));
            names.m_arena += domain;
            if (!below.empty())
                (names.m_arena += '.') += below;
            if (names.m_arena.size() > UINT32_MAX - 256)
                throw std::runtime_error("too many vertices for one name arena");
        };
        for (uint32_t domain = 0; domain < domains.size(); ++domain) {
            add(domains.name(domain), {});
            std::unordered_set<std::string> labels;
            while (labels.size() + 1 < counts[domain]) {
                label.clear();
                appendLabel(label, random);
                if (random.below(8) == 0)
                    appendWord(label += '.', random);
                if (labels.insert(label).second)
                    add(domains.name(domain), label);
            }
        }
        names.m_offsets.push_back(uint32_t(names.m_arena.size()));
        std::vector<Key> order;
        for (uint32_t c = 0; c + 1 < names.m_offsets.size(); ++c)
            order.push_back(names.key(c));
        std::sort(order.begin(), order.end(), [&](const Key &a, const Key &b) { return names.before(a, b); });
        // Two domains can name one host: a domain "uk.co" drawn under "uk" has hosts that are
        // domains under the suffix "uk.co".
        order.erase(std::unique(order.begin(), order.end(), [&](const Key &a, const Key &b) { return names.same(a, b); }),
                    order.end());
        for (const Key &k : order)
            names.m_kept.push_back(k.candidate);
        return names;
    }

private:
    // Names are sorted by their first 16 bytes held beside them, the names themselves read only
    // on a tie: comparing in the arena alone costs two cache misses a comparison.
    struct Key
    {
        uint64_t head[2];
        uint32_t candidate;
    };
    std::string_view view(uint32_t candidate) const
    {
        return std::string_view(m_arena).substr(m_offsets[candidate], m_offsets[candidate + 1] - m_offsets[candidate]);
    }
    Key key(uint32_t candidate) const
    {
        Key k{{0, 0}, candidate};
        const std::string_view name = view(candidate);
        for (size_t i = 0; i < std::min<size_t>(16, name.size()); ++i)
            k.head[i / 8] |= uint64_t(uint8_t(name[i])) << (56 - 8 * (i % 8));
        return k;
    }
    bool before(const Key &a, const Key &b) const
    {
        if (a.head[0] != b.head[0])
            return a.head[0] < b.head[0];
        if (a.head[1] != b.head[1])
            return a.head[1] < b.head[1];
        return view(a.candidate) < view(b.candidate);
    }
    bool same(const Key &a, const Key &b) const
    {
        return a.head[0] == b.head[0] && a.head[1] == b.head[1] && view(a.candidate) == view(b.candidate);
    }

    static void appendWord(std::string &text, Random &random)
    {
        if (random.below(2) == 0) {
            text += kWords[random.below(std::size(kWords))];
            return;
        }
        const uint64_t syllables = 2 + random.below(3);
        for (uint64_t i = 0; i < syllables; ++i)
            text += kSyllables[random.below(std::size(kSyllables))];
    }

    static void appendLabel(std::string &text, Random &random)
    {
        const uint64_t kind = random.below(100);
        if (kind < 25) {
            appendWord(text, random);
        } else if (kind < 50) {
            appendWord(text, random);
            appendWord(text, random);
        } else if (kind < 62) {
            appendWord(text, random);
            text += '-';
            appendWord(text, random);
        } else if (kind < 72) {
            appendWord(text, random);
            appendNumber(text, random.below(random.below(2) ? 100 : 100000));
        } else if (kind < 76) {
            appendNumber(text, random.below(1000));
            appendWord(text, random);
        } else if (kind < 79) {
            appendNumber(text, random.below(uint64_t(1) << (4 + random.below(16))));
        } else if (kind < 84) {
            // Punycode of a name in another script: the ACE prefix, then letters and digits.
            text += "xn--";
            const uint64_t length = 4 + random.below(9);
            for (uint64_t i = 0; i < length; ++i)
                text += kPunycodeAlphabet[random.below(std::size(kPunycodeAlphabet) - 1)];
        } else if (kind < 87) {
            const uint64_t length = 1 + random.below(3);
            for (uint64_t i = 0; i < length; ++i)
                text += char('a' + random.below(26));
        } else if (kind < 90) {
            // "www" inside the registrable name is part of it, unlike a leading "www." host.
            text += random.below(2) ? "www-" : "www";
            appendWord(text, random);
        } else if (kind < 94) {
            appendWord(text, random);
            text += '-';
            appendNumber(text, random.below(1000));
        } else if (kind < 97) {
            // A label that starts like a public suffix ("co-op" beside "co.uk"), or as a label
            // of the same name with a hyphen: their order is not their order reversed.
            const char *const starts[] = {"co", "com", "org", "net", "ac"};
            text += starts[random.below(std::size(starts))];
            text += '-';
            appendWord(text, random);
        } else {
            appendWord(text, random);
            text += "--";
            appendWord(text, random);
        }
    }

    std::string m_arena;
    std::vector<uint32_t> m_offsets;
    std::vector<uint32_t> m_kept;
};

std::string forwardName(std::string_view reversed)
{
    std::string name;
    while (!reversed.empty()) {
        const size_t dot = reversed.rfind('.');
        const std::string_view label = dot == std::string_view::npos ? reversed : reversed.substr(dot + 1);
        if (!name.empty())
            name += '.';
        name += label;
        reversed = reversed.substr(0, dot == std::string_view::npos ? 0 : dot);
    }
    return name;
}

class Graph
{
public:
    Graph(const Options &options)
        : m_options(options)
        , m_random(options.seed)
    {
    }

    void write()
    {
        const auto start = std::chrono::steady_clock::now();
        std::filesystem::create_directories(m_options.dir);
        std::filesystem::remove(m_options.dir / (m_options.release + ".figures"));

        std::fprintf(stderr, "names of %u sites...\n", m_options.vertices);
        if (m_options.host) {
            hostNames();
        } else {
            m_names = Names::make(m_options.vertices, m_random);
            m_byPopularity = shuffled(m_names.size());
            domainHosts();
        }
        const uint32_t n = m_names.size();
        std::fprintf(stderr, "names and popularity: %.1f s\n", elapsedSeconds(start));

        {
            std::vector<std::unique_ptr<GzipWriter>> vertices = files("vertices");
            writeVertices(vertices); // compressed on threads of their own while the edges are made
            std::vector<std::unique_ptr<GzipWriter>> edges = files("edges");
            writeEdges(edges);
            std::fprintf(stderr, "edges: %.1f s\n", elapsedSeconds(start));
            for (const auto &file : edges)
                file->finish();
            for (const auto &file : vertices)
                file->finish();
        }
        std::fprintf(stderr, "vertices and edges written: %.1f s\n", elapsedSeconds(start));
        {
            GzipWriter ranks((m_options.dir / (m_options.release + "-" + level() + "-ranks.txt.gz")).string());
            writeRanks(ranks);
            ranks.finish();
        }
        std::fprintf(stderr, "ranks written: %.1f s\n", elapsedSeconds(start));
        writeFigures(n);
        std::fprintf(stderr, "%u vertices, %llu edges, largest in-degree %u, in %.1f s\n", n,
                     static_cast<unsigned long long>(m_edgeCount), *std::max_element(m_inDegree.begin(), m_inDegree.end()),
                     elapsedSeconds(start));
    }

private:
    std::string level() const { return m_options.host ? "host" : "domain"; }

    // The files of one kind: one at domain level, parts at host level as Common Crawl splits them.
    std::vector<std::unique_ptr<GzipWriter>> files(const std::string &kind) const
    {
        std::vector<std::unique_ptr<GzipWriter>> out;
        if (!m_options.host) {
            out.push_back(std::make_unique<GzipWriter>((m_options.dir / (m_options.release + "-domain-" + kind + ".txt.gz")).string()));
            return out;
        }
        std::filesystem::create_directories(m_options.dir / kind);
        for (int part = 0; part < kHostParts; ++part) {
            char name[32];
            std::snprintf(name, sizeof name, "part-%05d.txt.gz", part);
            out.push_back(std::make_unique<GzipWriter>((m_options.dir / kind / name).string()));
        }
        return out;
    }

    // A popularity order of count sites: the site of rank r, unrelated to its name.
    std::vector<uint32_t> shuffled(uint32_t count)
    {
        std::vector<uint32_t> order(count);
        std::iota(order.begin(), order.end(), 0);
        for (uint32_t i = count - 1; i > 0; --i)
            std::swap(order[i], order[m_random.below(uint64_t(i) + 1)]);
        return order;
    }

    // The hosts column of the domain level: popular domains have many hosts too.
    void domainHosts()
    {
        const uint32_t n = m_names.size();
        m_hosts.resize(n);
        for (uint32_t rank = 0; rank < n; ++rank) {
            const double spread = std::pow(1 - m_random.uniform(), -1 / 1.5);
            const double many = 1 + 20000 / std::pow(rank + 1.0, 0.8);
            m_hosts[m_byPopularity[rank]] = uint32_t(std::min(200000.0, spread * many * (m_random.below(10) < 6 ? 0.2 : 1)));
            m_hosts[m_byPopularity[rank]] = std::max<uint32_t>(1, m_hosts[m_byPopularity[rank]]);
        }
    }

    // The host level's sites: as many domains as it takes for their hosts to number the vertices
    // asked for, each holding hosts by its own popularity; the hosts then have a popularity
    // of their own, unrelated to their domain's.
    void hostNames()
    {
        const uint32_t most = std::max<uint32_t>(1, m_options.vertices / 50);
        std::vector<uint32_t> byRank;
        for (uint64_t total = 0; total < m_options.vertices; total += byRank.back())
            byRank.push_back(std::max<uint32_t>(1, most / uint32_t(byRank.size() + 1)));
        const Names domains = Names::make(uint32_t(byRank.size()), m_random);
        const std::vector<uint32_t> order = shuffled(domains.size());
        std::vector<uint32_t> counts(domains.size());
        for (uint32_t rank = 0; rank < domains.size(); ++rank)
            counts[order[rank]] = byRank[rank];
        const uint32_t few = uint32_t(std::find_if(byRank.begin(), byRank.end(), [](uint32_t count) { return count <= 5; }) - byRank.begin());
        m_domainsOfHosts = {{"most-hosts", forwardName(domains.name(order[0])), byRank[0]},
                            {"few-hosts", forwardName(domains.name(order[few])), byRank[few]}};
        m_names = Names::hosts(domains, counts, m_random);
        m_byPopularity = shuffled(m_names.size());
    }

    // Parts of the vertices hold consecutive ranges of them.
    void writeVertices(const std::vector<std::unique_ptr<GzipWriter>> &out)
    {
        const uint32_t n = m_names.size();
        std::string line;
        for (uint32_t v = 0; v < n; ++v) {
            line.clear();
            appendNumber(line, v);
            line += '\t';
            line += m_names.name(v);
            if (!m_options.host) {
                line += '\t';
                appendNumber(line, m_hosts[v]);
            }
            line += '\n';
            out[uint64_t(v) * out.size() / n]->write(line);
        }
    }

    // Out-degrees, each site's share of the edges asked for: 0 for a site never crawled, a
    // Pareto tail for the others, capped so that a site's targets can be found.
    std::vector<uint32_t> outDegrees()
    {
        const uint32_t n = m_names.size();
        const double cap = std::min(100000.0, n / 4.0);
        std::vector<float> raw(n);
        double sum = 0;
        for (float &degree : raw) {
            if (m_random.uniform() < kCrawledShare)
                degree = float(std::min(cap, 10 * std::pow(1 - m_random.uniform(), -1 / kOutDegreeTail)));
            sum += degree;
        }
        std::vector<uint32_t> degrees(n);
        const double scale = double(m_options.edges) / sum;
        double wanted = 0;
        uint64_t given = 0;
        for (uint32_t v = 0; v < n; ++v) {
            wanted += raw[v] * scale;
            degrees[v] = uint32_t(std::min(cap, std::max(0.0, std::round(wanted) - double(given))));
            given += degrees[v];
        }
        return degrees;
    }

    // The edges of a site go to one part, the parts taking sites in turn.
    void writeEdges(const std::vector<std::unique_ptr<GzipWriter>> &out)
    {
        const uint32_t n = m_names.size();
        const std::vector<uint32_t> degrees = outDegrees();
        // Targets are drawn, told apart and counted by popularity rank, and looked up as sites
        // only once each, in a loop of independent loads: popular ranks stay in the cache, and
        // the lookups of the others overlap instead of waiting one for another.
        std::vector<uint32_t> rankOf(n), inDegreeByRank(n);
        for (uint32_t rank = 0; rank < n; ++rank)
            rankOf[m_byPopularity[rank]] = rank;
        std::vector<uint64_t> taken((n + 63) / 64);
        const auto take = [&](uint32_t rank) {
            const bool was = taken[rank / 64] >> (rank % 64) & 1;
            taken[rank / 64] |= uint64_t(1) << (rank % 64);
            return !was;
        };
        const double span = std::pow(n + 1.0, 1 - kZipf) - 1;
        std::vector<uint32_t> ranks, targets;
        std::string lines, from;
        const auto start = std::chrono::steady_clock::now();
        for (uint32_t v = 0; v < n; ++v) {
            ranks.clear();
            take(rankOf[v]);
            while (ranks.size() < degrees[v]) {
                const double x = std::pow(1 + m_random.uniform() * span, 1 / (1 - kZipf));
                const uint32_t rank = std::min<uint32_t>(n - 1, uint32_t(x) - 1);
                if (take(rank))
                    ranks.push_back(rank);
            }
            taken[rankOf[v] / 64] = 0;
            targets.resize(ranks.size());
            for (size_t i = 0; i < ranks.size(); ++i) {
                taken[ranks[i] / 64] = 0;
                ++inDegreeByRank[ranks[i]];
                targets[i] = m_byPopularity[ranks[i]];
            }
            std::sort(targets.begin(), targets.end());
            from.clear();
            appendNumber(from, v);
            from += '\t';
            lines.clear();
            for (uint32_t target : targets) {
                lines += from;
                appendNumber(lines, target);
                lines += '\n';
            }
            out[v % out.size()]->write(lines);
            m_edgeCount += targets.size();
            if (v % (1 << 20) == 0 && v)
                std::fprintf(stderr, "\r%u of %u sites, %.1f s", v, n, elapsedSeconds(start));
        }
        std::fprintf(stderr, "\n");
        m_inDegree.resize(n);
        for (uint32_t rank = 0; rank < n; ++rank)
            m_inDegree[m_byPopularity[rank]] = inDegreeByRank[rank];
    }

    void writeRanks(GzipWriter &out)
    {
        const uint32_t n = m_names.size();
        const double maxDegree = *std::max_element(m_inDegree.begin(), m_inDegree.end());
        // Harmonic centrality grows with the log of in-degree (the 1,000th site of the web scores
        // 0.63 of the first); the noise lets sites of the same in-degree differ and near ones swap.
        std::vector<float> harmonic(n);
        std::vector<double> pagerank(n);
        double weights = 0;
        for (uint32_t v = 0; v < n; ++v) {
            const double degree = m_inDegree[v];
            harmonic[v] = degree == 0 ? 0.0f
                                      : float(0.26 * n * std::log1p(degree * std::exp(0.3 * m_random.gaussian())) / std::log1p(maxDegree * 1.5));
            pagerank[v] = std::pow(degree, 1.1) * std::exp(0.4 * m_random.gaussian());
            weights += pagerank[v];
        }
        for (double &value : pagerank)
            value = 0.15 / n + 0.85 * value / weights;
        // Sorted as values beside their sites, not as sites that point to their values: a
        // comparison then reads no other memory.
        std::vector<std::pair<double, uint32_t>> byPagerank(n);
        for (uint32_t v = 0; v < n; ++v)
            byPagerank[v] = {pagerank[v], v};
        std::sort(byPagerank.begin(), byPagerank.end(),
                  [](const auto &a, const auto &b) { return a.first != b.first ? a.first > b.first : a.second < b.second; });
        std::vector<uint32_t> pagerankPosition(n);
        for (uint32_t position = 0; position < n; ++position)
            pagerankPosition[byPagerank[position].second] = position + 1;
        byPagerank = {};
        struct Harmonic
        {
            float value;
            uint32_t pagerankPosition;
            uint32_t site;
        };
        std::vector<Harmonic> byHarmonic(n);
        for (uint32_t v = 0; v < n; ++v)
            byHarmonic[v] = {harmonic[v], pagerankPosition[v], v};
        std::sort(byHarmonic.begin(), byHarmonic.end(), [](const Harmonic &a, const Harmonic &b) {
            return a.value != b.value ? a.value > b.value : a.pagerankPosition < b.pagerankPosition;
        });

        out.write(m_options.host ? "#harmonicc_pos\t#harmonicc_val\t#pr_pos\t#pr_val\t#host_rev\n"
                                 : "#harmonicc_pos\t#harmonicc_val\t#pr_pos\t#pr_val\t#host_rev\t#n_hosts\n");
        std::string line;
        for (uint32_t position = 0; position < n; ++position) {
            const auto [value, pagerankAt, v] = byHarmonic[position];
            line.clear();
            appendNumber(line, position + 1);
            line += '\t';
            appendJavaNumber(line, value, true);
            line += '\t';
            appendNumber(line, pagerankAt);
            line += '\t';
            appendJavaNumber(line, pagerank[v], false);
            line += '\t';
            line += m_names.name(v);
            if (!m_options.host) {
                line += '\t';
                appendNumber(line, m_hosts[v]);
            }
            line += '\n';
            out.write(line);
        }
    }

    // What the benchmarks need to know without reading the edges: the sizes, three sites to
    // import with --targets and to query (the most linked-to, one with about a thousand referring
    // sites, one with about ten) and, at host level, two domains with their hosts, the right way
    // round.
    void writeFigures(uint32_t n)
    {
        const auto largest = std::max_element(m_inDegree.begin(), m_inDegree.end()) - m_inDegree.begin();
        const auto near = [&](uint32_t degree) {
            uint32_t best = 0;
            for (uint32_t v = 0; v < n; ++v)
                if (std::abs(int64_t(m_inDegree[v]) - degree) < std::abs(int64_t(m_inDegree[best]) - degree))
                    best = v;
            return best;
        };
        const std::filesystem::path path = m_options.dir / (m_options.release + ".figures");
        std::ofstream figures(path.string() + ".part");
        figures << "release\t" << m_options.release << "\nvertices\t" << n << "\nedges\t" << m_edgeCount << '\n';
        for (const auto &[what, v] : {std::pair{"largest", uint32_t(largest)}, std::pair{"middle", near(1000)}, std::pair{"small", near(10)}})
            figures << what << '\t' << forwardName(m_names.name(v)) << '\t' << m_inDegree[v] << '\n';
        for (const DomainOfHosts &domain : m_domainsOfHosts)
            figures << domain.what << '\t' << domain.name << '\t' << domain.hosts << '\n';
        figures.close();
        if (!figures)
            throw std::runtime_error("cannot write " + path.string());
        std::filesystem::rename(path.string() + ".part", path);
    }

    const Options &m_options;
    Random m_random;
    Names m_names;
    std::vector<uint32_t> m_byPopularity;
    std::vector<uint32_t> m_hosts;
    std::vector<uint32_t> m_inDegree;
    uint64_t m_edgeCount = 0;
    struct DomainOfHosts
    {
        const char *what;
        std::string name;
        uint32_t hosts;
    };
    std::vector<DomainOfHosts> m_domainsOfHosts;
};

bool parseNumber(const char *text, uint64_t &value)
{
    const char *end = text + std::strlen(text);
    const auto [at, error] = std::from_chars(text, end, value);
    return error == std::errc() && at == end;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        uint64_t value = 0;
        if (arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--host") {
            options.host = true;
        } else if (arg == "--small") {
            options.vertices = 100'000;
            options.edges = 3'000'000;
        } else if ((arg == "--vertices" || arg == "--edges" || arg == "--seed") && i + 1 < argc && parseNumber(argv[i + 1], value)) {
            ++i;
            if (arg == "--vertices")
                options.vertices = uint32_t(std::min<uint64_t>(value, 1'000'000'000));
            else if (arg == "--edges")
                options.edges = value;
            else
                options.seed = value;
        } else if (arg == "--release" && i + 1 < argc) {
            options.release = argv[++i];
        } else if (!arg.starts_with("-") && options.dir.empty()) {
            options.dir = argv[i];
        } else {
            std::fprintf(stderr, "make_bench_graph: unexpected argument %s\n%s", argv[i], kUsage);
            return 2;
        }
    }
    if (options.vertices == 0)
        options.vertices = options.host ? 5'000'000 : 10'000'000;
    if (options.edges == 0)
        options.edges = options.host ? 100'000'000 : 300'000'000;
    if (options.dir.empty() || options.vertices < 100) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    try {
        Graph(options).write();
    } catch (const std::exception &error) {
        std::fprintf(stderr, "make_bench_graph: %s\n", error.what());
        return 1;
    }
    return 0;
}
