#pragma once

#include "bits.h"
#include "mappedfile.h"

#include <cstdint>
#include <string>

namespace graph {

// A file of numbers in as few bits each as the largest of them needs: a byte saying how many, then
// the numbers one after another (bits.h). Site numbers and positions take 24 bits each in a
// release of ten million sites.
class PackedColumnWriter
{
public:
    PackedColumnWriter(const std::string &path, uint64_t largest);
    void put(uint32_t number);
    void close();

private:
    OutputFile m_file;
    unsigned m_width;
    std::string m_buffer;
    bits::Writer m_bits{m_buffer};
};

// Such a file, read in place.
class PackedColumn
{
public:
    PackedColumn() = default;
    PackedColumn(const uint8_t *data, uint64_t size);
    // Whether it is the size of count numbers.
    bool holds(uint64_t count) const;

    uint32_t operator[](uint64_t index) const { return uint32_t(bits::read(m_bits, index * m_width, m_width, m_end)); }

private:
    const uint8_t *m_bits = nullptr;
    const uint8_t *m_end = nullptr;
    unsigned m_width = 0;
};

} // namespace graph
