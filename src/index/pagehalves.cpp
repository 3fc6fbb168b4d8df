#include "pagehalves.h"

#include <algorithm>
#include <climits>
#include <future>
#include <optional>

namespace linkindex {

namespace {

// Below this many backlinks, the pages are read at once: a second connection and a thread cost
// more than they save.
constexpr int64_t kBacklinksToSplit = 4096;

} // namespace

int64_t latestInput(Database &db)
{
    Statement latest(db, "SELECT ifnull(max(id), 0) FROM inputs");
    latest.step();
    const int64_t id = latest.integer(0);
    latest.reset();
    return id;
}

void readInPageHalves(Database &db, const std::vector<int64_t> &hosts,
                      const std::function<void(Database &, int64_t, int64_t, int)> &read)
{
    Transaction reading(db, Transaction::Kind::Read);
    Statement first(db, "SELECT min(page_id) FROM backlinks WHERE host_id = ?1");
    Statement last(db, "SELECT max(page_id) FROM backlinks WHERE host_id = ?1");
    Statement few(db, "SELECT count(*) FROM (SELECT 1 FROM backlinks WHERE host_id = ?1 LIMIT ?2)");
    int64_t firstPage = INT64_MAX, lastPage = INT64_MIN, backlinks = 0;
    for (const int64_t host : hosts) {
        if (backlinks < kBacklinksToSplit) {
            few.bind(1, host).bind(2, kBacklinksToSplit - backlinks).step();
            backlinks += few.integer(0);
            few.reset();
        }
        first.bind(1, host).step();
        last.bind(1, host).step();
        if (const std::optional<int64_t> page = first.optionalInteger(0)) {
            firstPage = std::min(firstPage, *page);
            lastPage = std::max(lastPage, last.integer(0));
        }
        first.reset();
        last.reset();
    }
    if (firstPage > lastPage)
        return;
    // A writer's connection may hold changes no other connection sees yet.
    if (backlinks < kBacklinksToSplit || sqlite3_db_readonly(db.handle(), "main") != 1) {
        read(db, firstPage, lastPage, 0);
        return;
    }
    Database other(db.path(), Database::Access::ReadOnly);
    Transaction otherReading(other, Transaction::Kind::Read);
    if (latestInput(other) != latestInput(db)) {
        read(db, firstPage, lastPage, 0);
        return;
    }
    const int64_t middle = firstPage + (lastPage - firstPage) / 2;
    std::future<void> secondHalf = std::async(std::launch::async, [&] { read(other, middle + 1, lastPage, 1); });
    read(db, firstPage, middle, 0);
    secondHalf.get();
}

} // namespace linkindex
