// Writes the link index the query benchmark reads: LINKS links (10 million unless told) from
// pages of 20 links each, on 20 pages a site, to hosts of a long-tailed pool, captured over two
// years. Three domains have a known number of linking pages whatever the size: popular.example
// 100,000, menhu.example 1,000 (a 20-request window query) and rare.example 10. An existing
// index is kept.
#include "index/indexwriter.h"
#include "index/schema.h"

#include <cstdio>
#include <filesystem>
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
constexpr int64_t kTwoYears = int64_t(2 * 365) * 86'400'000'000;

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

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s INDEX [LINKS]\n", argv[0]);
        return 2;
    }
    if (std::filesystem::exists(argv[1]))
        return 0;
    const int64_t links = argc == 3 ? std::stoll(argv[2]) : 10'000'000;
    const int64_t pages = links / kLinksAPage;
    const std::string partial = std::string(argv[1]) + ".part";
    std::filesystem::remove(partial);
    {
        auto db = linkindex::openIndex(partial, linkindex::Database::Access::ReadWrite);
        linkindex::IndexWriter writer(*db);
        std::mt19937_64 random(7);
        int64_t added = 0;
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
            writer.add(capture);
            added += kLinksAPage;
            if ((page + 1) % kPagesAnInput == 0 || page + 1 == pages) {
                writer.commitInput("bench-" + std::to_string(page / kPagesAnInput), page % kPagesAnInput + 1,
                                   page % kPagesAnInput + 1, kPagesAnInput * kLinksAPage);
                std::fprintf(stderr, "\r%lld links", static_cast<long long>(added));
            }
        }
        std::fprintf(stderr, "\n");
    }
    std::filesystem::remove(partial + "-wal");
    std::filesystem::remove(partial + "-shm");
    std::filesystem::rename(partial, argv[1]);
    return 0;
}
