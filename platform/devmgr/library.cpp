#include "platform/devmgr/library.h"

#include <dlfcn.h>

#include <mutex>

#include "qms_streamdrv.h"

namespace qms::devmgr {

namespace {

// Loading and unloading go one at a time: a driver unloaded on one thread while another thread
// loads it again runs its static destructors before its constructors, never alongside them
// (the loader's own lock is invisible to the thread checker). Recursive: a library's
// constructors or destructors may load or unload another.
std::recursive_mutex &loaderLock()
{
    static auto *lock = new std::recursive_mutex;
    return *lock;
}

} // namespace

std::string libraryFileName(std::u16string_view dllName)
{
    const auto slash = dllName.find_last_of(u"\\/");
    if (slash != std::u16string_view::npos)
        dllName.remove_prefix(slash + 1);
    std::string base;
    for (char16_t c : dllName) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                           (c >= u'0' && c <= u'9') || c == u'_' || c == u'-' || c == u'.';
        if (!plain)
            return {};
        base += static_cast<char>(c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c);
    }
    if (base.size() > 4 && base.ends_with(".dll"))
        base.resize(base.size() - 4);
    if (base.empty() || base == "." || base == "..")
        return {};
    return "lib" + base + ".so";
}

const std::string &platformFolder()
{
    static const std::string folder = [] {
        Dl_info info{};
        if (!dladdr(reinterpret_cast<void *>(&libraryFileName), &info) || !info.dli_fname)
            return std::string();
        std::string path = info.dli_fname;
        const auto slash = path.rfind('/');
        return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    }();
    return folder;
}

std::shared_ptr<DriverLibrary> DriverLibrary::loadFile(const std::string &fileName, std::string *why)
{
    void *handle = nullptr;
    std::string message;
    std::lock_guard guard(loaderLock());
    if (!platformFolder().empty()) {
        handle = dlopen((platformFolder() + fileName).c_str(), RTLD_NOW | RTLD_LOCAL);
        // A library that is there but cannot be loaded says why; a missing one falls
        // through to the search path.
        if (!handle)
            message = dlerror();
    }
    if (!handle) {
        handle = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char *err = dlerror();
            if (message.empty() || message.find("No such file") != std::string::npos)
                message = err ? err : fileName + ": cannot be loaded";
        }
    }
    if (!handle) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        if (why)
            *why = message;
        return nullptr;
    }
    return std::make_shared<DriverLibrary>(handle);
}

std::shared_ptr<DriverLibrary> DriverLibrary::load(std::u16string_view dllName, std::string *why)
{
    const std::string fileName = libraryFileName(dllName);
    if (fileName.empty()) {
        SetLastError(ERROR_INVALID_NAME);
        if (why)
            *why = "not a library name";
        return nullptr;
    }
    return loadFile(fileName, why);
}

DriverLibrary::~DriverLibrary()
{
    std::lock_guard guard(loaderLock());
    dlclose(handle_);
}

void *DriverLibrary::symbol(const char *name) const
{
    return dlsym(handle_, name);
}

} // namespace qms::devmgr
