// The store file: what survives closing it, a killed writer and a second writing process,
// where it lives by default, and files that are not a registry.
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>

#include <sqlite3.h>

#include "qms_regfile.h"
#include "tests/platform/registry/registry_fixture.h"

namespace qms::registry::test {
namespace {

using RegistryFile = FileRegistry;

TEST_F(RegistryFile, ValuesSurviveClosingAndReopening)
{
    HKEY key = create(u"SYSTEM\\CurrentControlSet\\Services\\QMS6093s\\Device000");
    ASSERT_EQ(setDword(key, u"BoardID", 198), ERROR_SUCCESS);
    ASSERT_EQ(setString(key, u"CallName", u"U931:"), ERROR_SUCCESS);
    const BYTE blob[] = {9, 8, 7};
    ASSERT_EQ(RegSetValueExW(key, u"Blob", 0, REG_BINARY, blob, 3), ERROR_SUCCESS);
    RegCloseKey(key);
    closeStore();
    EXPECT_TRUE(std::filesystem::exists(path_));

    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"system\\currentcontrolset\\services\\qms6093s\\device000", 0, 0,
                            &key),
              ERROR_SUCCESS);
    EXPECT_EQ(getDword(key, u"BoardID"), 198u);
    WCHAR name[10];
    DWORD size = sizeof name, type = 0;
    ASSERT_EQ(RegQueryValueExW(key, u"CallName", nullptr, &type, reinterpret_cast<BYTE *>(name), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name), u"U931:");
    BYTE back[8];
    size = sizeof back;
    ASSERT_EQ(RegQueryValueExW(key, u"Blob", nullptr, &type, back, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(std::vector<BYTE>(back, back + size), std::vector<BYTE>(blob, blob + 3));
    RegCloseKey(key);
}

// The child imports key after key (two values each, one transaction) and reports each
// acknowledged import through a pipe until it is killed.
TEST_F(RegistryFile, KilledWriterLosesNoAcknowledgedWrite)
{
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        close(fds[0]);
        for (uint32_t i = 0;; ++i) {
            char text[256];
            std::snprintf(text, sizeof text,
                          "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Kill\\K%u]\n\"A\"=dword:%x\n\"B\"=hex:%02x,%02x\n", i, i,
                          i & 0xFF, (i >> 8) & 0xFF);
            if (qms_reg_import_text(text, std::strlen(text), nullptr, 0) != ERROR_SUCCESS)
                _exit(2);
            if (write(fds[1], &i, sizeof i) != sizeof i)
                _exit(3);
        }
    }
    close(fds[1]);
    std::set<uint32_t> acknowledged;
    auto readAck = [&](int timeoutMs) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0)
            return false;
        uint32_t i;
        if (read(fds[0], &i, sizeof i) != sizeof i)
            return false;
        acknowledged.insert(i);
        return true;
    };
    while (acknowledged.size() < 40 && readAck(20000)) {
    }
    kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    while (readAck(0)) {
    }
    close(fds[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer failed on its own, status " << status;
    ASSERT_GE(acknowledged.size(), 40u);

    HKEY kill = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Kill", 0, 0, &kill), ERROR_SUCCESS);
    for (uint32_t i : acknowledged) {
        HKEY key = nullptr;
        std::u16string name = u"K";
        for (char c : std::to_string(i))
            name += char16_t(c);
        ASSERT_EQ(RegOpenKeyExW(kill, name.c_str(), 0, 0, &key), ERROR_SUCCESS) << "acknowledged key " << i;
        EXPECT_EQ(getDword(key, u"A"), i);
        RegCloseKey(key);
    }
    // No key is half-written: each one present has both of its values.
    DWORD found = 0;
    for (DWORD index = 0;; ++index) {
        WCHAR name[32];
        DWORD cch = 32;
        LONG rc = RegEnumKeyExW(kill, index, name, &cch, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        ASSERT_EQ(rc, ERROR_SUCCESS);
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExW(kill, name, 0, 0, &key), ERROR_SUCCESS);
        DWORD size = 0;
        EXPECT_EQ(RegQueryValueExW(key, u"A", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
        EXPECT_EQ(RegQueryValueExW(key, u"B", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
        EXPECT_EQ(size, 2u);
        RegCloseKey(key);
        ++found;
    }
    EXPECT_GE(found, acknowledged.size());
    RegCloseKey(kill);
}

TEST_F(RegistryFile, TwoProcessesWriteDifferentKeysOfOneFile)
{
    constexpr DWORD kWrites = 60;
    auto writeAll = [&](const char16_t *parent) {
        int failures = 0;
        for (DWORD i = 0; i < kWrites; ++i) {
            HKEY key = nullptr;
            std::u16string path = std::u16string(parent) + u"\\K";
            for (char c : std::to_string(i))
                path += char16_t(c);
            if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, 0, nullptr, &key, nullptr) !=
                    ERROR_SUCCESS ||
                setDword(key, u"N", i) != ERROR_SUCCESS)
                ++failures;
            RegCloseKey(key);
        }
        return failures;
    };
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0)
        _exit(writeAll(u"Two\\Child") == 0 ? 0 : 1);
    EXPECT_EQ(writeAll(u"Two\\Parent"), 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the other process had failed writes";

    for (const char16_t *parent : {u"Two\\Child", u"Two\\Parent"}) {
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, parent, 0, 0, &key), ERROR_SUCCESS);
        DWORD count = 0;
        WCHAR name[16];
        for (DWORD cch = 16; RegEnumKeyExW(key, count, name, &cch, nullptr, nullptr, nullptr, nullptr) ==
                             ERROR_SUCCESS;
             cch = 16)
            ++count;
        EXPECT_EQ(count, kWrites);
        RegCloseKey(key);
    }
}

TEST_F(RegistryFile, DefaultLocationFollowsXdgStateHomeThenHome)
{
    const char *home = std::getenv("HOME");
    std::string savedHome = home ? home : "";
    unsetenv("QMS_REGISTRY");
    setenv("XDG_STATE_HOME", (folder_ + "/state").c_str(), 1);
    EXPECT_EQ(storePath(), folder_ + "/state/qms6093/registry.db");
    HKEY key = create(u"Here");
    RegCloseKey(key);
    closeStore();
    EXPECT_TRUE(std::filesystem::exists(folder_ + "/state/qms6093/registry.db")) << "the folder is created";
    // The folders made for it are the owner's alone, whatever the umask lets through.
    for (const char *made : {"/state", "/state/qms6093"}) {
        struct stat info {};
        ASSERT_EQ(stat((folder_ + made).c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u) << made;
    }

    setenv("XDG_STATE_HOME", "relative/path", 1);
    setenv("HOME", (folder_ + "/home").c_str(), 1);
    EXPECT_EQ(storePath(), folder_ + "/home/.local/state/qms6093/registry.db");
    unsetenv("XDG_STATE_HOME");
    EXPECT_EQ(storePath(), folder_ + "/home/.local/state/qms6093/registry.db");
    if (home)
        setenv("HOME", savedHome.c_str(), 1);
    setenv("QMS_REGISTRY", path_.c_str(), 1);
}

TEST_F(RegistryFile, FileThatIsNotARegistryIsRefusedAndLeftAlone)
{
    std::string text(4096, 'x');
    std::ofstream(path_) << text;
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Test", 0, nullptr, 0, 0, nullptr, &key, nullptr), ERROR_BADDB);
    std::ifstream in(path_);
    std::string back((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(back, text);
    closeStore();

    // Another program's database.
    std::filesystem::remove(path_);
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE other(x); INSERT INTO other VALUES(1)", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Test", 0, 0, &key), ERROR_BADDB);
    closeStore();
    ASSERT_EQ(sqlite3_open(path_.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, "SELECT * FROM keys", nullptr, nullptr, nullptr), SQLITE_ERROR)
        << "no registry tables were added";
    // Nor was its journal switched to write-ahead logging: the file is as its owner left it.
    std::string mode;
    sqlite3_exec(
        db, "PRAGMA journal_mode",
        [](void *out, int, char **values, char **) {
            *static_cast<std::string *>(out) = values[0] ? values[0] : "";
            return 0;
        },
        &mode, nullptr);
    EXPECT_EQ(mode, "delete");
    sqlite3_close(db);
    EXPECT_FALSE(std::filesystem::exists(path_ + "-wal"));
}

TEST_F(RegistryFile, ARegistryFileThatMayOnlyBeReadIsReadButNotWritten)
{
    HKEY key = create(u"Kept");
    ASSERT_EQ(setDword(key, u"Value", 7), ERROR_SUCCESS);
    RegCloseKey(key);
    closeStore();
    std::filesystem::permissions(path_, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
    if (access(path_.c_str(), W_OK) == 0)
        GTEST_SKIP() << "this user may write any file";

    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Kept", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(getDword(key, u"Value"), 7u);
    EXPECT_EQ(setDword(key, u"Value", 8), ERROR_CANTWRITE);
    RegCloseKey(key);
    char text[512];
    const long length = qms_reg_export("HKEY_LOCAL_MACHINE\\Kept", text, sizeof text);
    ASSERT_GT(length, 0) << "error " << -length;
    EXPECT_NE(std::string(text).find("\"Value\"=dword:00000007"), std::string::npos) << text;
    closeStore();
    std::filesystem::permissions(path_, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
}

TEST_F(RegistryFile, UnwritableLocationGivesAnErrorNotACrash)
{
    setenv("QMS_REGISTRY", "/proc/qms-no-such-place/registry.db", 1);
    closeStore();
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Test", 0, nullptr, 0, 0, nullptr, &key, nullptr),
              ERROR_CANTOPEN);
    setenv("QMS_REGISTRY", path_.c_str(), 1);
    closeStore();
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Test", 0, nullptr, 0, 0, nullptr, &key, nullptr), ERROR_SUCCESS)
        << "the next call opens the store again";
    RegCloseKey(key);
}

} // namespace
} // namespace qms::registry::test
