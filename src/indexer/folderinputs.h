#pragma once

#include <string>
#include <vector>

namespace indexer {

// The inputs with every folder among them replaced by the parts linkvane-cluster writes in it
// (part-*.tsv), by name; a folder without parts stays, to be named as an input that cannot be read.
std::vector<std::string> withFolderParts(const std::vector<std::string> &inputs);

} // namespace indexer
