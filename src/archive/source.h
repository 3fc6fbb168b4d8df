#pragma once

#include <cstddef>
#include <cstdint>

namespace archive {

// A stream of bytes, read in large pieces into the caller's buffer: a file, or a layer that
// decodes another source. One virtual call moves many bytes, never one.
class Source
{
public:
    virtual ~Source() = default;

    // Up to size bytes into into; 0 only at the end of the input. Throws InputError.
    virtual std::size_t read(char *into, std::size_t size) = 0;

    // Passes over up to size bytes, fewer only at the end of the input; returns how many. A
    // layer that cannot seek decodes them into a scratch buffer and drops them.
    virtual std::uint64_t skip(std::uint64_t size);
};

} // namespace archive
