// Configuration plug-ins: shared libraries that export DriverConfig.
#pragma once

#include <string>
#include <vector>

#include "qms_cfgplugin.h"

namespace qms::cfghost {

struct Plugin {
    std::string path;
    void *library = nullptr;
    QMS_DRIVERCONFIG driverConfig = nullptr;
};

// The folder of the stack's libraries (where libqmsplatform was loaded from): plug-ins are
// installed there, in the build tree as after install.
std::string LibraryFolder();

// The configuration plug-ins of a folder: its files named lib*cfg.so, sorted by name.
std::vector<std::string> PluginsInFolder(const std::string &folder);

// Loads a plug-in and finds its DriverConfig; false with the reason in `why`.
bool LoadPlugin(const std::string &path, Plugin &plugin, std::string &why);
void UnloadPlugin(Plugin &plugin);

} // namespace qms::cfghost
