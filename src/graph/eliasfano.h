#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

// A list of numbers below a bound that never falls, in Elias and Fano's coding: the low bits of
// each number as they are, then its high bits, which rise with the list, as one bit set a number
// in a row of bits counting up. It takes 2 + log2(bound / count) bits a number whatever their
// spread, and reads back in order as fast as bytes are read.
namespace graph::eliasfano {

// The bytes of a list of count numbers below bound.
uint64_t bytes(uint64_t count, uint64_t bound);

void append(std::string &out, std::span<const uint32_t> sorted, uint64_t bound);

// Reads the list at at (count and bound as written) from its first number on.
class Reader
{
public:
    Reader(const uint8_t *at, uint64_t count, uint64_t bound);
    // The next number; called at most count times.
    uint32_t next();

private:
    const uint8_t *m_low;
    const uint8_t *m_high;
    const uint8_t *m_end;
    unsigned m_lowBits;
    uint64_t m_index = 0;
    uint64_t m_wordAt = 0; // the byte of the high bits m_word was read from
    uint64_t m_word = 0;   // what is left of it: the bits not yet read
};

// A list read at any place: as above, then where the high bit of every kIndexEvery-th number is,
// so that a number is found by reading at most kIndexEvery high bits. The numbers are given by
// their places, so that they need not all be in memory at once.
inline constexpr uint64_t kIndexEvery = 128;
uint64_t indexedBytes(uint64_t count, uint64_t bound);
void appendIndexed(std::string &out, uint64_t count, uint64_t bound, const std::function<uint32_t(uint64_t)> &numberAt);

class IndexedList
{
public:
    IndexedList() = default;
    IndexedList(const uint8_t *at, uint64_t count, uint64_t bound);
    uint32_t operator[](uint64_t index) const;

private:
    const uint8_t *m_low = nullptr;
    const uint8_t *m_high = nullptr;
    const uint8_t *m_index = nullptr; // where the high bits end
    unsigned m_lowBits = 0;
};

} // namespace graph::eliasfano
