// The SQLite connection underneath the registry store: prepared statements kept for the life
// of the connection, bounded waits for other processes, and transactions that either commit
// whole or leave nothing behind.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include <sqlite3.h>

#include "qms_platform.h"

namespace qms::registry {

// Raised inside the store and turned into the registry's error value at its boundary.
struct StoreError {
    LONG code;
};

// One use of a prepared statement; the statement is reset and unbound when this ends.
class Statement {
public:
    Statement(sqlite3_stmt *stmt, LONG failure) : stmt_(stmt), failure_(failure) {}
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    ~Statement();

    Statement &bind(int index, int64_t value);
    Statement &bindText(int index, std::string_view text);
    Statement &bindBlob(int index, const void *data, size_t size);

    // true with a row to read, false when done; a failure raises StoreError.
    bool step();

    int64_t integer(int column) const { return sqlite3_column_int64(stmt_, column); }
    std::string_view text(int column) const;
    std::string_view blob(int column) const;

private:
    sqlite3_stmt *stmt_;
    LONG failure_;
};

class Database {
public:
    // Opens (creating when needed) the database and its schema. Raises StoreError with
    // ERROR_CANTOPEN, or ERROR_BADDB when the file is not a registry store; a file that is
    // not ours is left exactly as it was. A registry file this process may only read opens
    // for reading: its writes fail with ERROR_CANTWRITE.
    explicit Database(const std::string &path);
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;
    ~Database();

    bool inMemory() const { return inMemory_; }

    // A statement of this connection, prepared on first use. Failures inside a write
    // transaction raise ERROR_CANTWRITE, elsewhere ERROR_CANTREAD.
    Statement statement(const char *sql);

    // Runs body in one transaction. A write transaction holds the write lock from the start
    // and commits whole; a failure (StoreError from body included) rolls everything back.
    // Waits for other processes are bounded: busy beyond kBusyLimitMs gives ERROR_CANTWRITE
    // (ERROR_CANTREAD for a read).
    template <class Body>
    void transaction(bool write, Body &&body)
    {
        begin(write);
        try {
            body();
        } catch (...) {
            rollback();
            throw;
        }
        commit();
    }

    // Changes whenever another connection has committed since the last call.
    int64_t dataVersion();
    int64_t lastInsertId() const { return sqlite3_last_insert_rowid(db_); }
    int changes() const { return sqlite3_changes(db_); }

    static constexpr int kBusyTimeoutMs = 2000;
    static constexpr int kBusyLimitMs = 10000;

private:
    void begin(bool write);
    void commit();
    void rollback();
    void execute(const char *sql, LONG failure);
    // Whether the file is a registry store of a version this code reads (or still empty),
    // found without changing anything; raises ERROR_BADDB when not.
    bool checkIdentity();
    void createSchema();

    sqlite3 *db_ = nullptr;
    bool inMemory_ = false;
    bool writing_ = false;
    std::map<const char *, sqlite3_stmt *> statements_;
};

} // namespace qms::registry
