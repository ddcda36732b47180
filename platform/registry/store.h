// The registry store: HKEY_LOCAL_MACHINE kept in one SQLite database, opened on first use.
//
// Every operation takes the store's lock, so the registry is safe from any thread; every
// write is one committed transaction. Reads are served from a cache that is dropped as soon
// as another process commits (SQLite's data version) or this process writes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/registry/names.h"
#include "qms_platform.h"

namespace qms::registry {

// Closes the store. The next registry call opens it again (from the file named by
// QMS_REGISTRY at that moment); an in-memory store starts empty then. Open key handles
// become invalid (ERROR_INVALID_HANDLE).
QMS_EXPORT void closeStore();

// The database file the store uses or will use: QMS_REGISTRY, else
// $XDG_STATE_HOME/qms6093/registry.db, else ~/.local/state/qms6093/registry.db.
QMS_EXPORT std::string storePath();

using KeyId = int64_t;
constexpr KeyId kRootKey = 1; // HKEY_LOCAL_MACHINE

struct Value {
    DWORD type = REG_NONE;
    std::string data; // the bytes as stored
};

struct NamedValue {
    std::u16string name;
    Value value;
};

// One key of a subtree read for export: its path below HKEY_LOCAL_MACHINE and its values,
// both in enumeration order.
struct KeyRecord {
    KeyPath path;
    std::vector<NamedValue> values;
};

// One change of a .reg import. Values belong to the key named by path.
struct Edit {
    enum Kind { CreateKey, DeleteKey, SetValue, DeleteValue } kind;
    KeyPath path;
    std::u16string name;
    Value value;
};

// Each returns ERROR_SUCCESS or the registry's error value. A base key that no longer exists
// gives ERROR_KEY_DELETED; a missing key or value ERROR_FILE_NOT_FOUND.
LONG openKey(KeyId base, const KeyPath &path, KeyId &out);
LONG createKey(KeyId base, const KeyPath &path, KeyId &out, bool &created);
LONG queryValue(KeyId key, std::u16string_view name, Value &out);
LONG setValue(KeyId key, std::u16string_view name, const Value &value);
LONG enumKey(KeyId key, DWORD index, std::u16string &name);
LONG enumValue(KeyId key, DWORD index, NamedValue &out);
// Deletes the key at path below base (base itself when path is empty) with its subtree.
// HKEY_LOCAL_MACHINE itself cannot be deleted (ERROR_ACCESS_DENIED).
LONG deleteKey(KeyId base, const KeyPath &path);
LONG deleteValue(KeyId key, std::u16string_view name);

// Applies all edits in one transaction: all of them take effect, or none.
LONG applyEdits(const std::vector<Edit> &edits);
// Reads the key at path below HKEY_LOCAL_MACHINE and its whole subtree from one snapshot,
// parents before children.
LONG readTree(const KeyPath &path, std::vector<KeyRecord> &out);

} // namespace qms::registry
