#include "tools/qmscfghost/plugins.h"

#include <algorithm>
#include <dlfcn.h>
#include <filesystem>

#include "qms_ui.h"

namespace qms::cfghost {

std::string LibraryFolder()
{
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void *>(&qms_ui_start), &info) || !info.dli_fname)
        return {};
    return std::filesystem::path(info.dli_fname).parent_path().string();
}

std::vector<std::string> PluginsInFolder(const std::string &folder)
{
    std::vector<std::string> found;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        const bool named = name.size() > 9 && name.starts_with("lib") && name.ends_with("cfg.so");
        if (named && entry.is_regular_file(error))
            found.push_back(entry.path().string());
    }
    std::sort(found.begin(), found.end());
    return found;
}

bool LoadPlugin(const std::string &path, Plugin &plugin, std::string &why)
{
    void *library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char *error = dlerror();
        why = error ? error : "cannot be loaded";
        return false;
    }
    void *entry = dlsym(library, "DriverConfig");
    if (!entry) {
        why = "exports no DriverConfig";
        dlclose(library);
        return false;
    }
    plugin.path = path;
    plugin.library = library;
    plugin.driverConfig = reinterpret_cast<QMS_DRIVERCONFIG>(entry);
    return true;
}

void UnloadPlugin(Plugin &plugin)
{
    if (plugin.library)
        dlclose(plugin.library);
    plugin.library = nullptr;
    plugin.driverConfig = nullptr;
}

} // namespace qms::cfghost
