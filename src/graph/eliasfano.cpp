#include "eliasfano.h"

#include <algorithm>
#include <bit>
#include <cstring>

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

// Up to eight bytes from at as one little-endian number, none read from end on.
uint64_t load(const uint8_t *at, const uint8_t *end)
{
    uint64_t word = 0;
    if (std::endian::native == std::endian::little && end - at >= 8) {
        std::memcpy(&word, at, 8);
        return word;
    }
    const auto length = std::min<ptrdiff_t>(8, end - at);
    for (ptrdiff_t i = 0; i < length; ++i)
        word |= uint64_t(at[i]) << (8 * i);
    return word;
}

} // namespace

uint64_t bytes(uint64_t count, uint64_t bound)
{
    const unsigned lowBits = lowBitsOf(count, bound);
    return lowBytes(count, lowBits) + highBytes(count, bound, lowBits);
}

void append(std::string &out, std::span<const uint32_t> sorted, uint64_t bound)
{
    const uint64_t count = sorted.size();
    const unsigned lowBits = lowBitsOf(count, bound);
    const size_t low = out.size();
    const size_t high = low + lowBytes(count, lowBits);
    out.resize(high + highBytes(count, bound, lowBits), '\0');
    // The low bits gather in a word, written out a byte at a time as it fills.
    uint64_t word = 0;
    unsigned filled = 0;
    size_t at = low;
    for (uint64_t i = 0; i < count; ++i) {
        word |= uint64_t(sorted[i] & ((uint64_t(1) << lowBits) - 1)) << filled;
        for (filled += lowBits; filled >= 8; filled -= 8, word >>= 8)
            out[at++] = char(word);
        const uint64_t bit = (sorted[i] >> lowBits) + i;
        out[high + bit / 8] = char(out[high + bit / 8] | 1 << bit % 8);
    }
    if (filled > 0)
        out[at] = char(word);
}

Reader::Reader(const uint8_t *at, uint64_t count, uint64_t bound)
    : m_low(at), m_lowBits(lowBitsOf(count, bound))
{
    m_high = m_low + lowBytes(count, m_lowBits);
    m_end = m_high + highBytes(count, bound, m_lowBits);
    m_word = load(m_high, m_end);
}

uint32_t Reader::next()
{
    while (m_word == 0) {
        m_wordAt += 8;
        m_word = load(m_high + m_wordAt, m_end);
    }
    const uint64_t high = m_wordAt * 8 + uint64_t(std::countr_zero(m_word)) - m_index;
    m_word &= m_word - 1;
    // The low bits of a number span at most five bytes from the one they start in.
    const uint64_t bit = m_index * m_lowBits;
    const uint64_t low = load(m_low + bit / 8, m_high) >> (bit % 8) & ((uint64_t(1) << m_lowBits) - 1);
    ++m_index;
    return uint32_t(high << m_lowBits | low);
}

} // namespace graph::eliasfano
