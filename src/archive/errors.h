#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace archive {

// The input cannot be read on from where this was thrown: it is no archive, its framing is
// broken, or its compressed stream is cut short or corrupt. The message names the byte offset,
// and the record where there is one; every record before it has been delivered whole.
class InputError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// One record's content cannot be decoded: a body that is not in the coding its headers name,
// WAT JSON that is malformed. The input reads on with the next record.
class ContentError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// At most the first kExcerptSize bytes of bytes, quoted, with anything but printable ASCII
// escaped: hostile input must not be able to write control characters or a megabyte into a
// message.
inline constexpr std::size_t kExcerptSize = 40;
std::string excerpt(std::string_view bytes);

} // namespace archive
