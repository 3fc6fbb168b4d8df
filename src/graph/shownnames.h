#pragma once

#include "release.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace graph {

// The names of many sites of a release, the right way round, for listings of millions. Reading
// each name on its own costs a far read of memory and most of a block of names; here they are all
// read in one pass in name order, unless they are few beside the release's.
class ShownNames
{
public:
    ShownNames(const Release &release, std::span<const uint32_t> sites);

    // The name of sites[i].
    std::string_view operator[](size_t i) const
    {
        const uint32_t at = m_order[i];
        return std::string_view(m_text).substr(m_starts[at], m_starts[at + 1] - m_starts[at]);
    }

    // Lists of fewer sites than one in this many of the release's are read a name at a time.
    static constexpr size_t kSitesToAName = 16384;

private:
    std::string m_text;             // the names in name order (a short list's in the order asked)
    std::vector<uint64_t> m_starts; // where each starts in m_text, and where the last ends
    std::vector<uint32_t> m_order;  // the place in m_text of the name of each site asked
};

} // namespace graph
