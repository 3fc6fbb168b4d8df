#include "eliasfano.h"

#include "bits.h"

#include <bit>

namespace graph::eliasfano {

namespace {

// floor(log2(bound / count)): the split that makes the high bits at most two a number.
unsigned lowBitsOf(uint64_t count, uint64_t bound)
{
    return count == 0 || bound <= count ? 0 : unsigned(std::bit_width(bound / count)) - 1;
}

uint64_t lowBytes(uint64_t count, unsigned lowBits)
{
    return (count * lowBits + 7) / 8;
}

uint64_t highBytes(uint64_t count, uint64_t bound, unsigned lowBits)
{
    // Number i sets bit (its high bits + i); the last is below (bound - 1 >> lowBits) + count.
    return count == 0 ? 0 : (((bound - 1) >> lowBits) + count + 7) / 8;
}

} // namespace

uint64_t bytes(uint64_t count, uint64_t bound)
{
    const unsigned lowBits = lowBitsOf(count, bound);
    return lowBytes(count, lowBits) + highBytes(count, bound, lowBits);
}

template <typename NumberAt> void appendList(std::string &out, uint64_t count, uint64_t bound, const NumberAt &numberAt)
{
    const unsigned lowBits = lowBitsOf(count, bound);
    bits::Writer low(out);
    for (uint64_t i = 0; i < count; ++i)
        low.put(numberAt(i), lowBits);
    low.finish();
    const size_t high = out.size();
    out.resize(high + highBytes(count, bound, lowBits), '\0');
    for (uint64_t i = 0; i < count; ++i) {
        const uint64_t bit = (numberAt(i) >> lowBits) + i;
        out[high + bit / 8] = char(out[high + bit / 8] | 1 << bit % 8);
    }
}

void append(std::string &out, std::span<const uint32_t> sorted, uint64_t bound)
{
    appendList(out, sorted.size(), bound, [&](uint64_t i) { return sorted[i]; });
}

uint64_t indexedBytes(uint64_t count, uint64_t bound)
{
    return bytes(count, bound) + (count + kIndexEvery - 1) / kIndexEvery * 8;
}

void appendIndexed(std::string &out, uint64_t count, uint64_t bound, const std::function<uint32_t(uint64_t)> &numberAt)
{
    appendList(out, count, bound, numberAt);
    const unsigned lowBits = lowBitsOf(count, bound);
    for (uint64_t i = 0; i < count; i += kIndexEvery) {
        const uint64_t bit = (numberAt(i) >> lowBits) + i;
        for (int byte = 0; byte < 8; ++byte)
            out.push_back(char(bit >> 8 * byte));
    }
}

Reader::Reader(const uint8_t *at, uint64_t count, uint64_t bound)
    : m_low(at), m_lowBits(lowBitsOf(count, bound))
{
    m_high = m_low + lowBytes(count, m_lowBits);
    m_end = m_high + highBytes(count, bound, m_lowBits);
    m_word = bits::load(m_high, m_end);
}

uint32_t Reader::next()
{
    while (m_word == 0) {
        m_wordAt += 8;
        m_word = bits::load(m_high + m_wordAt, m_end);
    }
    const uint64_t high = m_wordAt * 8 + uint64_t(std::countr_zero(m_word)) - m_index;
    m_word &= m_word - 1;
    const uint64_t low = bits::read(m_low, m_index * m_lowBits, m_lowBits, m_high);
    ++m_index;
    return uint32_t(high << m_lowBits | low);
}

IndexedList::IndexedList(const uint8_t *at, uint64_t count, uint64_t bound)
    : m_low(at), m_lowBits(lowBitsOf(count, bound))
{
    m_high = m_low + lowBytes(count, m_lowBits);
    m_index = m_high + highBytes(count, bound, m_lowBits);
}

uint32_t IndexedList::operator[](uint64_t index) const
{
    // From the indexed number before it, over the bits set between: a window of the high bits at a
    // time, from the bit reached to the end of its eighth byte.
    uint64_t bit = bits::load(m_index + index / kIndexEvery * 8, m_index + index / kIndexEvery * 8 + 8);
    uint64_t skip = index % kIndexEvery;
    while (true) {
        uint64_t window = bits::load(m_high + bit / 8, m_index) >> (bit % 8);
        const auto set = uint64_t(std::popcount(window));
        if (skip < set) {
            for (; skip > 0; --skip)
                window &= window - 1;
            bit += uint64_t(std::countr_zero(window));
            break;
        }
        skip -= set;
        bit += 64 - bit % 8;
    }
    const uint64_t low = bits::read(m_low, index * m_lowBits, m_lowBits, m_high);
    return uint32_t((bit - index) << m_lowBits | low);
}

} // namespace graph::eliasfano
