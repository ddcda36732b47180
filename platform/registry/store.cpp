#include "platform/registry/store.h"

#include <pthread.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <unordered_map>

#include "platform/registry/database.h"
#include "platform/registry/key_table.h"

namespace qms::registry {

namespace {

// Beyond this many cached values the cache starts over rather than grow without end.
constexpr size_t kMaxCachedValues = 16384;

using ValueCache = std::unordered_map<std::u16string, std::optional<Value>>;

struct StoreState {
    std::mutex mutex;
    std::unique_ptr<Database> db;
    int64_t dataVersion = 0;
    // Keys known to exist, with the values looked up in them (nullopt: known missing).
    std::unordered_map<KeyId, ValueCache> cache;
    // Subkeys found by folded name below their parent.
    std::unordered_map<KeyId, std::unordered_map<std::u16string, KeyId>> children;
    size_t cachedValues = 0;
    // Connections inherited over fork(): a child must neither use nor close them.
    std::vector<Database *> abandoned;

    void dropCache()
    {
        cache.clear();
        children.clear();
        cachedValues = 0;
    }
};

StoreState &state();

void beforeFork() { state().mutex.lock(); }
void afterForkInParent() { state().mutex.unlock(); }
void afterForkInChild()
{
    auto &s = state();
    // A file connection shares locks with the parent: the child opens its own. A memory
    // store is the child's private copy and stays usable.
    if (s.db && !s.db->inMemory()) {
        s.abandoned.push_back(s.db.release());
        s.dropCache();
    }
    s.mutex.unlock();
}

StoreState &state()
{
    // Never destroyed: registry calls from other static destructors stay safe.
    static StoreState *s = [] {
        auto *created = new StoreState;
        pthread_atfork(beforeFork, afterForkInParent, afterForkInChild);
        return created;
    }();
    return *s;
}

std::string homeDirectory()
{
    if (const char *home = std::getenv("HOME"); home && *home)
        return home;
    struct passwd pw, *found = nullptr;
    char buf[4096];
    if (getpwuid_r(getuid(), &pw, buf, sizeof buf, &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return "/tmp";
}

std::string utf8(std::u16string_view text)
{
    std::string out;
    if (!toUtf8(text, out))
        throw StoreError{ERROR_INVALID_PARAMETER};
    return out;
}

std::string foldedUtf8(std::u16string_view name) { return utf8(foldName(name)); }

// Creates the folders of the store's path that are missing, each readable by its owner only
// (the state folder holds the user's registry); folders that exist are left as they are.
// A folder that cannot be made shows when the database fails to open.
void makePrivateFolders(const std::filesystem::path &folder)
{
    if (folder.empty())
        return;
    std::filesystem::path partial;
    for (const auto &part : folder) {
        partial /= part;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST)
            return;
    }
}

Database &openDatabase(StoreState &s)
{
    if (!s.db) {
        std::string path = storePath();
        if (path != ":memory:")
            makePrivateFolders(std::filesystem::path(path).parent_path());
        s.db = std::make_unique<Database>(path);
        s.dropCache();
        s.dataVersion = s.db->inMemory() ? 0 : s.db->dataVersion();
    }
    return *s.db;
}

// Runs one store operation under the lock, with the cache checked against commits of other
// processes first.
template <class Operation>
LONG run(Operation operation)
{
    auto &s = state();
    std::lock_guard lock(s.mutex);
    try {
        Database &db = openDatabase(s);
        if (!db.inMemory()) {
            int64_t version = db.dataVersion();
            if (version != s.dataVersion) {
                s.dropCache();
                s.dataVersion = version;
            }
        }
        return operation(s, db);
    } catch (const StoreError &e) {
        return e.code;
    } catch (const std::bad_alloc &) {
        return ERROR_OUTOFMEMORY;
    }
}

template <class Body>
void write(StoreState &s, Database &db, Body body)
{
    try {
        db.transaction(true, body);
    } catch (...) {
        s.dropCache();
        throw;
    }
    s.dropCache();
}

bool keyExists(Database &db, KeyId key)
{
    auto q = db.statement("SELECT 1 FROM keys WHERE id = ?1");
    q.bind(1, key);
    return q.step();
}

// Called under the store's lock: the subkey lookups of a path walk come from the cache while
// no other process has committed.
std::optional<KeyId> findChild(Database &db, KeyId parent, std::u16string_view name)
{
    auto &s = state();
    std::u16string fold = foldName(name);
    auto &known = s.children[parent];
    if (auto it = known.find(fold); it != known.end())
        return it->second;
    std::string foldText = utf8(fold);
    auto q = db.statement("SELECT id FROM keys WHERE parent = ?1 AND fold = ?2");
    q.bind(1, parent).bindText(2, foldText);
    if (!q.step())
        return std::nullopt;
    KeyId id = q.integer(0);
    if (s.cachedValues < kMaxCachedValues) {
        known.emplace(std::move(fold), id);
        ++s.cachedValues;
    }
    return id;
}

// The key at path below base, none when a component is missing; raises ERROR_KEY_DELETED
// when base is gone.
std::optional<KeyId> find(Database &db, KeyId base, const KeyPath &path)
{
    KeyId id = base;
    for (const auto &name : path) {
        auto child = findChild(db, id, name);
        if (!child) {
            // With its children gone, the base key itself may be gone.
            if (id == base && !keyExists(db, base))
                throw StoreError{ERROR_KEY_DELETED};
            return std::nullopt;
        }
        id = *child;
    }
    if (path.empty() && !keyExists(db, base))
        throw StoreError{ERROR_KEY_DELETED};
    return id;
}

// As find, with a missing key raising ERROR_FILE_NOT_FOUND.
KeyId resolve(Database &db, KeyId base, const KeyPath &path)
{
    auto id = find(db, base, path);
    if (!id)
        throw StoreError{ERROR_FILE_NOT_FOUND};
    return *id;
}

// Inside a write transaction: the key at path, created with its missing parents.
KeyId createPath(Database &db, KeyId base, const KeyPath &path, bool &created)
{
    created = false;
    if (!keyExists(db, base))
        throw StoreError{ERROR_KEY_DELETED};
    KeyId id = base;
    for (const auto &name : path) {
        if (auto child = findChild(db, id, name)) {
            id = *child;
            continue;
        }
        auto q = db.statement("INSERT INTO keys(parent, name, fold) VALUES(?1, ?2, ?3)");
        std::string text = utf8(name), fold = foldedUtf8(name);
        q.bind(1, id).bindText(2, text).bindText(3, fold);
        q.step();
        id = db.lastInsertId();
        created = true;
    }
    return id;
}

void storeValue(Database &db, KeyId key, std::u16string_view name, const Value &value)
{
    // An existing value keeps its place in the enumeration and the case of its name.
    auto q = db.statement(
        "INSERT INTO vals(key_id, name, fold, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
        "ON CONFLICT(key_id, fold) DO UPDATE SET type = excluded.type, data = excluded.data");
    std::string text = utf8(name), fold = foldedUtf8(name);
    q.bind(1, key).bindText(2, text).bindText(3, fold).bind(4, value.type);
    q.bindBlob(5, value.data.data(), value.data.size());
    q.step();
}

bool removeValue(Database &db, KeyId key, std::u16string_view name)
{
    auto q = db.statement("DELETE FROM vals WHERE key_id = ?1 AND fold = ?2");
    std::string fold = foldedUtf8(name);
    q.bind(1, key).bindText(2, fold);
    q.step();
    return db.changes() != 0;
}

// The key ?1 and every key below it.
#define QMS_SUBTREE                                                                             \
    "WITH RECURSIVE sub(id) AS (SELECT ?1 UNION ALL "                                           \
    "SELECT keys.id FROM keys JOIN sub ON keys.parent = sub.id) "

void removeSubtree(Database &db, KeyId key)
{
    for (const char *sql : {QMS_SUBTREE "DELETE FROM vals WHERE key_id IN sub",
                            QMS_SUBTREE "DELETE FROM keys WHERE id IN sub"}) {
        auto q = db.statement(sql);
        q.bind(1, key);
        q.step();
    }
}

std::u16string utf16(std::string_view text)
{
    std::u16string out;
    if (!toUtf16(text, out))
        throw StoreError{ERROR_BADDB};
    return out;
}

Value valueOf(const Statement &q, int typeColumn)
{
    Value v;
    v.type = DWORD(q.integer(typeColumn));
    v.data.assign(q.blob(typeColumn + 1));
    return v;
}

std::vector<NamedValue> valuesOf(Database &db, KeyId key)
{
    std::vector<NamedValue> values;
    auto q = db.statement("SELECT name, type, data FROM vals WHERE key_id = ?1 ORDER BY id");
    q.bind(1, key);
    while (q.step())
        values.push_back({utf16(q.text(0)), valueOf(q, 1)});
    return values;
}

std::vector<std::pair<KeyId, std::u16string>> childrenOf(Database &db, KeyId key)
{
    std::vector<std::pair<KeyId, std::u16string>> children;
    auto q = db.statement("SELECT id, name FROM keys WHERE parent = ?1 ORDER BY id");
    q.bind(1, key);
    while (q.step())
        children.emplace_back(q.integer(0), utf16(q.text(1)));
    return children;
}

// The path of a key below HKEY_LOCAL_MACHINE with the names as stored.
KeyPath storedPath(Database &db, KeyId key)
{
    KeyPath path;
    while (key != kRootKey) {
        auto q = db.statement("SELECT parent, name FROM keys WHERE id = ?1");
        q.bind(1, key);
        if (!q.step())
            throw StoreError{ERROR_KEY_DELETED};
        key = q.integer(0);
        path.insert(path.begin(), utf16(q.text(1)));
    }
    return path;
}

void collectTree(Database &db, KeyId key, KeyPath &path, std::vector<KeyRecord> &out)
{
    out.push_back({path, valuesOf(db, key)});
    for (auto &[child, name] : childrenOf(db, key)) {
        path.push_back(std::move(name));
        collectTree(db, child, path, out);
        path.pop_back();
    }
}

} // namespace

std::string storePath()
{
    if (const char *path = std::getenv("QMS_REGISTRY"); path && *path)
        return path;
    std::string base;
    if (const char *state = std::getenv("XDG_STATE_HOME"); state && *state == '/')
        base = state;
    else
        base = homeDirectory() + "/.local/state";
    return base + "/qms6093/registry.db";
}

void closeStore()
{
    {
        auto &s = state();
        std::lock_guard lock(s.mutex);
        s.db.reset();
        s.dropCache();
        s.dataVersion = 0;
    }
    forgetOpenKeys();
}

LONG openKey(KeyId base, const KeyPath &path, KeyId &out)
{
    return run([&](StoreState &, Database &db) {
        out = resolve(db, base, path);
        return ERROR_SUCCESS;
    });
}

LONG createKey(KeyId base, const KeyPath &path, KeyId &out, bool &created)
{
    return run([&](StoreState &s, Database &db) {
        created = false;
        if (auto existing = find(db, base, path)) {
            out = *existing;
            return ERROR_SUCCESS;
        }
        write(s, db, [&] { out = createPath(db, base, path, created); });
        return ERROR_SUCCESS;
    });
}

LONG queryValue(KeyId key, std::u16string_view name, Value &out)
{
    return run([&](StoreState &s, Database &db) {
        auto keyIt = s.cache.find(key);
        if (keyIt == s.cache.end()) {
            if (!keyExists(db, key))
                return ERROR_KEY_DELETED;
            keyIt = s.cache.emplace(key, ValueCache()).first;
        }
        std::u16string fold = foldName(name);
        auto it = keyIt->second.find(fold);
        if (it == keyIt->second.end()) {
            std::optional<Value> found;
            {
                auto q = db.statement("SELECT type, data FROM vals WHERE key_id = ?1 AND fold = ?2");
                std::string foldText = utf8(fold);
                q.bind(1, key).bindText(2, foldText);
                if (q.step())
                    found = valueOf(q, 0);
            }
            if (s.cachedValues >= kMaxCachedValues) {
                s.dropCache();
                keyIt = s.cache.emplace(key, ValueCache()).first;
            }
            it = keyIt->second.emplace(std::move(fold), std::move(found)).first;
            ++s.cachedValues;
        }
        if (!it->second)
            return ERROR_FILE_NOT_FOUND;
        out = *it->second;
        return ERROR_SUCCESS;
    });
}

LONG setValue(KeyId key, std::u16string_view name, const Value &value)
{
    return run([&](StoreState &s, Database &db) {
        write(s, db, [&] {
            if (!keyExists(db, key))
                throw StoreError{ERROR_KEY_DELETED};
            storeValue(db, key, name, value);
        });
        return ERROR_SUCCESS;
    });
}

LONG enumKey(KeyId key, DWORD index, std::u16string &name)
{
    return run([&](StoreState &, Database &db) {
        auto q = db.statement("SELECT name FROM keys WHERE parent = ?1 ORDER BY id LIMIT 1 OFFSET ?2");
        q.bind(1, key).bind(2, index);
        if (q.step()) {
            name = utf16(q.text(0));
            return ERROR_SUCCESS;
        }
        return keyExists(db, key) ? ERROR_NO_MORE_ITEMS : ERROR_KEY_DELETED;
    });
}

LONG enumValue(KeyId key, DWORD index, NamedValue &out)
{
    return run([&](StoreState &, Database &db) {
        auto q = db.statement(
            "SELECT name, type, data FROM vals WHERE key_id = ?1 ORDER BY id LIMIT 1 OFFSET ?2");
        q.bind(1, key).bind(2, index);
        if (q.step()) {
            out.name = utf16(q.text(0));
            out.value = valueOf(q, 1);
            return ERROR_SUCCESS;
        }
        return keyExists(db, key) ? ERROR_NO_MORE_ITEMS : ERROR_KEY_DELETED;
    });
}

LONG deleteKey(KeyId base, const KeyPath &path)
{
    return run([&](StoreState &s, Database &db) {
        write(s, db, [&] {
            KeyId target = resolve(db, base, path);
            if (target == kRootKey)
                throw StoreError{ERROR_ACCESS_DENIED};
            removeSubtree(db, target);
        });
        return ERROR_SUCCESS;
    });
}

LONG deleteValue(KeyId key, std::u16string_view name)
{
    return run([&](StoreState &s, Database &db) {
        write(s, db, [&] {
            if (!keyExists(db, key))
                throw StoreError{ERROR_KEY_DELETED};
            if (!removeValue(db, key, name))
                throw StoreError{ERROR_FILE_NOT_FOUND};
        });
        return ERROR_SUCCESS;
    });
}

LONG applyEdits(const std::vector<Edit> &edits)
{
    return run([&](StoreState &s, Database &db) {
        write(s, db, [&] {
            bool created;
            for (const auto &edit : edits) {
                switch (edit.kind) {
                case Edit::CreateKey:
                    createPath(db, kRootKey, edit.path, created);
                    break;
                case Edit::DeleteKey:
                    if (auto key = find(db, kRootKey, edit.path)) {
                        if (*key == kRootKey)
                            throw StoreError{ERROR_ACCESS_DENIED};
                        removeSubtree(db, *key);
                    }
                    break;
                case Edit::SetValue:
                    storeValue(db, createPath(db, kRootKey, edit.path, created), edit.name, edit.value);
                    break;
                case Edit::DeleteValue:
                    if (auto key = find(db, kRootKey, edit.path))
                        removeValue(db, *key, edit.name);
                    break;
                }
            }
        });
        return ERROR_SUCCESS;
    });
}

LONG readTree(const KeyPath &path, std::vector<KeyRecord> &out)
{
    return run([&](StoreState &, Database &db) {
        out.clear();
        db.transaction(false, [&] {
            KeyId top = resolve(db, kRootKey, path);
            KeyPath walk = storedPath(db, top);
            collectTree(db, top, walk, out);
        });
        return ERROR_SUCCESS;
    });
}

} // namespace qms::registry
