#pragma once

#include "sqlite.h"

#include <cstdint>

namespace linkindex {

// The latest input added to the index as a connection reads it. Every write of links is an
// input's transaction, which adds the input: connections that see the same latest input read the
// same links.
class LatestInput
{
public:
    explicit LatestInput(Database &db) : m_latest(db, "SELECT ifnull(max(id), 0) FROM inputs") { }
    int64_t operator()();

private:
    Statement m_latest;
};

} // namespace linkindex
