#pragma once

#include "source.h"

#include <string_view>

namespace archive {

// Bytes a program holds already (a list built into it), read as an input.
class MemorySource : public Source
{
public:
    explicit MemorySource(std::string_view bytes) : m_bytes(bytes) {}

    std::size_t read(char *into, std::size_t size) override;

private:
    std::string_view m_bytes;
};

} // namespace archive
