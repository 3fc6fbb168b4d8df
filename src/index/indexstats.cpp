#include "indexstats.h"

#include <filesystem>

namespace linkindex {

namespace {

int64_t single(Database &db, const char *sql)
{
    Statement query(db, sql);
    query.step();
    const int64_t value = query.integer(0);
    query.reset();
    return value;
}

int64_t fileSize(const std::string &path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0 : int64_t(size);
}

} // namespace

IndexStats indexStats(Database &db)
{
    Transaction read(db, Transaction::Kind::Read);
    IndexStats stats;
    stats.inputs = single(db, "SELECT count(*) FROM inputs");
    Statement totals(db, "SELECT pages, links, linked_hosts FROM totals");
    totals.step();
    stats.pages = totals.integer(0);
    stats.links = totals.integer(1);
    stats.targetHosts = totals.integer(2);
    totals.reset();
    stats.bytes = fileSize(db.path()) + fileSize(db.path() + "-wal");
    return stats;
}

} // namespace linkindex
