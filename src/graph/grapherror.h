#pragma once

#include <stdexcept>

namespace graph {

// A release could not be added or read. The message names the file (and line) and what was
// wrong, in words a user can act on.
class GraphError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

} // namespace graph
