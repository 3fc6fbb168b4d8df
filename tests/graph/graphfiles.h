#pragma once

#include "graph/graphbuilder.h"
#include "graph/release.h"

#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

// Web-graph releases written by the tests in Common Crawl's format, and built as add-graph builds
// them.

// Writes bytes (gzip-compressed when the name ends in .gz) to a file named name in folder, and
// returns its path.
std::string writeGraphFile(const QTemporaryDir &folder, const std::string &name, const std::string &bytes);

// The ranks file's header at that level.
std::string ranksHeader(graph::Level level);

// A small domain-level release: its files' lines are out of order, with a repeated edge, ids
// that are not line numbers, names that sort before a dot ("example-shop"), punycode and a
// suffix of two labels; ranks in Java's number forms, with "---" and a row for a name that is no
// vertex. example.com has three referring sites: bbc.co.uk (ranked first), linker.net (ranked)
// and example-shop.com (unranked).
extern const std::string kSampleVertices;
extern const std::string kSampleEdges;
extern const std::string kSampleRanks; // without the header
inline constexpr const char *kSampleRelease = "cc-main-2025-mar-apr-may";

// The sample release's three files, named as Common Crawl names them, in folder.
std::vector<std::string> sampleDomainFiles(const QTemporaryDir &folder, const std::string &release = kSampleRelease);

// Builds a release from files into a new folder of dir and opens it; a GraphError is passed on.
std::unique_ptr<graph::Release> buildTestRelease(const QTemporaryDir &dir, const std::vector<std::string> &files,
                                                 graph::BuildRequest request = {});

// Writes the meta file of the release in folder as releases were written before their format was
// named: without its first line.
void writeEarlierFormatMeta(const QString &folder);

// The names (the right way round) of sites, in the order given.
std::vector<std::string> siteNames(const graph::Release &release, const std::vector<uint32_t> &sites);
