// One 4-byte IN vendor request through the host stack to a device that answers at once:
// IssueVendorTransfer, inline completion, GetTransferStatus, CloseTransfer.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "platform/usbd/bus.h"

#include "tests/platform/usbd/test_client_library.h"

namespace {

class InstantDevice : public qms::usbd::SimulatedBusDevice {
public:
    qms::usbd::DeviceIdentity identity() const override
    {
        return {0x1234, 0x5678, 0x0100, 0, 0, 0, 0, 0xFF, 0, 0};
    }
    qms::usbd::ControlResult control(const qms::usbd::SetupPacket &setup, uint8_t *data) override
    {
        std::memset(data, 0x5A, setup.wLength);
        return {qms::usbd::ControlOutcome::Completed, setup.wLength, 0};
    }
};

DWORD countCompletion(LPVOID counter)
{
    ++*static_cast<unsigned *>(counter);
    return 0;
}

void VendorInRoundTrip(benchmark::State &state)
{
    qms_platform_start();
    {
        qms::testing::TestClientLibrary client;
        client.install();
        qms::usbd::plugDevice(std::make_shared<InstantDevice>());
        const USB_FUNCS *funcs = client.funcs(0);
        const USB_HANDLE device = client.device(0);
        if (!funcs) {
            state.SkipWithError("test client did not attach");
            qms_platform_shutdown();
            return;
        }
        const USB_DEVICE_REQUEST setup = {0xC0, 127, 1, 0, 4};
        uint8_t reply[4];
        unsigned completions = 0;
        for (auto _ : state) {
            USB_TRANSFER transfer = funcs->lpIssueVendorTransfer(
                device, countCompletion, &completions, USB_IN_TRANSFER | USB_SHORT_TRANSFER_OK,
                &setup, reply, 0);
            DWORD bytes = 0, error = 0;
            funcs->lpGetTransferStatus(transfer, &bytes, &error);
            funcs->lpCloseTransfer(transfer);
            benchmark::DoNotOptimize(bytes);
            benchmark::DoNotOptimize(reply);
        }
        if (completions != state.iterations())
            state.SkipWithError("a completion went missing");
        qms_platform_shutdown();
    }
}
BENCHMARK(VendorInRoundTrip)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
