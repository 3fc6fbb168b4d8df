#pragma once

#include <cstdint>
#include <string>

namespace graph {

// Unsigned LEB128: seven bits a byte, low bits first: lengths and counts, most of which fit in a
// byte.
inline void appendVarint(std::string &out, uint64_t value)
{
    while (value >= 0x80) {
        out.push_back(char(value | 0x80));
        value >>= 7;
    }
    out.push_back(char(value));
}

// The number at at, which moves past it. The caller knows that a whole number is there.
inline uint64_t readVarint(const uint8_t *&at)
{
    uint64_t value = 0;
    for (int shift = 0;; shift += 7) {
        const uint8_t byte = *at++;
        value |= uint64_t(byte & 0x7f) << shift;
        if (!(byte & 0x80))
            return value;
    }
}

} // namespace graph
