// Attach, open and close, removal: the stream device's life as applications and the host
// stack see it.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "qms_streamdrv.h"
#include "qms_usbd.h"
#include "tests/streamdrv/driver_fixture.h"

namespace qms::testing {
namespace {

class Lifecycle : public DriverTest {};

int Count(const std::vector<WireRequest> &wire, int group, int command)
{
    int n = 0;
    for (const WireRequest &r : wire)
        n += r.group == group && r.command == command;
    return n;
}

HANDLE OpenRemovalEvent(int number)
{
    char name[64];
    std::snprintf(name, sizeof name, "QMS_EVT_DEVREMOVED_%03d", number);
    return CreateEventW(nullptr, FALSE, FALSE, Widen(name).c_str());
}

TEST_F(Lifecycle, OnlyTheFirstOpenAndTheLastCloseAreNoticedByTheModule)
{
    const int id = Plug(1);
    ASSERT_TRUE(SamplerStarted(id)); // its offset read comes before the notices
    const HANDLE first = Open(1);
    const HANDLE second = Open(1);
    EXPECT_EQ(State(id)["host_open"], true);
    Close(first);
    auto wire = Wire(id);
    EXPECT_EQ(Count(wire, GROUP_DEVICE, CMD_DEVICE_OPEN_NOTICE), 1);
    EXPECT_EQ(Count(wire, GROUP_DEVICE, CMD_DEVICE_CLOSE_NOTICE), 0);
    Close(second);
    wire = WireWithoutSampler(id);
    EXPECT_EQ(Count(wire, GROUP_DEVICE, CMD_DEVICE_CLOSE_NOTICE), 1);
    EXPECT_EQ(wire.back().data, "00 00 00 00");
    EXPECT_EQ(State(id)["host_open"], false);
}

TEST_F(Lifecycle, StartReadsTheBoardNumberAndTheOffsetFirst)
{
    const int id = Plug(4);
    const auto wire = Wire(id);
    ASSERT_GE(wire.size(), 2u);
    EXPECT_EQ(wire[0].group, GROUP_DEVICE);
    EXPECT_EQ(wire[0].command, CMD_DEVICE_GET_BOARD_ID);
    EXPECT_EQ(wire[1].group, GROUP_AI);
    EXPECT_EQ(wire[1].command, CMD_AI_GET_CJC_OFFSET);
}

TEST_F(Lifecycle, RemovalEventCarriesTheThreeDigitDeviceNumber)
{
    for (int n = 0; n < 7; ++n)
        CreateKey(SharedKey(n));
    const int id = Plug(9);
    ASSERT_EQ(DeviceNumberOf(9), 7);
    const HANDLE removed = OpenRemovalEvent(7);
    ASSERT_NE(removed, nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(WaitForSingleObject(removed, 0), WAIT_TIMEOUT);
    ASSERT_EQ(qms_sim_unplug(id), 0);
    EXPECT_EQ(WaitForSingleObject(removed, 2000), WAIT_OBJECT_0);
    CloseHandle(removed);
}

TEST_F(Lifecycle, UnplugWithNoHandleOpenDeactivatesAtOnce)
{
    const int id = Plug(2);
    const std::u16string callName = ReadString(DriverKey(DeviceNumberOf(2)), QMS_REGVAL_CALL_NAME);
    const auto start = Clock::now();
    ASSERT_EQ(qms_sim_unplug(id), 0);
    ASSERT_EQ(qms_sim_wait_removed(id, 2000), 0);
    // The sampler is woken from its one-second wait, not slept out.
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_TRUE(Gone(callName));
    // The number stays reserved.
    EXPECT_EQ(DeviceNumberOf(2), 0);
}

TEST_F(Lifecycle, UnplugWithAHandleOpenSignalsFirstAndDeactivatesAtTheLastClose)
{
    const int id = Plug(5);
    const int number = DeviceNumberOf(5);
    const std::u16string callName = ReadString(DriverKey(number), QMS_REGVAL_CALL_NAME);
    const HANDLE removed = OpenRemovalEvent(number);
    const HANDLE handle = Open(5);
    ASSERT_EQ(qms_sim_unplug(id), 0);
    // Set by the removal path after it has marked the module gone.
    ASSERT_EQ(WaitForSingleObject(removed, 2000), WAIT_OBJECT_0);

    // Still active: the handle reaches the driver, whose requests to the module fail at once.
    CjcHistory history{};
    EXPECT_TRUE(Control(handle, IOCTL_QMS_GET_CJC_HISTORY, nullptr, 0, &history, sizeof history));
    BYTE board[4];
    const auto start = Clock::now();
    EXPECT_FALSE(Control(handle, IOCTL_QMS_GET_BOARD_ID, nullptr, 0, board, 4));
    EXPECT_EQ(GetLastError(), QMS_LASTERR_TRANSFER);
    BYTE scan[8] = {0, 0, 0, 8};
    SampleBlock block{};
    EXPECT_FALSE(Control(handle, IOCTL_QMS_MAI_READ, scan, 8, &block, sizeof block));
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(100));
    // A new open is refused while the device waits for its last handle.
    EXPECT_EQ(CreateFileW(callName.c_str(), 0, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);

    Close(handle);
    ASSERT_EQ(qms_sim_wait_removed(id, 2000), 0);
    EXPECT_TRUE(Gone(callName));
    CloseHandle(removed);
}

// The DeviceNNN subkeys of the driver key.
int DeviceKeyCount()
{
    HKEY key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, QMS_REG_DRIVER_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    int count = 0;
    for (DWORD index = 0;; ++index) {
        WCHAR name[64];
        DWORD chars = 64;
        if (RegEnumKeyExW(key, index, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        ++count;
    }
    RegCloseKey(key);
    return count;
}

TEST_F(Lifecycle, AModulePluggedAgainAtOnceKeepsItsNumberAndItsNewHandleWorksAndSeesNoOldRemoval)
{
    // Another module set to the same board number stays plugged throughout: it keeps its own
    // number and hears of no removal.
    const int cycling = Plug(7, {{"serial", "CYCLE-A"}});
    Plug(7, {{"serial", "CYCLE-B"}});
    // Device000 is the cycling module, Device001 the other.
    ASSERT_EQ(Narrow(ReadString(DriverKey(1), QMS_REGVAL_CALL_NAME)), "U932:");
    const HANDLE other = OpenNamed(u"U932:");
    const HANDLE otherRemoved = OpenRemovalEvent(1);
    // Saved values of the cycling module's number, unlike any template.
    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, DriverKey(0).c_str(), 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    const DWORD chan = 6, type = 3;
    RegSetValueExW(key, u"TCReadBackChan", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&chan), 4);
    RegSetValueExW(key, u"TCReadBackType", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&type), 4);
    RegCloseKey(key);

    int id = cycling;
    for (int cycle = 0; cycle < 200; ++cycle) {
        SCOPED_TRACE(cycle);
        {
            const std::u16string callName = ReadString(DriverKey(0), QMS_REGVAL_CALL_NAME);
            const HANDLE handle = OpenNamed(callName);
            ASSERT_NE(handle, INVALID_HANDLE_VALUE);
            BYTE board[4] = {};
            ASSERT_TRUE(Control(handle, IOCTL_QMS_GET_BOARD_ID, nullptr, 0, board, 4)) << GetLastError();
            EXPECT_EQ(board[3], 7);
            const HANDLE removed = OpenRemovalEvent(0);
            EXPECT_EQ(WaitForSingleObject(removed, 0), WAIT_TIMEOUT) << "a removal left over from the last plug";
            CloseHandle(removed);
            Close(handle);
        }
        ASSERT_EQ(qms_sim_unplug(id), 0);
        id = Plug(7, {{"serial", "CYCLE-A"}});
        ASSERT_GT(id, 0);
        ASSERT_EQ(DeviceKeyCount(), 2) << "a new number for a module that came back";
        ASSERT_EQ(ReadDword(DriverKey(0), u"TCReadBackChan"), 6);
        ASSERT_EQ(ReadDword(DriverKey(0), u"TCReadBackType"), 3);
    }
    BYTE board[4] = {};
    EXPECT_TRUE(Control(other, IOCTL_QMS_GET_BOARD_ID, nullptr, 0, board, 4));
    EXPECT_EQ(Narrow(ReadString(DriverKey(1), QMS_REGVAL_CALL_NAME)), "U932:");
    EXPECT_EQ(WaitForSingleObject(otherRemoved, 0), WAIT_TIMEOUT);
    CloseHandle(otherRemoved);
}

// What the process holds: threads, mappings, address space and resident memory (kB).
struct Footprint {
    long threads = 0;
    long mappings = 0;
    long sizeKb = 0;
    long residentKb = 0;
};

Footprint ProcessFootprint()
{
    Footprint f;
    for (const auto &entry : std::filesystem::directory_iterator("/proc/self/task"))
        f.threads += entry.is_directory() ? 1 : 0;
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);)
        ++f.mappings;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmSize:", 0) == 0)
            f.sizeKb = std::stol(line.substr(7));
        if (line.rfind("VmRSS:", 0) == 0)
            f.residentKb = std::stol(line.substr(6));
    }
    return f;
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kPlugCycles = 2000; // the sanitizers' own bookkeeping grows with every thread
#else
constexpr int kPlugCycles = 10000;
#endif

TEST_F(Lifecycle, PlugCyclesKeepThreadsMappingsAndMemoryFlat)
{
    const auto cycle = [&] {
        const int id = Plug(3, {{"serial", "FLAT-1"}});
        ASSERT_GT(id, 0);
        ASSERT_EQ(qms_sim_unplug(id), 0);
        ASSERT_EQ(qms_sim_wait_removed(id, 5000), 0) << qms_sim_last_error();
    };
    for (int i = 0; i < 100; ++i) // caches and pools settle
        ASSERT_NO_FATAL_FAILURE(cycle());
    const Footprint before = ProcessFootprint();
    for (int i = 0; i < kPlugCycles; ++i)
        ASSERT_NO_FATAL_FAILURE(cycle()) << i;
    const Footprint after = ProcessFootprint();
    std::printf("threads %ld -> %ld, mappings %ld -> %ld, size %ld -> %ld kB, resident %ld -> %ld kB\n",
                before.threads, after.threads, before.mappings, after.mappings, before.sizeKb, after.sizeKb,
                before.residentKb, after.residentKb);
    // Room for the allocator's own arenas (64 MB of address space each), far below a thread
    // stack (8 MB, two mappings) or a few kilobytes kept per cycle.
    EXPECT_LE(after.threads, before.threads + 2);
    EXPECT_LE(after.mappings, before.mappings + 64);
    EXPECT_LE(after.sizeKb, before.sizeKb + 512 * 1024);
#if !defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer keeps freed memory in quarantine on purpose, so resident memory only
    // means something without it; threads, mappings and address space are checked either way.
    EXPECT_LE(after.residentKb, before.residentKb + 32 * 1024);
#endif
}

TEST_F(Lifecycle, ASecondModuleKeepsWorkingWhileTheFirstIsRemoved)
{
    const int first = Plug(10);
    Plug(11);
    const HANDLE held = Open(10);
    const HANDLE other = Open(11);
    ASSERT_EQ(qms_sim_unplug(first), 0);
    BYTE board[4] = {};
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(Control(other, IOCTL_QMS_GET_BOARD_ID, nullptr, 0, board, 4));
        EXPECT_EQ(board[3], 11);
    }
    Close(held);
    ASSERT_TRUE(Control(other, IOCTL_QMS_GET_BOARD_ID, nullptr, 0, board, 4));
}

TEST_F(Lifecycle, ModuleWhoseStartReadsFailIsRefused)
{
    // The board number is its identity, the offset part of every temperature: without them
    // the module is not taken.
    for (const char *command : {"1", "33"}) {
        SCOPED_TRACE(command);
        const std::string group = std::string(command) == "1" ? "127" : "2";
        const int id = Plug(20 + std::stoi(command),
                            nlohmann::json::parse(R"({"faults":[{"group":)" + group + R"(,"command":)" + command +
                                                  R"(,"occurrence":1,"fault":"stall"}]})"));
        EXPECT_EQ(DeviceNumberOf(20 + std::stoi(command)), -1);
        EXPECT_EQ(CreateFileW(u"U931:", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
        qms_sim_unplug(id);
    }
    // A module that answers is taken afterwards as usual.
    Plug(30);
    EXPECT_EQ(DeviceNumberOf(30), 0);
}

TEST_F(Lifecycle, ModuleWhoseStartRepliesAreCutIsRefused)
{
    // Half a board number or half an offset would be taken for the whole.
    for (const auto &[group, command] : {std::pair{127, 1}, std::pair{2, 33}}) {
        SCOPED_TRACE(command);
        const int id = Plug(40 + command, {{"faults", {{{"group", group}, {"command", command}, {"occurrence", 1},
                                                        {"fault", "short"}, {"bytes", 2}}}}});
        EXPECT_EQ(DeviceNumberOf(40 + command), -1);
        qms_sim_unplug(id);
    }
}

TEST_F(Lifecycle, InterfaceOfAnotherSubclassIsDeclined)
{
    Plug(6, nlohmann::json{{"interface_subclass", 1}});
    EXPECT_EQ(DeviceNumberOf(6), -1);
}

HANDLE handleClosedAtExit = INVALID_HANDLE_VALUE;

// An application that closes its stream handle from an exit handler, after the main thread's
// thread-local storage is gone.
void OpenAndCloseAtExit()
{
    qms_platform_start();
    nlohmann::json scenario{{"board_id", 1}, {"serial", "EXIT-1"}};
    if (qms_sim_plug(scenario.dump().c_str()) <= 0)
        std::_Exit(2);
    handleClosedAtExit = CreateFileW(u"U931:", 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handleClosedAtExit == INVALID_HANDLE_VALUE)
        std::_Exit(3);
    std::atexit([] { CloseHandle(handleClosedAtExit); });
    std::exit(0);
}

TEST(LifecycleAtExit, AHandleClosedByAnExitHandlerEndsCleanly)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(OpenAndCloseAtExit(), ::testing::ExitedWithCode(0), "");
}

// The entry points called directly, as a foreign caller might.
class DirectEntryPoints : public DriverTest {
protected:
    void SetUp() override
    {
        DriverTest::SetUp();
        library = OpenDriverLibrary();
        ASSERT_NE(library, nullptr) << dlerror();
    }
    void TearDown() override
    {
        if (library)
            dlclose(library);
        DriverTest::TearDown();
    }
    template <class Fn> Fn Entry(const char *name) { return reinterpret_cast<Fn>(dlsym(library, name)); }

    void *library = nullptr;
};

TEST_F(DirectEntryPoints, ReadWriteSeekAndPowerDoNothing)
{
    BYTE buffer[8] = {};
    EXPECT_EQ(Entry<PFN_STREAM_READ>("U93_Read")(0, buffer, 8), 0u);
    EXPECT_EQ(Entry<PFN_STREAM_WRITE>("U93_Write")(12345, buffer, 8), 0u);
    EXPECT_EQ(Entry<PFN_STREAM_SEEK>("U93_Seek")(0, 10, FILE_BEGIN), 0xFFFFFFFFu);
    Entry<PFN_STREAM_POWERUP>("U93_PowerUp")(0);
    Entry<PFN_STREAM_POWERDOWN>("U93_PowerDown")(0);
}

TEST_F(DirectEntryPoints, ForeignOrMissingContextsAreRefusedWithoutBeingTouched)
{
    // Looks like a record but is not one: nothing may read or write it.
    DWORD fake[64];
    std::memset(fake, 0, sizeof fake);
    fake[0] = QMS_DEVICE_SIGNATURE;
    const auto context = reinterpret_cast<DWORD_PTR>(fake);
    DWORD returned = 0xDEAD;
    BYTE out[14];
    SetLastError(0);
    EXPECT_FALSE(Entry<PFN_STREAM_IOCONTROL>("U93_IOControl")(context, IOCTL_QMS_GET_CJC_HISTORY, nullptr, 0, out,
                                                               14, &returned));
    EXPECT_EQ(GetLastError(), QMS_LASTERR_BAD_CONTEXT);
    EXPECT_EQ(returned, 0xDEADu);
    EXPECT_EQ(Entry<PFN_STREAM_OPEN>("U93_Open")(context, 0, 0), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(Entry<PFN_STREAM_CLOSE>("U93_Close")(0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(Entry<PFN_STREAM_DEINIT>("U93_Deinit")(context));
    for (DWORD word : fake)
        EXPECT_EQ(word, word == QMS_DEVICE_SIGNATURE ? QMS_DEVICE_SIGNATURE : 0u);
}

TEST_F(DirectEntryPoints, InitWithAMissingOrStaleClientInfoFails)
{
    const auto init = Entry<PFN_STREAM_INIT>("U93_Init");
    CreateKey(u"Drivers\\Active\\77");
    HKEY key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Drivers\\Active\\77", 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    const WCHAR name[] = u"U939:";
    RegSetValueExW(key, u"Name", 0, REG_SZ, reinterpret_cast<const BYTE *>(name), sizeof name);
    EXPECT_EQ(init(u"Drivers\\Active\\77", nullptr), 0u); // no ClientInfo
    for (DWORD stale : {0u, 1u, 0x3A5C6093u, 0xFFFFFFFFu}) {
        RegSetValueExW(key, u"ClientInfo", 0, REG_DWORD, reinterpret_cast<const BYTE *>(&stale), 4);
        EXPECT_EQ(init(u"Drivers\\Active\\77", nullptr), 0u) << stale;
    }
    RegCloseKey(key);
    EXPECT_EQ(init(nullptr, nullptr), 0u);
}

TEST_F(DirectEntryPoints, AttachRefusesMissingArguments)
{
    const auto attach = Entry<LPUSB_DEVICE_ATTACH>("USBDeviceAttach");
    USB_INTERFACE iface{};
    iface.Descriptor.bInterfaceClass = 0xFF;
    USB_FUNCS funcs{};
    BOOL accepted = 7;
    EXPECT_FALSE(attach(nullptr, &funcs, &iface, u"USB6093_Class", &accepted, nullptr, 0));
    EXPECT_EQ(accepted, 7);
    EXPECT_FALSE(attach(reinterpret_cast<USB_HANDLE>(1), nullptr, &iface, u"USB6093_Class", &accepted, nullptr, 0));
    EXPECT_FALSE(attach(reinterpret_cast<USB_HANDLE>(1), &funcs, nullptr, u"USB6093_Class", &accepted, nullptr, 0));
    EXPECT_EQ(accepted, 7);
}

} // namespace
} // namespace qms::testing
