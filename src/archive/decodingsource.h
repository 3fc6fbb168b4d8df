#pragma once

#include "lookahead.h"

#include <memory>

namespace archive {

// The bytes of an input as they were before it was compressed: gzip and zstd are told from their
// first bytes, never from a file name (standard input has none); anything else is read as it is.
// Whoever reads records from it never knows whether the file was compressed.
class DecodingSource : public Source
{
public:
    explicit DecodingSource(Source &raw);

    std::size_t read(char *into, std::size_t size) override;
    std::uint64_t skip(std::uint64_t size) override;

private:
    Lookahead m_raw;
    std::unique_ptr<Source> m_decoder; // none for input that is not compressed
};

} // namespace archive
