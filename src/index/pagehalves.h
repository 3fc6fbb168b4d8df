#pragma once

#include "sqlite.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace linkindex {

// Reads the backlinks of hosts by the pages they come from: read(connection, firstPage,
// lastPage, half) is called for a range of page ids, the whole as half 0 on db, or, when the
// backlinks are many, in two halves of the index's pages: half 0 on db and half 1 at once on
// another core, over a connection of its own that reads the index as db does.
void readInPageHalves(Database &db, const std::vector<int64_t> &hosts,
                      const std::function<void(Database &, int64_t firstPage, int64_t lastPage, int half)> &read);

} // namespace linkindex
