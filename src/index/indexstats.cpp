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
    stats.pages = single(db, "SELECT count(*) FROM pages");
    stats.links = single(db, "SELECT count(*) FROM links");
    stats.targetHosts = single(db, "SELECT count(DISTINCT host_id) FROM backlinks");
    stats.bytes = fileSize(db.path()) + fileSize(db.path() + "-wal");
    return stats;
}

} // namespace linkindex
