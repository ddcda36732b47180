// Simulated modules driven through the whole stack: qms_sim_plug, the host stack, the stream
// driver, the device manager, CreateFileW and DeviceIoControl.
#pragma once

#include <dlfcn.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "qms_ioctl.h"
#include "qms_platform.h"
#include "qms_sim.h"

namespace qms::testing {

using Clock = std::chrono::steady_clock;

inline std::u16string Widen(const std::string &text)
{
    return std::u16string(text.begin(), text.end());
}

inline std::string Narrow(const std::u16string &text)
{
    return std::string(text.begin(), text.end());
}

// One request as the module saw it.
struct WireRequest {
    std::string dir;
    int group = 0;
    int command = 0;
    int length = 0;
    std::string data;
    std::string setup;
    std::string outcome;
};

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(qms_platform_start(), 0); }
    void TearDown() override
    {
        for (HANDLE handle : handles_)
            CloseHandle(handle);
        qms_platform_shutdown();
    }

    // Plugs a module with the given board number and extra scenario keys.
    int Plug(unsigned boardId, nlohmann::json extra = nlohmann::json::object())
    {
        extra["board_id"] = boardId;
        if (!extra.contains("serial"))
            extra["serial"] = "SN-" + std::to_string(boardId) + "-" + std::to_string(NextSerial());
        const int id = qms_sim_plug(extra.dump().c_str());
        EXPECT_GT(id, 0) << qms_sim_last_error();
        return id;
    }

    // The device number of the driver subkey whose SwitchID is the board number, or -1.
    static int DeviceNumberOf(unsigned boardId)
    {
        HKEY key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, QMS_REG_DRIVER_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return -1;
        int found = -1;
        for (DWORD index = 0; found < 0; ++index) {
            WCHAR name[64];
            DWORD chars = 64;
            if (RegEnumKeyExW(key, index, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            if (ReadDword(std::u16string(QMS_REG_DRIVER_KEY) + u"\\" + name, QMS_REGVAL_SWITCH_ID) == boardId)
                found = std::stoi(Narrow(name).substr(6));
        }
        RegCloseKey(key);
        return found;
    }

    static std::u16string DriverKey(int number)
    {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%03d", number);
        return std::u16string(QMS_REG_DRIVER_KEY) + u"\\Device" + Widen(digits);
    }

    static std::u16string SharedKey(int number)
    {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%03d", number);
        return std::u16string(QMS_REG_SHARED_KEY) + u"\\Device" + Widen(digits);
    }

    static long long ReadDword(const std::u16string &keyPath, const char16_t *value)
    {
        HKEY key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return -1;
        DWORD type = 0, data = 0, size = sizeof data;
        const LONG result = RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<LPBYTE>(&data), &size);
        RegCloseKey(key);
        return result == ERROR_SUCCESS && type == REG_DWORD ? static_cast<long long>(data) : -1;
    }

    static std::u16string ReadString(const std::u16string &keyPath, const char16_t *value)
    {
        HKEY key;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
            return u"<no key>";
        WCHAR text[128] = {};
        DWORD type = 0, size = sizeof text;
        const LONG result = RegQueryValueExW(key, value, nullptr, &type, reinterpret_cast<LPBYTE>(text), &size);
        RegCloseKey(key);
        return result == ERROR_SUCCESS && type == REG_SZ ? std::u16string(text) : u"<none>";
    }

    static void CreateKey(const std::u16string &path)
    {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    // Opens the stream device of a board number, as the API library does.
    HANDLE Open(unsigned boardId)
    {
        const int number = DeviceNumberOf(boardId);
        EXPECT_GE(number, 0);
        return OpenNamed(ReadString(DriverKey(number), QMS_REGVAL_CALL_NAME));
    }

    // Opens a stream device by name; the test's end closes it, so that no removal path waits
    // for it after a failed assertion.
    HANDLE OpenNamed(const std::u16string &callName)
    {
        const HANDLE handle = CreateFileW(callName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(handle, INVALID_HANDLE_VALUE) << Narrow(callName) << " error " << GetLastError();
        if (handle != INVALID_HANDLE_VALUE)
            handles_.push_back(handle);
        return handle;
    }

    void Close(HANDLE handle)
    {
        std::erase(handles_, handle);
        EXPECT_TRUE(CloseHandle(handle));
    }

    static std::vector<WireRequest> Wire(int id)
    {
        const long size = qms_sim_wire_log(id, nullptr, 0);
        std::string text(static_cast<size_t>(size) + 1, '\0');
        qms_sim_wire_log(id, text.data(), text.size());
        text.resize(static_cast<size_t>(size));
        std::vector<WireRequest> requests;
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            if (end > start) {
                const auto j = nlohmann::json::parse(text.substr(start, end - start));
                WireRequest r;
                r.dir = j.value("dir", "");
                r.group = j.value("group", 0);
                r.command = j.value("command", 0);
                r.length = j.value("length", 0);
                r.data = j.value("data", "");
                r.setup = j.value("setup", "");
                r.outcome = j.value("outcome", "");
                requests.push_back(r);
            }
            start = end + 1;
        }
        return requests;
    }

    // Waits until the module's CJC sampler has begun its first cycle: its offset read is then
    // behind it, and from then on it only reads the sensor (which WireWithoutSampler leaves out).
    static bool SamplerStarted(int id)
    {
        return Eventually(
            [&] {
                for (const WireRequest &r : Wire(id))
                    if (r.group == GROUP_AI && r.command == CMD_AI_READ_CJC)
                        return true;
                return false;
            },
            std::chrono::milliseconds(3000));
    }

    // The module's requests other than the sampler's CJC reads.
    static std::vector<WireRequest> WireWithoutSampler(int id)
    {
        std::vector<WireRequest> requests;
        for (const WireRequest &r : Wire(id))
            if (!(r.group == GROUP_AI && r.command == CMD_AI_READ_CJC))
                requests.push_back(r);
        return requests;
    }

    static nlohmann::json State(int id)
    {
        const long size = qms_sim_state(id, nullptr, 0);
        std::string text(static_cast<size_t>(size) + 1, '\0');
        qms_sim_state(id, text.data(), text.size());
        text.resize(static_cast<size_t>(size));
        return nlohmann::json::parse(text);
    }

    static BOOL Control(HANDLE handle, DWORD code, void *in, DWORD inLength, void *out, DWORD outLength,
                        DWORD *returned = nullptr)
    {
        DWORD local = 0xDEAD;
        return DeviceIoControl(handle, code, in, inLength, out, outLength, returned ? returned : &local, nullptr);
    }

    // Waits up to `bound` for the condition.
    template <class Predicate> static bool Eventually(Predicate predicate, std::chrono::milliseconds bound)
    {
        const auto deadline = Clock::now() + bound;
        while (!predicate()) {
            if (Clock::now() > deadline)
                return false;
            Sleep(5);
        }
        return true;
    }

    // The driver library as the platform loads it: from the folder of libqmsplatform.
    static void *OpenDriverLibrary()
    {
        Dl_info info{};
        if (!dladdr(reinterpret_cast<void *>(&qms_platform_start), &info) || !info.dli_fname)
            return nullptr;
        std::string path = info.dli_fname;
        path = path.substr(0, path.rfind('/') + 1) + "libqms6093s.so";
        return dlopen(path.c_str(), RTLD_NOW);
    }

    // Whether the stream device of that name is deactivated within two seconds (its name is
    // unknown to the device manager then).
    static bool Gone(const std::u16string &callName)
    {
        return Eventually(
            [&] {
                const HANDLE h = CreateFileW(callName.c_str(), 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
                if (h != INVALID_HANDLE_VALUE) {
                    CloseHandle(h);
                    return false;
                }
                return GetLastError() == static_cast<DWORD>(ERROR_FILE_NOT_FOUND) && ActiveKeyOf(callName).empty();
            },
            std::chrono::milliseconds(2000));
    }

    // The device manager's Active key that names this stream device, or "".
    static std::u16string ActiveKeyOf(const std::u16string &callName)
    {
        for (int n = 1; n < 100; ++n) {
            char path[32];
            std::snprintf(path, sizeof path, "Drivers\\Active\\%02d", n);
            if (ReadString(Widen(path), u"Name") == callName)
                return Widen(path);
        }
        return u"";
    }

private:
    // Modules keep their memory by serial for the whole process: every plug gets a new one.
    static int NextSerial()
    {
        static std::atomic<int> serial{0};
        return serial++;
    }

    std::vector<HANDLE> handles_;
};

} // namespace qms::testing
