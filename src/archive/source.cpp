#include "source.h"

#include <algorithm>

namespace archive {

std::uint64_t Source::skip(std::uint64_t size)
{
    // On the stack: a heap block this large would be mapped and unmapped on every skip.
    char scratch[64 << 10];
    std::uint64_t skipped = 0;
    while (skipped < size) {
        const std::size_t got = read(scratch, std::size_t(std::min<std::uint64_t>(sizeof scratch, size - skipped)));
        if (got == 0)
            break;
        skipped += got;
    }
    return skipped;
}

} // namespace archive
