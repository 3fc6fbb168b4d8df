#include "folderinputs.h"

#include <algorithm>
#include <filesystem>

namespace indexer {

std::vector<std::string> withFolderParts(const std::vector<std::string> &inputs)
{
    std::vector<std::string> expanded;
    for (const std::string &input : inputs) {
        std::error_code error;
        if (!std::filesystem::is_directory(input, error)) {
            expanded.push_back(input);
            continue;
        }
        std::vector<std::string> parts;
        // Only whole parts carry this name: a task writes under another and renames at the end.
        for (const auto &entry : std::filesystem::directory_iterator(input, error)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("part-") && name.ends_with(".tsv") && entry.is_regular_file(error))
                parts.push_back(entry.path().string());
        }
        std::sort(parts.begin(), parts.end());
        if (parts.empty())
            expanded.push_back(input);
        expanded.insert(expanded.end(), parts.begin(), parts.end());
    }
    return expanded;
}

} // namespace indexer
