// Events: manual- or auto-reset, optionally named. A name is shared by every CreateEventW
// of the platform instance that uses it, and it lives while any handle on its event is open;
// a thread still waiting on the event after the last close keeps the object, not the name.
#include <string>
#include <unordered_map>

#include "platform/kernel/guard.h"
#include "platform/kernel/waitable.h"

namespace qms::kernel {
namespace {

// Longest event name, in characters, as for a path.
constexpr std::size_t maxNameLength = 260;

class Event;

struct EventNames {
    std::mutex mutex;
    std::unordered_map<std::u16string, std::weak_ptr<Event>> byName;
};

// Never destroyed: detached threads may still close handles while the process exits.
EventNames &eventNames()
{
    static EventNames *instance = new EventNames;
    return *instance;
}

class Event final : public Waitable {
public:
    Event(bool manualReset, bool signalled, std::u16string name)
        : Waitable(manualReset, signalled), name_(std::move(name))
    {
    }

    // Handles count for named events, under the names lock.
    void addHandle() { ++handles_; }

    void dropHandle()
    {
        if (--handles_ != 0 || name_.empty())
            return;
        auto &byName = eventNames().byName;
        if (auto entry = byName.find(name_); entry != byName.end() && entry->second.lock().get() == this)
            byName.erase(entry);
    }

    BOOL onHandleClosed() override
    {
        if (!name_.empty()) {
            std::lock_guard lock(eventNames().mutex);
            dropHandle();
        }
        return TRUE;
    }

private:
    const std::u16string name_;
    unsigned handles_ = 0;
};

// Enters one more handle on the event; for a named event the caller holds the names lock.
HANDLE newHandle(const std::shared_ptr<Event> &event, DWORD lastError)
{
    event->addHandle();
    HANDLE handle = insertObject(event);
    if (!handle) {
        event->dropHandle();
        return nullptr;
    }
    SetLastError(lastError);
    return handle;
}

HANDLE createOrOpenNamed(bool manualReset, bool signalled, const std::u16string &name)
{
    EventNames &names = eventNames();
    std::lock_guard lock(names.mutex);
    if (auto found = names.byName.find(name); found != names.byName.end()) {
        if (std::shared_ptr<Event> event = found->second.lock())
            return newHandle(event, ERROR_ALREADY_EXISTS);
    }
    auto event = std::make_shared<Event>(manualReset, signalled, name);
    names.byName[name] = event;
    return newHandle(event, ERROR_SUCCESS);
}

} // namespace
} // namespace qms::kernel

using qms::kernel::guarded;

extern "C" {

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState, LPCWSTR lpName)
{
    return guarded(HANDLE{}, [&]() -> HANDLE {
        std::u16string name;
        if (lpName) {
            std::size_t length = 0;
            while (length <= qms::kernel::maxNameLength && lpName[length] != u'\0')
                ++length;
            if (length > qms::kernel::maxNameLength) {
                SetLastError(ERROR_FILENAME_EXCED_RANGE);
                return nullptr;
            }
            name.assign(lpName, length);
        }
        // An empty name makes an unnamed event.
        const bool manualReset = bManualReset != FALSE;
        const bool signalled = bInitialState != FALSE;
        if (name.empty()) {
            return qms::kernel::newHandle(
                std::make_shared<qms::kernel::Event>(manualReset, signalled, std::u16string()),
                ERROR_SUCCESS);
        }
        return qms::kernel::createOrOpenNamed(manualReset, signalled, name);
    });
}

BOOL EventModify(HANDLE hEvent, DWORD func)
{
    return guarded(FALSE, [&]() -> BOOL {
        if (func != EVENT_SET && func != EVENT_RESET && func != EVENT_PULSE) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        auto event = qms::kernel::lookupOrInvalid<qms::kernel::Event>(hEvent);
        if (!event)
            return FALSE;
        if (func == EVENT_SET)
            event->set();
        else if (func == EVENT_RESET)
            event->reset();
        else
            event->pulse();
        return TRUE;
    });
}

BOOL SetEvent(HANDLE hEvent)
{
    return EventModify(hEvent, EVENT_SET);
}

BOOL ResetEvent(HANDLE hEvent)
{
    return EventModify(hEvent, EVENT_RESET);
}

BOOL PulseEvent(HANDLE hEvent)
{
    return EventModify(hEvent, EVENT_PULSE);
}

} // extern "C"
