#include "packedcolumn.h"

#include <bit>

namespace graph {

PackedColumnWriter::PackedColumnWriter(const std::string &path, uint64_t largest)
    : m_file(path), m_width(unsigned(std::bit_width(largest)))
{
    m_buffer.push_back(char(m_width));
}

void PackedColumnWriter::put(uint32_t number)
{
    m_bits.put(number, m_width);
    if (m_buffer.size() >= (1 << 16)) {
        m_file.write(m_buffer.data(), m_buffer.size());
        m_buffer.clear();
    }
}

void PackedColumnWriter::close()
{
    m_bits.finish();
    m_file.write(m_buffer.data(), m_buffer.size());
    m_file.close();
}

PackedColumn::PackedColumn(const uint8_t *data, uint64_t size)
{
    if (size > 0 && data[0] <= 32) {
        m_width = data[0];
        m_bits = data + 1;
        m_end = data + size;
    }
}

bool PackedColumn::holds(uint64_t count) const
{
    return m_bits && uint64_t(m_end - m_bits) == (count * m_width + 7) / 8;
}

} // namespace graph
