// Library notifications: the platform sends no per-thread attach or detach notices, so
// turning them off always succeeds.
#include "qms_platform.h"

extern "C" BOOL DisableThreadLibraryCalls(HMODULE)
{
    return TRUE;
}
