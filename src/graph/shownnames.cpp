#include "shownnames.h"

#include "sitename.h"

#include <bit>
#include <future>

namespace graph {

ShownNames::ShownNames(const Release &release, std::span<const uint32_t> sites) : m_order(sites.size())
{
    // A name read on its own takes about a microsecond, marking a few nanoseconds for every name
    // of the release: a list that short beside the release is read a name at a time.
    if (sites.size() * kSitesToAName < release.vertices()) {
        m_starts.push_back(0);
        for (size_t i = 0; i < sites.size(); ++i) {
            m_order[i] = uint32_t(i);
            appendSiteName(m_text, release.reversedName(sites[i]));
            m_starts.push_back(m_text.size());
        }
        return;
    }
    // The positions asked are marked a bit each; a name's place among them is the count of marks
    // before its own.
    std::vector<uint64_t> marked((release.vertices() + 63) / 64);
    for (size_t i = 0; i < sites.size(); ++i) {
        const uint32_t position = release.namePosition(sites[i]);
        m_order[i] = position;
        marked[position / 64] |= uint64_t(1) << (position % 64);
    }
    std::vector<uint32_t> before(marked.size());
    uint32_t count = 0;
    for (size_t word = 0; word < marked.size(); ++word) {
        before[word] = count;
        count += uint32_t(std::popcount(marked[word]));
    }
    for (uint32_t &at : m_order)
        at = before[at / 64] + uint32_t(std::popcount(marked[at / 64] & ((uint64_t(1) << (at % 64)) - 1)));

    // The two halves of the name order are read side by side, on two cores.
    const auto read = [&release, &marked](size_t fromWord, size_t toWord, std::string &text, std::vector<uint64_t> &ends) {
        release.markedNames(std::span(marked).subspan(fromWord, toWord - fromWord), fromWord * 64,
                            [&](std::string_view reversed) {
                                appendSiteName(text, reversed);
                                ends.push_back(text.size());
                            });
    };
    const size_t half = marked.size() / 2;
    std::string secondText;
    std::vector<uint64_t> secondEnds;
    auto second = std::async(std::launch::async, read, half, marked.size(), std::ref(secondText), std::ref(secondEnds));
    m_starts.reserve(count + 1);
    m_starts.push_back(0);
    read(0, half, m_text, m_starts);
    second.get();
    const uint64_t firstLength = m_text.size();
    m_text += secondText;
    for (const uint64_t end : secondEnds)
        m_starts.push_back(firstLength + end);
}

} // namespace graph
