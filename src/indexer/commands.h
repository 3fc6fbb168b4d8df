#pragma once

#include <string>
#include <vector>

// The commands of linkvane-index; each returns the program's exit status.
namespace indexer {

int add(const std::string &index, const std::vector<std::string> &inputs, unsigned threads, bool quiet);
int extract(const std::vector<std::string> &inputs, const std::string &targetsFile, unsigned threads);
int backlinks(const std::string &index, const std::string &domain, const std::string &format);
int stats(const std::string &index);

} // namespace indexer
