// The test client driver as the tests reach it: loaded by path for its control functions.
// Dropping this reference leaves the library to whoever else holds it (the platform).
#pragma once

#include <dlfcn.h>

#include <stdexcept>
#include <string>

#include "tests/platform/usbd/testclient/testclient.h"

namespace qms::testing {

class TestClientLibrary {
public:
    // With `fresh`, the client forgets what happened before (a library that the platform
    // holds already keeps its state otherwise).
    explicit TestClientLibrary(bool fresh = true)
        : handle_(dlopen(QMS_TEST_CLIENT_PATH, RTLD_NOW | RTLD_LOCAL))
    {
        if (!handle_)
            throw std::runtime_error(dlerror());
        if (fresh)
            reset();
    }
    ~TestClientLibrary() { dlclose(handle_); }
    TestClientLibrary(const TestClientLibrary &) = delete;
    TestClientLibrary &operator=(const TestClientLibrary &) = delete;

    // Whether any part of the process still has the library loaded.
    static bool loaded()
    {
        void *probe = dlopen(QMS_TEST_CLIENT_PATH, RTLD_NOW | RTLD_NOLOAD);
        if (probe)
            dlclose(probe);
        return probe != nullptr;
    }

#define QMSTC_FORWARD(name)                                                                    \
    template <class... Args>                                                                   \
    auto name(Args... args) const -> decltype(qmstc_##name(args...))                          \
    {                                                                                          \
        return reinterpret_cast<decltype(&qmstc_##name)>(dlsym(handle_, "qmstc_" #name))(args...); \
    }
    QMSTC_FORWARD(reset)
    QMSTC_FORWARD(offers)
    QMSTC_FORWARD(attached_count)
    QMSTC_FORWARD(device)
    QMSTC_FORWARD(funcs)
    QMSTC_FORWARD(decline_id)
    QMSTC_FORWARD(vendor)
    QMSTC_FORWARD(completions)
    QMSTC_FORWARD(notice_code)
    QMSTC_FORWARD(notice_thread)
    QMSTC_FORWARD(wait_notice)
    QMSTC_FORWARD(block_removal)
    QMSTC_FORWARD(release_removal)
    QMSTC_FORWARD(log)
    QMSTC_FORWARD(wait_blocked_ioctl)
    QMSTC_FORWARD(release_ioctl)
#undef QMSTC_FORWARD

    BOOL install() const
    {
        const auto entry = reinterpret_cast<LPUSB_INSTALL_DRIVER>(dlsym(handle_, USB_INSTALL_DRIVER_NAME));
        return entry(u"QmsTestClient.dll");
    }
    BOOL uninstall() const
    {
        const auto entry = reinterpret_cast<LPUSB_UNINSTALL_DRIVER>(dlsym(handle_, USB_UNINSTALL_DRIVER_NAME));
        return entry();
    }

private:
    void *handle_;
};

} // namespace qms::testing
