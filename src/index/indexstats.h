#pragma once

#include "sqlite.h"

#include <cstdint>

namespace linkindex {

struct IndexStats
{
    int64_t inputs = 0;      // inputs added
    int64_t pages = 0;       // pages with their latest capture
    int64_t links = 0;       // links to other hosts that stand (not lost)
    int64_t targetHosts = 0; // distinct hosts linked to by them
    int64_t bytes = 0;       // size on disk, write-ahead log included
};

IndexStats indexStats(Database &db);

} // namespace linkindex
