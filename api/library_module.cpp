#include "api/library_module.h"

#include <atomic>

#include "qms6093.h"

namespace qms::api {

namespace {
std::atomic<HANDLE> moduleHandle{nullptr};
}

HANDLE LibraryModuleHandle() { return moduleHandle.load(); }

} // namespace qms::api

extern "C" QMS_EXPORT BOOL DllMain(HANDLE module, DWORD reason, LPVOID /*reserved*/)
{
    if (reason == DLL_PROCESS_ATTACH)
        qms::api::moduleHandle.store(module);
    return TRUE;
}
