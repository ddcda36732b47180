// LocalAlloc and LocalFree: fixed blocks from the C heap. The platform remembers the blocks
// it handed out, so freeing a block twice, or a pointer it never gave, fails with
// ERROR_INVALID_HANDLE instead of corrupting the heap.
#include <cstdlib>
#include <mutex>
#include <unordered_set>

#include "platform/kernel/guard.h"

namespace {

struct LocalBlocks {
    std::mutex mutex;
    std::unordered_set<void *> live;
};

// Never destroyed: detached threads may still free blocks while the process exits.
LocalBlocks &localBlocks()
{
    static LocalBlocks *instance = new LocalBlocks;
    return *instance;
}

} // namespace

using qms::kernel::guarded;

extern "C" {

HLOCAL LocalAlloc(UINT uFlags, size_t uBytes)
{
    return guarded(HLOCAL{}, [&]() -> HLOCAL {
        // Only fixed blocks exist (LMEM_FIXED, LMEM_ZEROINIT, LPTR).
        if (uFlags & ~LMEM_ZEROINIT) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        // A zero-byte request still gives a distinct block that can be freed.
        const size_t size = uBytes ? uBytes : 1;
        void *block = (uFlags & LMEM_ZEROINIT) ? std::calloc(1, size) : std::malloc(size);
        if (!block) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        try {
            LocalBlocks &blocks = localBlocks();
            std::lock_guard lock(blocks.mutex);
            blocks.live.insert(block);
        } catch (...) {
            std::free(block);
            throw;
        }
        return block;
    });
}

HLOCAL LocalFree(HLOCAL hMem)
{
    return guarded(hMem, [&]() -> HLOCAL {
        if (!hMem)
            return nullptr;
        {
            LocalBlocks &blocks = localBlocks();
            std::lock_guard lock(blocks.mutex);
            if (blocks.live.erase(hMem) == 0) {
                SetLastError(ERROR_INVALID_HANDLE);
                return hMem;
            }
        }
        std::free(hMem);
        return nullptr;
    });
}

} // extern "C"
