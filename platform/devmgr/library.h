// Driver libraries by the names the registry gives them ("Qms6093S.dll"): the same mapping
// serves the device manager (a device key's `Dll`) and the USB host stack (client
// registrations).
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace qms::devmgr {

// "Qms6093S.dll" -> "libqms6093s.so": the base name (any folder part dropped) in lower case
// without ".dll", with "lib" before and ".so" after. Empty for a name that cannot be a
// library (empty, or characters other than letters, digits, '_', '-', '.').
std::string libraryFileName(std::u16string_view dllName);

// The folder holding libqmsplatform.so itself, with a trailing '/'; empty if unknown.
const std::string &platformFolder();

// A loaded library; unloaded when the last reference goes.
class DriverLibrary {
public:
    // Looks in the platform's folder first, then on the dlopen search path. On failure
    // returns null, sets last error (ERROR_INVALID_NAME, ERROR_MOD_NOT_FOUND) and, when
    // `why` is given, stores the loader's message there.
    static std::shared_ptr<DriverLibrary> load(std::u16string_view dllName,
                                               std::string *why = nullptr);
    // Loads by a Linux file name ("libqmssim.so") with the same search order.
    static std::shared_ptr<DriverLibrary> loadFile(const std::string &fileName,
                                                   std::string *why = nullptr);

    explicit DriverLibrary(void *handle) : handle_(handle) {}
    ~DriverLibrary();
    DriverLibrary(const DriverLibrary &) = delete;
    DriverLibrary &operator=(const DriverLibrary &) = delete;

    void *symbol(const char *name) const;

    template <class Fn>
    Fn entry(const char *name) const
    {
        return reinterpret_cast<Fn>(symbol(name));
    }

private:
    void *handle_;
};

} // namespace qms::devmgr
