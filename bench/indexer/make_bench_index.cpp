// Writes the link index the query benchmark reads: LINKS links (10 million unless told) from
// pages of 20 links each, on 20 pages a site, to hosts of a long-tailed pool, captured over two
// years. Three domains have a known number of linking pages whatever the size: popular.example
// 100,000, menhu.example 1,000 (a 20-request window query) and rare.example 10. An existing
// index is kept, unless this build cannot read it.
//
// With --second-crawl, copies such an index and adds to the copy a second crawl of every page,
// 30 days after its first capture, in which one link in 20 has changed (a new URL and anchor on
// the same host): the index a user has after crawling the same sites again a month later.
#include "index/indexstats.h"
#include "index/indexwriter.h"
#include "index/schema.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <string>

namespace {

constexpr int64_t kLinksAPage = 20;
constexpr int64_t kPagesASite = 20;
// A new host for every 50 links or so: many more distinct hosts than a site's own links would
// name, so that the hosts' share of the index is not understated.
constexpr int64_t kTargetHosts = 200'000;
constexpr int64_t kPagesAnInput = 50'000;
constexpr int64_t kFirstCapture = 1'704'067'200'000'000; // 2024-01-01, in microseconds
constexpr int64_t kDay = 86'400'000'000;
constexpr int64_t kTwoYears = 2 * 365 * kDay;
constexpr int64_t kRecrawlAfter = 30 * kDay;
constexpr uint64_t kOneLinkChangedIn = 20;

struct KnownDomain
{
    const char *host;
    int64_t pages;
};
constexpr KnownDomain kKnown[] = {{"popular.example", 100'000}, {"menhu.example", 1'000}, {"rare.example", 10}};

const char *const kWords[] = {"garden", "river", "market", "travel", "kitchen", "music",  "science", "history",
                              "mountain", "coffee", "design", "health", "family", "school", "winter", "review",
                              "photo", "local", "digital", "green", "city", "book", "craft", "sport"};

std::string words(std::mt19937_64 &random, int count, const char *separator)
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        if (i)
            text += separator;
        text += kWords[random() % std::size(kWords)];
    }
    return text;
}

std::string siteHost(int64_t site)
{
    return "www." + std::string(kWords[site % std::size(kWords)]) + "-" + std::to_string(site) + ".com";
}

// Hosts linked to are few popular ones and a long tail: the square of a uniform draw.
std::string targetHost(std::mt19937_64 &random)
{
    const double draw = std::uniform_real_distribution<double>(0, 1)(random);
    const int64_t n = int64_t(draw * draw * kTargetHosts);
    return std::string(kWords[n % std::size(kWords)]) + "-news" + std::to_string(n) + ".org";
}

links::Link link(std::mt19937_64 &random, const std::string &host)
{
    return {"https://" + host + "/" + words(random, 2, "/") + "/" + words(random, 2, "-") + "-" + std::to_string(random() % 100000)
                + ".html",
            host, words(random, 1 + int(random() % 4), " "), random() % 10 == 0};
}

// Every page of the first crawl, in order, through one writer into path, 50,000 pages an input;
// change may alter each capture before it is added.
void addCrawl(const std::string &path, int64_t pages, const std::string &inputName,
              const std::function<void(linkindex::Capture &)> &change)
{
    auto db = linkindex::openIndex(path, linkindex::Database::Access::ReadWrite);
    linkindex::IndexWriter writer(*db);
    std::mt19937_64 random(7);
    for (int64_t page = 0; page < pages; ++page) {
        if (page % kPagesAnInput == 0)
            writer.beginInput();
        const int64_t site = page / kPagesASite;
        const std::string host = siteHost(site);
        linkindex::Capture capture{{"https://" + host + "/" + words(random, 1, "") + "/" + words(random, 3, "-") + "-"
                                        + std::to_string(page) + ".html",
                                    host, words(random, 3 + int(random() % 6), " "), {}},
                                   kFirstCapture + int64_t(random() % uint64_t(kTwoYears))};
        for (const KnownDomain &known : kKnown) {
            if (page % (pages / known.pages) == 0 && page / (pages / known.pages) < known.pages)
                capture.page.links.push_back(link(random, "www." + std::string(known.host)));
        }
        while (int64_t(capture.page.links.size()) < kLinksAPage)
            capture.page.links.push_back(link(random, targetHost(random)));
        change(capture);
        writer.add(capture);
        if ((page + 1) % kPagesAnInput == 0 || page + 1 == pages) {
            writer.commitInput(inputName + std::to_string(page / kPagesAnInput), page % kPagesAnInput + 1,
                               page % kPagesAnInput + 1, kPagesAnInput * kLinksAPage);
            std::fprintf(stderr, "\r%lld links", static_cast<long long>((page + 1) * kLinksAPage));
        }
    }
    std::fprintf(stderr, "\n");
}

// An index left by a build of another schema would fail every query: it is made again.
bool readable(const std::string &path)
{
    try {
        linkindex::openIndex(path, linkindex::Database::Access::ReadOnly);
        return true;
    } catch (const linkindex::IndexError &error) {
        std::fprintf(stderr, "%s: making it again\n", error.what());
        return false;
    }
}

} // namespace

int main(int argc, char **argv)
{
    const bool second = argc > 1 && std::string(argv[1]) == "--second-crawl";
    if (second ? argc != 4 : argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s INDEX [LINKS]\n       %s --second-crawl ONE-CRAWL-INDEX INDEX\n", argv[0], argv[0]);
        return 2;
    }
    const std::string index = argv[second ? 3 : 1];
    if (std::filesystem::exists(index) && readable(index))
        return 0;
    const std::string partial = index + ".part";
    std::filesystem::remove(partial);
    if (second) {
        int64_t pages = 0;
        {
            auto db = linkindex::openIndex(argv[2], linkindex::Database::Access::ReadOnly);
            pages = linkindex::indexStats(*db).pages;
        }
        std::filesystem::copy_file(argv[2], partial);
        std::mt19937_64 random(11);
        addCrawl(partial, pages, "recrawl-", [&random](linkindex::Capture &capture) {
            *capture.captured += kRecrawlAfter;
            for (links::Link &each : capture.page.links)
                if (random() % kOneLinkChangedIn == 0)
                    each = link(random, each.host);
        });
    } else {
        addCrawl(partial, (argc == 3 ? std::stoll(argv[2]) : 10'000'000) / kLinksAPage, "bench-", [](linkindex::Capture &) {});
    }
    std::filesystem::remove(partial + "-wal");
    std::filesystem::remove(partial + "-shm");
    std::filesystem::rename(partial, index);
    return 0;
}
