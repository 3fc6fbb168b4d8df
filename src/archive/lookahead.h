#pragma once

#include "source.h"

#include <string>
#include <string_view>

namespace archive {

// A source whose next bytes can be looked at before they are read: the kind of an input is told
// from its first bytes, and then the input is read from its start, even from a pipe.
class Lookahead : public Source
{
public:
    explicit Lookahead(Source &inner) : m_inner(inner) {}

    // The next size bytes, fewer only at the end of the input; reading still starts with them.
    std::string_view peek(std::size_t size);

    std::size_t read(char *into, std::size_t size) override;
    std::uint64_t skip(std::uint64_t size) override;

private:
    Source &m_inner;
    std::string m_ahead;
    std::size_t m_at = 0; // of m_ahead, already read
};

} // namespace archive
