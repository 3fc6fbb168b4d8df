#include "pagehalves.h"

#include "latestinput.h"

#include <climits>
#include <future>

namespace linkindex {

namespace {

// Below this many backlinks, the pages are read at once: a second connection and a thread cost
// more than they save.
constexpr int64_t kBacklinksToSplit = 4096;

} // namespace

void readInPageHalves(Database &db, const std::vector<int64_t> &hosts,
                      const std::function<void(Database &, int64_t, int64_t, int)> &read)
{
    Transaction reading(db, Transaction::Kind::Read);
    // Counted only as far as it takes to tell.
    Statement few(db, "SELECT count(*) FROM (SELECT 1 FROM backlinks WHERE host_id = ?1 LIMIT ?2)");
    int64_t backlinks = 0;
    for (size_t i = 0; i < hosts.size() && backlinks < kBacklinksToSplit; ++i) {
        few.bind(1, hosts[i]).bind(2, kBacklinksToSplit - backlinks).step();
        backlinks += few.integer(0);
        few.reset();
    }
    // A writer's connection may hold changes no other connection sees yet.
    if (backlinks < kBacklinksToSplit || sqlite3_db_readonly(db.handle(), "main") != 1) {
        read(db, INT64_MIN, INT64_MAX, 0);
        return;
    }
    Database other(db.path(), Database::Access::ReadOnly);
    Transaction otherReading(other, Transaction::Kind::Read);
    if (LatestInput(other)() != LatestInput(db)()) {
        read(db, INT64_MIN, INT64_MAX, 0);
        return;
    }
    // Halves of the index's page ids: a domain's many linking pages lie all over it.
    Statement pages(db, "SELECT ifnull(max(id), 0) FROM pages");
    pages.step();
    const int64_t middle = pages.integer(0) / 2;
    pages.reset();
    std::future<void> secondHalf = std::async(std::launch::async, [&] { read(other, middle + 1, INT64_MAX, 1); });
    read(db, INT64_MIN, middle, 0);
    secondHalf.get();
}

} // namespace linkindex
