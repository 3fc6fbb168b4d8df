#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// Numbers of a few bits each, one after another, low bits first: the graph's columns of site
// numbers and the low halves of its lists.
namespace graph::bits {

// Appends numbers to out, gathered in a word and written a byte at a time as it fills.
class Writer
{
public:
    explicit Writer(std::string &out) : m_out(out) { }

    // The low width bits (at most 32) of value.
    void put(uint64_t value, unsigned width)
    {
        m_word |= (value & ((uint64_t(1) << width) - 1)) << m_filled;
        for (m_filled += width; m_filled >= 8; m_filled -= 8, m_word >>= 8)
            m_out.push_back(char(m_word));
    }

    // Writes the last byte begun.
    void finish()
    {
        if (m_filled > 0)
            m_out.push_back(char(m_word));
        m_word = 0;
        m_filled = 0;
    }

private:
    std::string &m_out;
    uint64_t m_word = 0;
    unsigned m_filled = 0;
};

// Up to eight bytes from at as one little-endian number, none read from end on.
inline uint64_t load(const uint8_t *at, const uint8_t *end)
{
    uint64_t word = 0;
    if (std::endian::native == std::endian::little && end - at >= 8) {
        std::memcpy(&word, at, 8);
        return word;
    }
    const auto length = std::min<std::ptrdiff_t>(8, end - at);
    for (std::ptrdiff_t i = 0; i < length; ++i)
        word |= uint64_t(at[i]) << (8 * i);
    return word;
}

// The width bits (at most 32) that start at bit of the bits at data, none read from end on.
inline uint64_t read(const uint8_t *data, uint64_t bit, unsigned width, const uint8_t *end)
{
    return load(data + bit / 8, end) >> (bit % 8) & ((uint64_t(1) << width) - 1);
}

} // namespace graph::bits
