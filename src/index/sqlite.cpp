#include "sqlite.h"

namespace linkindex {

namespace {

std::string reason(int code, sqlite3 *db)
{
    switch (code & 0xff) {
    case SQLITE_FULL:
        return "the disk is full";
    case SQLITE_READONLY:
        return "it is read-only";
    case SQLITE_CANTOPEN:
        return "it cannot be opened";
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return "it is not a Linkvane index, or it is damaged";
    case SQLITE_IOERR:
        return "a read or write failed (" + std::string(db ? sqlite3_errmsg(db) : sqlite3_errstr(code)) + ")";
    default:
        return db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    }
}

} // namespace

Database::Database(const std::string &path, Access access) : m_path(path)
{
    const int flags = access == Access::ReadOnly ? SQLITE_OPEN_READONLY
                                                 : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    const int code = sqlite3_open_v2(path.c_str(), &m_db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (code != SQLITE_OK) {
        const std::string why = reason(code, m_db);
        sqlite3_close(m_db);
        m_db = nullptr;
        throw IndexError("cannot open the index " + path + ": " + why);
    }
    sqlite3_extended_result_codes(m_db, 1);
    // A writer holds its lock for a whole input; readers never wait for it in WAL mode, and a
    // second writer waits a while instead of failing at once.
    sqlite3_busy_timeout(m_db, 10'000);
}

Database::~Database()
{
    sqlite3_close_v2(m_db);
}

void Database::exec(const char *sql)
{
    check(sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr));
}

void Database::check(int code) const
{
    if (code != SQLITE_OK && code != SQLITE_ROW && code != SQLITE_DONE)
        fail(code);
}

void Database::fail(int code) const
{
    throw IndexError("the index " + m_path + " could not be used: " + reason(code, m_db));
}

Statement::Statement(Database &db, const char *sql) : m_db(db)
{
    db.check(sqlite3_prepare_v3(db.handle(), sql, -1, SQLITE_PREPARE_PERSISTENT, &m_stmt, nullptr));
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

Statement &Statement::bind(int index, int64_t value)
{
    m_db.check(sqlite3_bind_int64(m_stmt, index, value));
    return *this;
}

Statement &Statement::bind(int index, std::string_view text)
{
    m_db.check(sqlite3_bind_text64(m_stmt, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
    return *this;
}

Statement &Statement::bind(int index, std::optional<int64_t> value)
{
    if (value)
        return bind(index, *value);
    m_db.check(sqlite3_bind_null(m_stmt, index));
    return *this;
}

bool Statement::step()
{
    const int code = sqlite3_step(m_stmt);
    if (code == SQLITE_ROW)
        return true;
    sqlite3_reset(m_stmt);
    if (code != SQLITE_DONE)
        m_db.fail(code);
    return false;
}

void Statement::run()
{
    while (step()) { }
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
}

std::optional<int64_t> Statement::optionalInteger(int column) const
{
    if (sqlite3_column_type(m_stmt, column) == SQLITE_NULL)
        return std::nullopt;
    return sqlite3_column_int64(m_stmt, column);
}

std::string_view Statement::text(int column) const
{
    const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
    return {data ? data : "", size_t(sqlite3_column_bytes(m_stmt, column))};
}

Transaction::Transaction(Database &db, Kind kind) : m_db(db)
{
    // A read within another transaction reads as that one does.
    if (kind == Kind::Read && !sqlite3_get_autocommit(m_db.handle())) {
        m_open = false;
        return;
    }
    m_db.exec(kind == Kind::Write ? "BEGIN IMMEDIATE" : "BEGIN");
}

Transaction::~Transaction()
{
    if (m_open)
        sqlite3_exec(m_db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit()
{
    if (m_open)
        m_db.exec("COMMIT");
    m_open = false;
}

} // namespace linkindex
