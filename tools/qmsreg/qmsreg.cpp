// qmsreg: exports and imports the HKEY_LOCAL_MACHINE registry of the platform as REGEDIT4
// text, e.g. to install device templates or to look at what the driver published.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include <CLI/CLI.hpp>

#include "qms_regfile.h"

namespace {

std::string storePath()
{
    std::string path(256, '\0');
    long n = qms_reg_store_path(path.data(), path.size());
    if (n >= long(path.size())) {
        path.resize(size_t(n) + 1);
        n = qms_reg_store_path(path.data(), path.size());
    }
    path.resize(n > 0 ? size_t(n) : 0);
    return path;
}

int exportKey(const std::string &key, const std::string &output)
{
    std::string text;
    for (;;) {
        long n = qms_reg_export(key.empty() ? nullptr : key.c_str(), text.data(), text.size());
        if (n == -ERROR_FILE_NOT_FOUND) {
            std::cerr << "qmsreg: no such key: " << key << "\n";
            return 1;
        }
        if (n < 0) {
            std::cerr << "qmsreg: cannot read the registry at " << storePath() << " (error " << -n << ")\n";
            return 1;
        }
        if (size_t(n) < text.size()) {
            text.resize(size_t(n));
            break;
        }
        text.resize(size_t(n) + 1); // the text may have grown in between: ask again
    }
    if (output.empty() || output == "-") {
        std::cout << text << std::flush;
        return std::cout ? 0 : 1;
    }
    std::ofstream file(output, std::ios::binary);
    file << text;
    file.close();
    if (!file) {
        std::cerr << "qmsreg: cannot write " << output << "\n";
        return 1;
    }
    return 0;
}

int importFile(const std::string &path)
{
    char error[512];
    int rc;
    if (path == "-") {
        std::string text((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
        rc = qms_reg_import_text(text.data(), text.size(), error, sizeof error);
    } else {
        rc = qms_reg_import_file(path.c_str(), error, sizeof error);
    }
    if (rc != ERROR_SUCCESS) {
        std::cerr << "qmsreg: " << (path == "-" ? "<stdin>" : path) << ": " << error << "\n";
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    CLI::App app{"Exports and imports the HKEY_LOCAL_MACHINE registry of the USB-6093 platform as "
                 "REGEDIT4 text.\nThe registry is the database named by QMS_REGISTRY (default "
                 "$XDG_STATE_HOME/qms6093/registry.db; :memory: keeps nothing)."};
    app.require_subcommand(1);
    std::string registry;
    app.add_option("--registry", registry, "registry database to use instead of QMS_REGISTRY");

    std::string key, output;
    auto *exportCommand = app.add_subcommand(
        "export", "Print the REGEDIT4 text of KEY with its subtree (all of HKEY_LOCAL_MACHINE without KEY)");
    exportCommand->add_option("KEY", key, "key path, e.g. HKEY_LOCAL_MACHINE\\Drivers\\USB");
    exportCommand->add_option("-o,--output", output, "write the text to this file instead of standard output");

    std::string file;
    auto *importCommand = app.add_subcommand(
        "import", "Import a REGEDIT4 file: all of it, or nothing when it has an error");
    importCommand->add_option("FILE", file, "registry file to import, - for standard input")->required();

    CLI11_PARSE(app, argc, argv);
    if (!registry.empty())
        setenv("QMS_REGISTRY", registry.c_str(), 1);

    int rc = *exportCommand ? exportKey(key, output) : importFile(file);
    qms_reg_close();
    return rc;
}
