#include "platform/registry/key_table.h"

#include <pthread.h>

#include <mutex>
#include <unordered_map>

namespace qms::registry {

namespace {

// Tokens stay below the predefined roots (0x80000000 and up) and are never 0.
constexpr uint32_t kLastToken = 0x7FFFFFFFu;
constexpr size_t kMaxOpenKeys = 1u << 20;

struct KeyTable {
    std::mutex mutex;
    std::unordered_map<uint32_t, KeyId> keys;
    uint32_t next = 1;
};

KeyTable &table();

// A child of fork() must not inherit the table locked by a thread it does not have.
void beforeFork() { table().mutex.lock(); }
void afterFork() { table().mutex.unlock(); }

KeyTable &table()
{
    // Never destroyed: it outlives every static destructor that might close a key.
    static KeyTable *t = [] {
        auto *created = new KeyTable;
        pthread_atfork(beforeFork, afterFork, afterFork);
        return created;
    }();
    return *t;
}

uint32_t tokenOf(HKEY handle)
{
    auto value = reinterpret_cast<uintptr_t>(handle);
    return value > kLastToken ? 0 : uint32_t(value);
}

} // namespace

HKEY insertKey(KeyId key)
{
    auto &t = table();
    std::lock_guard lock(t.mutex);
    if (t.keys.size() >= kMaxOpenKeys)
        return nullptr;
    // Tokens are handed out in turn, so a closed handle is not reissued soon after.
    while (t.keys.count(t.next))
        t.next = t.next == kLastToken ? 1 : t.next + 1;
    uint32_t token = t.next;
    t.next = t.next == kLastToken ? 1 : t.next + 1;
    t.keys.emplace(token, key);
    return reinterpret_cast<HKEY>(uintptr_t(token));
}

bool lookupKey(HKEY handle, KeyId &key)
{
    if (handle == HKEY_LOCAL_MACHINE) {
        key = kRootKey;
        return true;
    }
    uint32_t token = tokenOf(handle);
    if (!token)
        return false;
    auto &t = table();
    std::lock_guard lock(t.mutex);
    auto it = t.keys.find(token);
    if (it == t.keys.end())
        return false;
    key = it->second;
    return true;
}

bool removeKey(HKEY handle)
{
    uint32_t token = tokenOf(handle);
    if (!token)
        return false;
    auto &t = table();
    std::lock_guard lock(t.mutex);
    return t.keys.erase(token) != 0;
}

void forgetOpenKeys()
{
    auto &t = table();
    std::lock_guard lock(t.mutex);
    t.keys.clear();
}

} // namespace qms::registry
