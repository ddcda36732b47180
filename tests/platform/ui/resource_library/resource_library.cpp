// A library that carries resources: it tells the tests its own module handle, found the way a
// library finds it, from an address inside itself.
#include "qms_ui.h"

extern "C" __attribute__((visibility("default"))) HMODULE qms_test_library_module(void)
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&qms_test_library_module), &module);
    return module;
}
