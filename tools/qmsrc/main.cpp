// qmsrc SCRIPT -o SOURCE [--depfile FILE]: compiles a resource script into a C++ source that
// carries its resources (see compiler.h). Errors go to stderr as "file:line: message".
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "tools/qmsrc/compiler.h"

namespace {

int usage()
{
    std::cerr << "usage: qmsrc SCRIPT -o SOURCE [--depfile FILE]\n";
    return 2;
}

// Writes through a temporary file so that a failed run leaves no half-written output.
bool writeFile(const std::string &path, const std::string &text)
{
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out || !(out << text) || !out.flush())
            return false;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    std::string script, output, depfile;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-o" && i + 1 < argc)
            output = argv[++i];
        else if (arg == "--depfile" && i + 1 < argc)
            depfile = argv[++i];
        else if (!arg.empty() && arg[0] != '-' && script.empty())
            script = arg;
        else
            return usage();
    }
    if (script.empty() || output.empty())
        return usage();
    try {
        const qms::rc::Compilation compilation = qms::rc::compileFile(script);
        if (!writeFile(output, qms::rc::generateSource(compilation, script))) {
            std::cerr << output << ": cannot be written\n";
            return 1;
        }
        if (!depfile.empty()) {
            std::string deps = output + ": " + script;
            for (const std::string &d : compilation.dependencies)
                deps += " \\\n  " + d;
            if (!writeFile(depfile, deps + "\n")) {
                std::cerr << depfile << ": cannot be written\n";
                return 1;
            }
        }
    } catch (const qms::rc::CompileError &e) {
        std::cerr << e.what() << "\n";
        return 1;
    }
    return 0;
}
