// Loading the toolkit backend: once, on first use, never unloaded (the toolkit keeps threads
// and global state that must outlive every window).
#include "platform/ui/backend.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>

#include "platform/devmgr/library.h"
#include "platform/kernel/guard.h"

namespace qms::ui {
namespace {

constexpr const char *defaultBackendFile = "libqmsui-qt.so";

struct BackendState {
    std::mutex lock;
    bool failed = false;
    DWORD error = ERROR_SUCCESS;
    std::string failure;
    std::shared_ptr<devmgr::DriverLibrary> library;
};

BackendState &state()
{
    static auto *instance = new BackendState;
    return *instance;
}

std::atomic<const BackendOps *> running{nullptr};
// Readable without the lock once set; never changes afterwards.
std::atomic<const char *> failureText{nullptr};

const BackendOps *fail(BackendState &s, DWORD error, std::string reason)
{
    s.failed = true;
    s.error = error;
    s.failure = std::move(reason);
    failureText.store(s.failure.c_str(), std::memory_order_release);
    std::fprintf(stderr, "qms: windows cannot be shown: %s\n", s.failure.c_str());
    SetLastError(error);
    return nullptr;
}

} // namespace

const BackendOps *backend()
{
    if (const BackendOps *ops = running.load(std::memory_order_acquire))
        return ops;
    BackendState &s = state();
    std::lock_guard lock(s.lock);
    if (const BackendOps *ops = running.load(std::memory_order_acquire))
        return ops;
    if (s.failed) {
        SetLastError(s.error);
        return nullptr;
    }
    const char *named = std::getenv("QMS_UI_BACKEND");
    const std::string file = named && *named ? named : defaultBackendFile;
    std::string why;
    std::shared_ptr<devmgr::DriverLibrary> library = devmgr::DriverLibrary::loadFile(file, &why);
    if (!library)
        return fail(s, ERROR_MOD_NOT_FOUND, why.empty() ? file + " cannot be loaded" : why);
    const auto entry = library->entry<BackendEntry>("qms_ui_backend");
    const BackendOps *ops = entry ? entry() : nullptr;
    if (!ops)
        return fail(s, ERROR_DLL_INIT_FAILED, file + " is not a window-system backend");
    if (ops->version != backendVersion)
        return fail(s, ERROR_DLL_INIT_FAILED,
                    file + " is backend version " + std::to_string(ops->version) +
                        ", the platform needs " + std::to_string(backendVersion));
    if (!ops->start(&why))
        return fail(s, ERROR_DLL_INIT_FAILED, why);
    s.library = std::move(library);
    running.store(ops, std::memory_order_release);
    return ops;
}

const BackendOps *uiBackend()
{
    const BackendOps *ops = backend();
    if (ops && !ops->onUiThread()) {
        SetLastError(ERROR_WINDOW_OF_OTHER_THREAD);
        return nullptr;
    }
    return ops;
}

const BackendOps *runningBackend()
{
    return running.load(std::memory_order_acquire);
}

bool onUiThread()
{
    const BackendOps *ops = runningBackend();
    return ops && ops->onUiThread();
}

} // namespace qms::ui

extern "C" int qms_ui_start(void)
{
    return qms::kernel::guarded(-1, [] { return qms::ui::backend() ? 0 : -1; });
}

extern "C" const char *qms_ui_failure(void)
{
    return qms::ui::failureText.load(std::memory_order_acquire);
}
