#include "schema.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace linkindex {

namespace {

// "LnkV": tells a Linkvane index from any other SQLite file.
constexpr int64_t kApplicationId = 0x4c6e6b56;
constexpr int64_t kSchemaVersion = 4;

// Hosts are kept reversed with a final dot ("moc.elpmaxe.www." for www.example.com), so that a
// domain and every host under it form one range of the index.
//
// A page is one URL with every capture of it the inputs held: captures says when each was taken
// and what it showed (PageState: 0 a page, 1 noindex, 2 gone, 3 a redirect; an undated capture,
// from a link list without dates, at the smallest integer). The page row keeps the title of its
// latest capture that had one, and the time and state of its latest capture.
//
// links holds every link to another host any capture of the page held: first_seen and last_seen
// are the first and the latest capture that held it, pos its place on the latest, and lost_at
// the first capture after that one, which says why it went (none while it stands). All of these
// are earliest, latest or first-after over the set of captures, so the index does not depend on
// the order the captures come in. flags holds the rel set (1 nofollow, 2 ugc, 4 sponsored) and
// the link type (LinkType times 8). A link's URL is stored without the scheme and host its host
// row holds (linkurl.h). Links are kept by page and then by the host they lead to, so that a
// page's links to one host are read together.
//
// backlinks holds, for every host a page links to, the link a listing shows: the first standing
// one, or when none stands the one lost last, with what a listing needs to order and filter
// pages without reading them.
//
// totals keeps what stats reports, changed in the transaction of each input by what the input
// changed, so that it is read at once and agrees with the rows at every commit: counting the
// rows of an index of millions of links takes seconds.
constexpr const char *kSchema = R"(
CREATE TABLE inputs(
    id INTEGER PRIMARY KEY,
    name TEXT NOT NULL,
    records INTEGER NOT NULL,
    pages INTEGER NOT NULL,
    links INTEGER NOT NULL,
    added TEXT NOT NULL
);
CREATE TABLE hosts(
    id INTEGER PRIMARY KEY,
    reversed TEXT NOT NULL UNIQUE
);
CREATE TABLE pages(
    id INTEGER PRIMARY KEY,
    url TEXT NOT NULL UNIQUE,
    title TEXT NOT NULL,
    titled INTEGER,
    captured INTEGER,
    first_captured INTEGER,
    state INTEGER NOT NULL
);
CREATE TABLE captures(
    page_id INTEGER NOT NULL,
    captured INTEGER NOT NULL,
    state INTEGER NOT NULL,
    PRIMARY KEY(page_id, captured)
) WITHOUT ROWID;
CREATE TABLE links(
    page_id INTEGER NOT NULL,
    ord INTEGER NOT NULL,
    host_id INTEGER NOT NULL,
    url TEXT NOT NULL,
    anchor TEXT NOT NULL,
    flags INTEGER NOT NULL,
    first_seen INTEGER,
    last_seen INTEGER,
    pos INTEGER NOT NULL,
    lost_at INTEGER,
    PRIMARY KEY(page_id, host_id, ord)
) WITHOUT ROWID;
CREATE TABLE backlinks(
    host_id INTEGER NOT NULL,
    page_id INTEGER NOT NULL,
    ord INTEGER NOT NULL,
    source_host_id INTEGER NOT NULL,
    first_captured INTEGER,
    live INTEGER NOT NULL,
    PRIMARY KEY(host_id, page_id)
) WITHOUT ROWID;
CREATE TABLE totals(
    pages INTEGER NOT NULL,
    links INTEGER NOT NULL,
    linked_hosts INTEGER NOT NULL
);
INSERT INTO totals VALUES(0, 0, 0);
)";

int64_t pragma(Database &db, const char *name)
{
    Statement read(db, (std::string("PRAGMA ") + name).c_str());
    const int64_t value = read.step() ? read.integer(0) : 0;
    read.reset();
    return value;
}

void notAnIndex(const Database &db)
{
    throw IndexError("the file " + db.path() + " is not a Linkvane index (it was left as it is)");
}

void writeSchema(Database &db)
{
    Transaction create(db);
    db.exec(kSchema);
    db.exec(("PRAGMA application_id = " + std::to_string(kApplicationId)).c_str());
    db.exec(("PRAGMA user_version = " + std::to_string(kSchemaVersion)).c_str());
    create.commit();
}

// Removes what adds killed while making the index at path left beside it.
void removeLeftovers(const std::filesystem::path &path)
{
    const std::string prefix = path.filename().string() + ".new-";
    std::error_code error;
    std::filesystem::directory_iterator entry(path.parent_path().empty() ? "." : path.parent_path(), error);
    for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (name.rfind(prefix, 0) != 0)
            continue;
        const pid_t maker = std::atoi(name.c_str() + prefix.size());
        std::error_code ignored;
        if (maker > 0 && kill(maker, 0) != 0 && errno == ESRCH)
            std::filesystem::remove(entry->path(), ignored);
    }
}

// A new index is made whole beside its place and then moved there, so that a reader (and a
// writer killed while making it) finds either no index or a complete one, never a file with a
// rollback journal that only a writer could recover. Two adds making the same index at once
// both succeed: the one that comes second opens the other's.
void makeIndex(const std::string &path)
{
    const std::string making = path + ".new-" + std::to_string(getpid());
    const auto removeMaking = [&making] {
        std::error_code ignored;
        for (const char *part : {"", "-journal", "-wal", "-shm"})
            std::filesystem::remove(making + part, ignored);
    };
    removeMaking();
    try {
        Database db(making, Database::Access::ReadWrite);
        db.exec("PRAGMA journal_mode = WAL");
        writeSchema(db);
    } catch (const IndexError &error) {
        removeMaking();
        // Told of the index the user named, not of the file it was being made in.
        std::string message = error.what();
        if (const size_t at = message.find(making); at != std::string::npos)
            message.replace(at, making.size(), path);
        throw IndexError(message);
    }
    const bool moved = renameat2(AT_FDCWD, making.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0;
    const int error = errno;
    if (!moved)
        removeMaking();
    if (!moved && error != EEXIST)
        throw IndexError("cannot make the index " + path + ": " + std::strerror(error));
}

} // namespace

std::unique_ptr<Database> openIndex(const std::string &path, Database::Access access)
{
    if (access == Database::Access::ReadWrite && path != ":memory:") {
        const std::filesystem::path folder = std::filesystem::path(path).parent_path();
        std::error_code error;
        if (!folder.empty())
            std::filesystem::create_directories(folder, error);
        if (error)
            throw IndexError("cannot create the folder " + folder.string() + " for the index: " + error.message());
        removeLeftovers(path);
        if (!std::filesystem::exists(path))
            makeIndex(path);
    }
    if (access == Database::Access::ReadOnly && path != ":memory:" && !std::filesystem::exists(path))
        throw IndexError("there is no index at " + path + " yet: make one with linkvane-index add");
    auto db = std::make_unique<Database>(path, access);

    const int64_t id = pragma(*db, "application_id");
    if (id == 0 && pragma(*db, "schema_version") == 0) {
        if (access == Database::Access::ReadOnly)
            throw IndexError("the index " + path + " is empty: add web archives to it with linkvane-index add");
        writeSchema(*db);
    } else if (id != kApplicationId) {
        notAnIndex(*db);
    } else if (pragma(*db, "user_version") != kSchemaVersion) {
        throw IndexError("the index " + path + " was made by another version of Linkvane");
    }
    if (access == Database::Access::ReadWrite) {
        // WAL lets linkvane-service read while an input is being added; a crash leaves the index
        // as of the last input added, which NORMAL keeps (only a power cut may lose the last one).
        db->exec("PRAGMA journal_mode = WAL");
        db->exec("PRAGMA synchronous = NORMAL");
        db->exec("PRAGMA cache_size = -65536");
    }
    return db;
}

} // namespace linkindex
