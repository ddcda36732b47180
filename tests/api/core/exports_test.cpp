// The shared library as an application links it.
#include <gtest/gtest.h>

#include "qms6093.h"
#include "qms6093ext.h"

TEST(Exports, ConversionsAndTheEntryPointAreThere)
{
    float result = 0.0f;
    EXPECT_EQ(AIScale(65535, 20.0f, 65535, 0x8000, &result), 0u);
    EXPECT_NEAR(result, 19.99969f, 1e-5f);
    EXPECT_NEAR(TcTemp(TcErrorVolts(100.0f, TC_TYPE_K), TC_TYPE_K), 100.0f, 0.06f);
    EXPECT_EQ(DriverProc(0, 0, 8, 0, &result), 27u);
    // The temperature reader is part of the library: code 13 reaches it (and its handle check).
    TCMuxReadParams tc{};
    tc.result = &result;
    EXPECT_EQ(DriverProc(0, 0, FC_TC_MUX_READ, 0, &tc), 3u);
    // So is the scan, by its plain name.
    const uint16_t types[1] = {TC_TYPE_K};
    uint32_t status = 0;
    EXPECT_EQ(QmsTcScan(0, 0, 1, types, TEMP_SCALE_CELSIUS, &result, &status), 3u);
    uint32_t handle = 1;
    EXPECT_EQ(DeviceClose(&handle), 0u);
    EXPECT_EQ(DllMain(nullptr, 1, nullptr), 1);
}
