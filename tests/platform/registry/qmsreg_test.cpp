// The qmsreg program, run as a user runs it, against a store file of the test's own.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "tests/platform/registry/registry_fixture.h"

namespace qms::registry::test {
namespace {

struct ToolRun {
    int status;
    std::string output; // standard output and error together
};

class Qmsreg : public FileRegistry {
protected:
    // Runs the program, after `prefix` (a command that runs it as another user) when given.
    ToolRun run(const std::string &arguments, const std::string &prefix = "")
    {
        std::string command = prefix + std::string(QMSREG_PATH) + " " + arguments + " 2>&1";
        FILE *pipe = popen(command.c_str(), "r");
        EXPECT_NE(pipe, nullptr);
        ToolRun result{-1, {}};
        if (!pipe)
            return result;
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
            result.output.append(buf, n);
        int status = pclose(pipe);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return result;
    }

    std::string writeFile(const std::string &name, const std::string &text)
    {
        std::string path = folder_ + "/" + name;
        std::ofstream(path) << text;
        return path;
    }
};

TEST_F(Qmsreg, ImportsATemplateFileThatThisProcessThenReads)
{
    // This process has the store open with a value cached; the program's import, another
    // process, must be seen at once.
    HKEY key = create(u"Drivers\\USB\\ClientDrivers\\USB6093_Class\\Template0");
    ASSERT_EQ(setDword(key, u"BoardID", 1), ERROR_SUCCESS);
    EXPECT_EQ(getDword(key, u"BoardID"), 1u);

    auto file = writeFile("template.reg", "REGEDIT4\n\n"
                                          "[HKEY_LOCAL_MACHINE\\Drivers\\USB\\ClientDrivers\\USB6093_Class\\Template0]\n"
                                          "\"BoardID\"=dword:000000c6\n"
                                          "\"TCReadBackChan\"=dword:00000003\n");
    ToolRun r = run("import " + file);
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(getDword(key, u"BoardID"), 198u);
    EXPECT_EQ(getDword(key, u"TCReadBackChan"), 3u);
    RegCloseKey(key);
}

TEST_F(Qmsreg, ExportPrintsRegedit4Text)
{
    HKEY key = create(u"SYSTEM\\CurrentControlSet\\Services\\QMSDAQ\\Device000");
    ASSERT_EQ(setString(key, u"DeviceName", u"USB-6093 BoardID=5"), ERROR_SUCCESS);
    RegCloseKey(key);
    ToolRun r = run("export 'HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QMSDAQ'");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, "REGEDIT4\n\n"
                        "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QMSDAQ]\n\n"
                        "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QMSDAQ\\Device000]\n"
                        "\"DeviceName\"=\"USB-6093 BoardID=5\"\n");

    // The exported file imports into another store as the same content.
    std::string other = folder_ + "/other.db";
    r = run("export -o " + folder_ + "/all.reg");
    EXPECT_EQ(r.status, 0) << r.output;
    r = run("--registry " + other + " import " + folder_ + "/all.reg");
    EXPECT_EQ(r.status, 0) << r.output;
    ToolRun mine = run("export"), theirs = run("--registry " + other + " export");
    EXPECT_EQ(theirs.output, mine.output);

    r = run("export 'HKEY_LOCAL_MACHINE\\No\\Such\\Key'");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("no such key"), std::string::npos) << r.output;
}

TEST_F(Qmsreg, BadFileFailsWithTheLineAndImportsNothing)
{
    auto file = writeFile("bad.reg", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Bad]\n\"a\"=dword:1\n\"b\"=dword:xyz\n");
    ToolRun r = run("import " + file);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("bad.reg: line 4:"), std::string::npos) << r.output;
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Bad", 0, 0, &key), ERROR_FILE_NOT_FOUND);

    r = run("import " + folder_ + "/missing.reg");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.output.find("missing.reg"), std::string::npos) << r.output;
}

TEST_F(Qmsreg, ExportsARegistryFileItMayOnlyRead)
{
    HKEY key = create(u"Shipped");
    ASSERT_EQ(setDword(key, u"Value", 7), ERROR_SUCCESS);
    RegCloseKey(key);
    closeStore();
    namespace fs = std::filesystem;
    fs::permissions(path_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    // Whoever runs the program may read the file and use the folder, but not write the file.
    // The superuser writes any file, so the program runs as nobody then.
    fs::permissions(folder_, fs::perms::all);
    const std::string as = geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    if (!as.empty() && std::system((as + "test -x " + QMSREG_PATH + " -a -r " + path_).c_str()) != 0)
        GTEST_SKIP() << "nobody cannot reach the program or the file here";

    ToolRun r = run("--registry " + path_ + " export 'HKEY_LOCAL_MACHINE\\Shipped'", as);
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("\"Value\"=dword:00000007"), std::string::npos) << r.output;

    auto file = writeFile("change.reg", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Shipped]\n\"Value\"=dword:8\n");
    fs::permissions(file, fs::perms::all);
    r = run("--registry " + path_ + " import " + file, as);
    EXPECT_NE(r.status, 0) << r.output;
    fs::permissions(path_, fs::perms::owner_write, fs::perm_options::add);
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Shipped", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(getDword(key, u"Value"), 7u);
    RegCloseKey(key);
}

TEST_F(Qmsreg, HelpDescribesTheCommands)
{
    ToolRun r = run("--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.output.find("export"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("import"), std::string::npos) << r.output;
    EXPECT_NE(run("").status, 0) << "a command is required";
    EXPECT_NE(run("import").status, 0) << "import needs a file";
}

} // namespace
} // namespace qms::registry::test
