// Adds a release as add-graph does, but with the links sorted MEMORY-EDGES at a time instead of
// 2^26: everything a build holds at once shrinks with that number, but for what it holds a site.
// A release of a few million sites built with a 64th of the budget so takes the way of one 64 times
// as large, such as Common Crawl's host levels of hundreds of millions of hosts, whose ids' site
// numbers are not held in memory. Prints the seconds it took; run it under /usr/bin/time for its
// peak memory.
#include "graph/graphbuilder.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>

int main(int argc, char *argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: bench_graph_build MEMORY-EDGES EMPTY-FOLDER FILE...\n");
        return 2;
    }
    graph::BuildRequest request;
    request.memoryEdges = std::strtoull(argv[1], nullptr, 10);
    request.inputs.assign(argv + 3, argv + argc);
    const std::string folder = argv[2];
    std::filesystem::create_directories(folder);
    const std::atomic<bool> neverStop = false;
    try {
        const auto start = std::chrono::steady_clock::now();
        const graph::BuildSummary built = graph::buildRelease(request, folder, [](const graph::BuildProgress &) {}, neverStop);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("%.2f s\t%llu sites\t%llu links\n", seconds, static_cast<unsigned long long>(built.vertices),
                    static_cast<unsigned long long>(built.edges));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "bench_graph_build: %s\n", error.what());
        return 1;
    }
}
