// Control transfers through the function table: bytes on the wire, data copied back only at
// completion, completion context, cancellation, stall and halt, withheld completions.
#include <gtest/gtest.h>

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "tests/platform/usbd/host_stack_fixture.h"

namespace qms::testing {
namespace {

using usbd::ControlOutcome;
using Clock = std::chrono::steady_clock;

// A completion routine that notes its thread and sets an event.
struct Completion {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> calls{0};
    std::atomic<uint64_t> thread{0};
    ~Completion() { CloseHandle(event); }

    static DWORD routine(LPVOID self)
    {
        auto *c = static_cast<Completion *>(self);
        c->thread = static_cast<uint64_t>(pthread_self());
        ++c->calls;
        SetEvent(c->event);
        return 0;
    }
};

class VendorTransfer : public HostStackTest {
protected:
    void SetUp() override
    {
        HostStackTest::SetUp();
        slot = plugAttached(device, &address);
        funcs = client->funcs(slot);
        handle = client->device(slot);
    }

    USB_TRANSFER issueIn(Completion &done, uint8_t *buffer, WORD length, BYTE request = 2)
    {
        const USB_DEVICE_REQUEST setup = {0xC0, request, 5, 0, length};
        return funcs->lpIssueVendorTransfer(handle, Completion::routine, &done,
                                            USB_IN_TRANSFER | USB_SHORT_TRANSFER_OK, &setup, buffer, 0);
    }

    std::shared_ptr<FakeBusDevice> device = std::make_shared<FakeBusDevice>();
    uint32_t address = 0;
    int slot = 0;
    const USB_FUNCS *funcs = nullptr;
    USB_HANDLE handle = nullptr;
};

TEST_F(VendorTransfer, OutRequestCarriesSetupAndPayloadOnTheWire)
{
    uint8_t payload[4] = {0, 0, 1, 2};
    DWORD bytes = 0, error = 99;
    EXPECT_EQ(client->vendor(slot, FALSE, 127, 2, payload, 4, 2000, &bytes, &error), 0u);
    EXPECT_EQ(bytes, 4u);
    EXPECT_EQ(error, USB_NO_ERROR);
    const auto wire = device->wire();
    ASSERT_EQ(wire.size(), 1u);
    EXPECT_EQ(wire[0].setup.bmRequestType, 0x40);
    EXPECT_EQ(wire[0].setup.bRequest, 127);
    EXPECT_EQ(wire[0].setup.wValue, 2);
    EXPECT_EQ(wire[0].setup.wLength, 4);
    EXPECT_EQ(wire[0].payload, std::vector<uint8_t>(payload, payload + 4));
}

TEST_F(VendorTransfer, InRequestDeliversTheReplyAndAShortReplyLeavesTheRest)
{
    uint8_t reply[8] = {};
    DWORD bytes = 0, error = 0;
    ASSERT_EQ(client->vendor(slot, TRUE, 16, 17, reply, 8, 2000, &bytes, &error), 0u);
    EXPECT_EQ(bytes, 8u);
    EXPECT_EQ(reply[0], 16);
    EXPECT_EQ(reply[7], 23);

    uint8_t block[36];
    std::memset(block, 0xEE, sizeof block);
    device->answerNext(ControlOutcome::Completed, 20);
    ASSERT_EQ(client->vendor(slot, TRUE, 2, 5, block, 36, 2000, &bytes, &error), 0u);
    EXPECT_EQ(bytes, 20u);
    EXPECT_EQ(block[19], 2 + 19);
    EXPECT_EQ(block[20], 0xEE);
    EXPECT_EQ(block[35], 0xEE);
}

TEST_F(VendorTransfer, ShortReplyWithoutShortTransferOkIsAnUnderrun)
{
    Completion done;
    uint8_t buffer[8] = {};
    device->answerNext(ControlOutcome::Completed, 3);
    const USB_DEVICE_REQUEST setup = {0xC0, 1, 3, 0, 8};
    USB_TRANSFER t = funcs->lpIssueVendorTransfer(handle, Completion::routine, &done, USB_IN_TRANSFER,
                                                  &setup, buffer, 0);
    ASSERT_NE(t, nullptr);
    DWORD bytes = 0, error = 0;
    EXPECT_TRUE(funcs->lpGetTransferStatus(t, &bytes, &error));
    EXPECT_EQ(bytes, 3u);
    EXPECT_EQ(error, USB_DATA_UNDERRUN_ERROR);
    EXPECT_TRUE(funcs->lpCloseTransfer(t));
}

TEST_F(VendorTransfer, MalformedRequestsAreRefusedBeforeTheWire)
{
    Completion done;
    uint8_t buffer[4];
    const USB_DEVICE_REQUEST in = {0xC0, 1, 1, 0, 4};
    EXPECT_EQ(funcs->lpIssueVendorTransfer(handle, Completion::routine, &done, USB_IN_TRANSFER, nullptr, buffer, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(funcs->lpIssueVendorTransfer(handle, Completion::routine, &done, USB_IN_TRANSFER, &in, nullptr, 0), nullptr);
    // direction flag and bmRequestType disagree
    EXPECT_EQ(funcs->lpIssueVendorTransfer(handle, Completion::routine, &done, USB_OUT_TRANSFER, &in, buffer, 0), nullptr);
    EXPECT_EQ(funcs->lpIssueVendorTransfer(reinterpret_cast<USB_HANDLE>(0x7777), Completion::routine, &done,
                                           USB_IN_TRANSFER, &in, buffer, 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(device->wire().empty());
    EXPECT_EQ(done.calls, 0);
}

TEST_F(VendorTransfer, ImmediateAnswerCompletesInline)
{
    Completion done;
    uint8_t buffer[4] = {};
    USB_TRANSFER t = issueIn(done, buffer, 4);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(done.calls, 1);
    EXPECT_EQ(done.thread, static_cast<uint64_t>(pthread_self()));
    EXPECT_TRUE(funcs->lpIsTransferComplete(t));
    EXPECT_TRUE(funcs->lpCloseTransfer(t));
    EXPECT_FALSE(funcs->lpCloseTransfer(t));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    DWORD bytes, error;
    EXPECT_FALSE(funcs->lpGetTransferStatus(t, &bytes, &error));
}

TEST_F(VendorTransfer, DelayedAnswerCompletesOnTheCompletionThreadAndCopiesDataOnlyThen)
{
    Completion done;
    uint8_t buffer[4];
    std::memset(buffer, 0xEE, sizeof buffer);
    device->answerNext(ControlOutcome::Completed, 4, 30000);
    const auto start = Clock::now();
    USB_TRANSFER t = issueIn(done, buffer, 4);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(buffer[0], 0xEE);
    DWORD bytes = 1, error = 0;
    EXPECT_TRUE(funcs->lpGetTransferStatus(t, &bytes, &error));
    EXPECT_EQ(error, USB_NOT_COMPLETE_ERROR);
    EXPECT_FALSE(funcs->lpIsTransferComplete(t));

    ASSERT_EQ(WaitForSingleObject(done.event, 2000), WAIT_OBJECT_0);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(25));
    EXPECT_NE(done.thread, static_cast<uint64_t>(pthread_self()));
    EXPECT_EQ(buffer[0], 2);
    EXPECT_TRUE(funcs->lpGetTransferStatus(t, &bytes, &error));
    EXPECT_EQ(bytes, 4u);
    EXPECT_EQ(error, USB_NO_ERROR);
    EXPECT_TRUE(funcs->lpCloseTransfer(t));
    EXPECT_EQ(done.calls, 1);
}

TEST_F(VendorTransfer, ClosingAPendingTransferCancelsItAndItsRoutineNeverRuns)
{
    Completion done;
    uint8_t buffer[4];
    std::memset(buffer, 0xEE, sizeof buffer);
    device->answerNext(ControlOutcome::Completed, 4, 20000);
    USB_TRANSFER t = issueIn(done, buffer, 4);
    ASSERT_NE(t, nullptr);
    EXPECT_TRUE(funcs->lpCloseTransfer(t));
    EXPECT_EQ(WaitForSingleObject(done.event, 100), WAIT_TIMEOUT);
    EXPECT_EQ(done.calls, 0);
    EXPECT_EQ(buffer[0], 0xEE);
}

TEST_F(VendorTransfer, WithheldCompletionTimesOutOnTheClientSideAndNeverCompletesAfterClose)
{
    device->answerNext(ControlOutcome::NoCompletion);
    uint8_t buffer[4] = {};
    DWORD bytes = 0, error = 0;
    const auto start = Clock::now();
    EXPECT_EQ(client->vendor(slot, TRUE, 127, 1, buffer, 4, 100, &bytes, &error), static_cast<DWORD>(ERROR_TIMEOUT));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(90));
    EXPECT_EQ(error, USB_NOT_COMPLETE_ERROR);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(client->completions(), 0);
    // the pipe is not halted: the next request goes through
    EXPECT_EQ(client->vendor(slot, TRUE, 127, 1, buffer, 4, 2000, &bytes, &error), 0u);
    EXPECT_EQ(client->completions(), 1);
}

TEST_F(VendorTransfer, StallHaltsTheDefaultPipeUntilTheClientResetsIt)
{
    device->answerNext(ControlOutcome::Stall);
    uint8_t buffer[4] = {};
    DWORD bytes = 0, error = 0;
    // the client's transport sees the stall and resets the halted pipe
    EXPECT_EQ(client->vendor(slot, TRUE, 2, 33, buffer, 4, 2000, &bytes, &error), static_cast<DWORD>(ERROR_GEN_FAILURE));
    EXPECT_EQ(error, USB_STALL_ERROR);
    EXPECT_EQ(device->pipeResets(), 1);
    BOOL halted = TRUE;
    EXPECT_TRUE(funcs->lpIsDefaultPipeHalted(handle, &halted));
    EXPECT_FALSE(halted);
    EXPECT_EQ(client->vendor(slot, TRUE, 2, 33, buffer, 4, 2000, &bytes, &error), 0u);
}

TEST_F(VendorTransfer, HaltedPipeRefusesTransfersWithoutReachingTheDevice)
{
    Completion first, second;
    uint8_t buffer[4] = {};
    device->answerNext(ControlOutcome::Stall);
    USB_TRANSFER t = issueIn(first, buffer, 4);
    funcs->lpCloseTransfer(t);
    BOOL halted = FALSE;
    EXPECT_TRUE(funcs->lpIsDefaultPipeHalted(handle, &halted));
    EXPECT_TRUE(halted);

    t = issueIn(second, buffer, 4);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(second.calls, 1);
    DWORD bytes = 0, error = 0;
    EXPECT_TRUE(funcs->lpGetTransferStatus(t, &bytes, &error));
    EXPECT_EQ(error, USB_STALL_ERROR);
    funcs->lpCloseTransfer(t);
    EXPECT_EQ(device->wire().size(), 1u);

    EXPECT_TRUE(funcs->lpResetDefaultPipe(handle));
    EXPECT_EQ(device->pipeResets(), 1);
    EXPECT_TRUE(funcs->lpIsDefaultPipeHalted(handle, &halted));
    EXPECT_FALSE(halted);
}

} // namespace
} // namespace qms::testing
