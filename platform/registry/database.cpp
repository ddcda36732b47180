#include "platform/registry/database.h"

#include <chrono>
#include <thread>

namespace qms::registry {

namespace {

// Marks the file as a registry store, so that another program's database is never taken for one.
constexpr int64_t kApplicationId = 0x51524547; // "QREG"
constexpr int64_t kSchemaVersion = 1;

// Keys form a tree under HKEY_LOCAL_MACHINE (id 1). Ids are never reused, so a handle that
// names a deleted key can never come to name a new one; enumeration follows the ids, which is
// the order of creation. Names are kept as given; the folded form is what lookups compare.
constexpr const char *kSchema[] = {
    "CREATE TABLE IF NOT EXISTS keys("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " parent INTEGER REFERENCES keys(id),"
    " name TEXT NOT NULL,"
    " fold TEXT NOT NULL)",
    "CREATE UNIQUE INDEX IF NOT EXISTS keys_by_name ON keys(parent, fold)",
    "CREATE TABLE IF NOT EXISTS vals("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " key_id INTEGER NOT NULL REFERENCES keys(id),"
    " name TEXT NOT NULL,"
    " fold TEXT NOT NULL,"
    " type INTEGER NOT NULL,"
    " data BLOB NOT NULL)",
    "CREATE UNIQUE INDEX IF NOT EXISTS vals_by_name ON vals(key_id, fold)",
    "INSERT OR IGNORE INTO keys(id, parent, name, fold) VALUES(1, NULL, 'HKEY_LOCAL_MACHINE', '')",
};

LONG mapFailure(int rc, LONG failure)
{
    switch (rc & 0xFF) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return ERROR_BADDB;
    case SQLITE_NOMEM:
        return ERROR_OUTOFMEMORY;
    case SQLITE_CANTOPEN:
        return ERROR_CANTOPEN;
    default:
        return failure;
    }
}

bool busy(int rc)
{
    return (rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED;
}

// Repeats an attempt that another process keeps busy, up to the bounded limit; the busy
// handler already sleeps inside each attempt, so this loop never spins.
template <class Attempt>
int retryWhileBusy(Attempt attempt)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(Database::kBusyLimitMs);
    for (;;) {
        int rc = attempt();
        if (!busy(rc) || std::chrono::steady_clock::now() >= deadline)
            return rc;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace

Statement::~Statement()
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

Statement &Statement::bind(int index, int64_t value)
{
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
}

Statement &Statement::bindText(int index, std::string_view text)
{
    sqlite3_bind_text(stmt_, index, text.data(), int(text.size()), SQLITE_STATIC);
    return *this;
}

Statement &Statement::bindBlob(int index, const void *data, size_t size)
{
    static const char empty = 0;
    sqlite3_bind_blob(stmt_, index, size ? data : &empty, int(size), SQLITE_STATIC);
    return *this;
}

bool Statement::step()
{
    int rc = retryWhileBusy([this] {
        int r = sqlite3_step(stmt_);
        if (busy(r))
            sqlite3_reset(stmt_);
        return r;
    });
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throw StoreError{mapFailure(rc, failure_)};
}

std::string_view Statement::text(int column) const
{
    auto p = reinterpret_cast<const char *>(sqlite3_column_text(stmt_, column));
    return p ? std::string_view(p, size_t(sqlite3_column_bytes(stmt_, column))) : std::string_view();
}

std::string_view Statement::blob(int column) const
{
    auto p = static_cast<const char *>(sqlite3_column_blob(stmt_, column));
    return p ? std::string_view(p, size_t(sqlite3_column_bytes(stmt_, column))) : std::string_view();
}

Database::Database(const std::string &path) : inMemory_(path == ":memory:")
{
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw StoreError{ERROR_CANTOPEN};
    }
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    try {
        // Another program's database is refused before anything in it changes: not even its
        // journal mode.
        const bool ours = checkIdentity();
        if (sqlite3_db_readonly(db_, "main") == 1) {
            // A registry file the user may only read can still be read (and exported); an
            // empty one has nothing to read and no way to get a schema.
            if (!ours)
                throw StoreError{ERROR_CANTOPEN};
        } else {
            if (!inMemory_) {
                // WAL lets readers of other processes go on while one writes; FULL makes
                // every acknowledged commit durable, not only safe from a killed process.
                execute("PRAGMA journal_mode=WAL", ERROR_CANTOPEN);
                execute("PRAGMA synchronous=FULL", ERROR_CANTOPEN);
            }
            createSchema();
        }
    } catch (...) {
        for (auto &entry : statements_)
            sqlite3_finalize(entry.second);
        sqlite3_close_v2(db_);
        throw;
    }
}

Database::~Database()
{
    for (auto &entry : statements_)
        sqlite3_finalize(entry.second);
    sqlite3_close_v2(db_);
}

void Database::execute(const char *sql, LONG failure)
{
    int rc = retryWhileBusy([&] { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr); });
    if (rc != SQLITE_OK)
        throw StoreError{mapFailure(rc, failure)};
}

bool Database::checkIdentity()
{
    // One statement reads all three from one snapshot: another process creating the schema
    // at this moment must not make a fresh registry look foreign (tables but no identity yet).
    int64_t appId = 0, version = 0, tables = 0;
    {
        auto s = statement("SELECT (SELECT application_id FROM pragma_application_id),"
                           " (SELECT user_version FROM pragma_user_version),"
                           " (SELECT count(*) FROM sqlite_schema WHERE type = 'table')");
        if (s.step()) {
            appId = s.integer(0);
            version = s.integer(1);
            tables = s.integer(2);
        }
    }
    const bool foreign = appId != 0 ? appId != kApplicationId : tables != 0;
    if (foreign || version > kSchemaVersion)
        throw StoreError{ERROR_BADDB};
    return appId == kApplicationId;
}

void Database::createSchema()
{
    transaction(true, [&] {
        // Again inside the write lock: another process may have created the file meanwhile.
        checkIdentity();
        for (const char *sql : kSchema)
            execute(sql, ERROR_CANTWRITE);
        execute("PRAGMA application_id=1364346183", ERROR_CANTWRITE);
        execute("PRAGMA user_version=1", ERROR_CANTWRITE);
    });
    static_assert(kApplicationId == 1364346183 && kSchemaVersion == 1);
}

Statement Database::statement(const char *sql)
{
    auto &stmt = statements_[sql];
    if (!stmt) {
        // Preparing reads the schema, which another process may hold locked for a moment
        // (creating the file, switching it to WAL): bounded like every other wait.
        int rc = retryWhileBusy([&] { return sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr); });
        if (rc != SQLITE_OK) {
            statements_.erase(sql);
            throw StoreError{mapFailure(rc, writing_ ? ERROR_CANTWRITE : ERROR_CANTREAD)};
        }
    }
    return Statement(stmt, writing_ ? ERROR_CANTWRITE : ERROR_CANTREAD);
}

void Database::begin(bool write)
{
    LONG failure = write ? ERROR_CANTWRITE : ERROR_CANTREAD;
    execute(write ? "BEGIN IMMEDIATE" : "BEGIN", failure);
    writing_ = write;
}

void Database::commit()
{
    LONG failure = writing_ ? ERROR_CANTWRITE : ERROR_CANTREAD;
    int rc = retryWhileBusy([&] { return sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr); });
    if (rc != SQLITE_OK) {
        rollback();
        throw StoreError{mapFailure(rc, failure)};
    }
    writing_ = false;
}

void Database::rollback()
{
    if (!sqlite3_get_autocommit(db_))
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    writing_ = false;
}

int64_t Database::dataVersion()
{
    auto s = statement("PRAGMA data_version");
    return s.step() ? s.integer(0) : 0;
}

} // namespace qms::registry
