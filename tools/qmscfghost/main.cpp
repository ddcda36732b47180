// qmscfghost: a desktop configuration host. Loads configuration plug-ins, calls each one's
// DriverConfig with its own directory and the device name, and runs the message loop until
// every window is closed. CLI11 is slow to compile, so only this file includes it.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "qms_ui.h"
#include "tools/qmscfghost/plugins.h"
#include "tools/qmscfghost/windows.h"

using namespace qms::cfghost;

namespace {

// The host's directory as plug-ins expect it: the prefix of the paths they build, so with its
// separator at the end.
std::string ProgramDirectory(const char *argv0)
{
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        self = std::filesystem::absolute(argv0, error);
    std::string folder = self.parent_path().string();
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace

int main(int argc, char **argv)
{
    CLI::App app{"Loads desktop configuration plug-ins and shows their windows; ends when every "
                 "window is closed. Without plug-ins named, loads those beside the stack's "
                 "libraries."};
    std::vector<std::string> paths;
    std::string folder;
    std::string device = "USB_6093";
    std::string hostDirectory = ProgramDirectory(argv[0]);
    std::string screenshot;
    app.add_option("plugins", paths, "Plug-in libraries to load");
    app.add_option("--plugin-dir", folder, "Load every configuration plug-in (lib*cfg.so) of this folder");
    app.add_option("--device", device, "Device name handed to the plug-ins")->capture_default_str();
    app.add_option("--host-dir", hostDirectory, "Host directory handed to the plug-ins (default: this program's)");
    app.add_option("--screenshot", screenshot, "Save a picture of the first window as PNG, then close the windows");
    CLI11_PARSE(app, argc, argv);

    if (paths.empty())
        paths = PluginsInFolder(folder.empty() ? LibraryFolder() : folder);
    if (paths.empty()) {
        std::fprintf(stderr, "qmscfghost: no configuration plug-in found\n");
        return 2;
    }

    std::vector<Plugin> plugins;
    for (const std::string &path : paths) {
        Plugin plugin;
        std::string why;
        if (!LoadPlugin(path, plugin, why)) {
            std::fprintf(stderr, "qmscfghost: %s: %s\n", path.c_str(), why.c_str());
            continue;
        }
        plugins.push_back(plugin);
    }
    if (plugins.empty())
        return 2;

    for (const Plugin &plugin : plugins)
        plugin.driverConfig(0, hostDirectory.c_str(), device.c_str(), "");

    int status = 0;
    if (!AnyWindowOpen()) {
        const char *failure = qms_ui_failure();
        std::fprintf(stderr, "qmscfghost: no window was opened%s%s\n", failure ? ": " : "", failure ? failure : "");
        status = 1;
    } else if (!screenshot.empty()) {
        if (!SaveScreenshot(screenshot)) {
            std::fprintf(stderr, "qmscfghost: cannot save %s\n", screenshot.c_str());
            status = 1;
        }
        CloseAll();
    } else {
        RunUntilAllClosed();
    }
    for (Plugin &plugin : plugins)
        UnloadPlugin(plugin);
    return status;
}
