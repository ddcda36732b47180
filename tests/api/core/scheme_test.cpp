// The library's arithmetic and tables, without a module: result codes, scaling, the range
// tables, the answers to bad handles and DriverProc's dispatch.
#include <cstring>

#include <gtest/gtest.h>

#include "api/ai_scale.h"
#include "api/error_codes.h"
#include "api/gain_list.h"
#include "api/module_commands.h"
#include "qms6093.h"
#include "qms_platform.h"

using namespace qms::api;

TEST(ResultCodes, DriverErrorsMapToTheLibrarysNumbers)
{
    EXPECT_EQ(MapDriverError(0), 0u);
    EXPECT_EQ(MapDriverError(0x20000005u), 5u);
    EXPECT_EQ(MapDriverError(0x200001F5u), 501u);
    EXPECT_EQ(MapDriverError(56), 103u);
    EXPECT_EQ(MapDriverError(2), 101u);
    EXPECT_EQ(MapDriverError(6), 102u);
    EXPECT_EQ(MapDriverError(998), 105u);
    EXPECT_EQ(MapDriverError(0xFFFFFFFFu), 100u);
    EXPECT_EQ(MapDriverError(50), 50u);
}

TEST(ResultCodes, DriverCodeCarriesTheDeviceNumber)
{
    SetLastError(6);
    EXPECT_EQ(DriverError(3), 16486u);
    SetLastError(0x20000005u);
    EXPECT_EQ(DriverError(0), 4101u);
}

TEST(AIScale, ConvertsReadingsOfEveryRangeKind)
{
    float v = -1;
    EXPECT_EQ(AIScale(32768, 2.5f, 65535, 0, &v), 0u);
    EXPECT_FLOAT_EQ(v, 1.25f);
    EXPECT_EQ(AIScale(0, 20.0f, 65535, 0xC000, &v), 0u);
    EXPECT_FLOAT_EQ(v, 4.0f);
    EXPECT_EQ(AIScale(65535, 20.0f, 65535, 0x8000, &v), 0u);
    EXPECT_NEAR(v, 19.99969f, 1e-5f);
    // Maximum value 20 with offset 0 means the offset 32768.
    EXPECT_EQ(AIScale(32768, 20.0f, 65535, 0, &v), 0u);
    EXPECT_FLOAT_EQ(v, 0.0f);
}

TEST(AIScale, EqualCountsAreRefusedWithoutAResult)
{
    float v = 7.0f;
    EXPECT_EQ(AIScale(100, 2.5f, 1000, 1000, &v), 5u);
    EXPECT_EQ(v, 7.0f);
}

TEST(AIScale, RangeParametersOfTheVoltageAndCurrentRanges)
{
    ScaleParameters s{};
    ASSERT_TRUE(ScaleOfRange(QMS_RANGE_0_2500MV, &s));
    EXPECT_EQ(s.fullScale, 2.5f);
    EXPECT_EQ(s.offsetCount, 0);
    ASSERT_TRUE(ScaleOfRange(QMS_RANGE_0_20MA, &s));
    EXPECT_EQ(s.offsetCount, 32768);
    ASSERT_TRUE(ScaleOfRange(QMS_RANGE_4_20MA, &s));
    EXPECT_EQ(s.offsetCount, 0xC000);
    EXPECT_EQ(s.maxCount, 65535);
    EXPECT_FALSE(ScaleOfRange(0x0042, &s));
}

TEST(CjcOffsetCode, SpansMinusTenToTenAndClampsBothEnds)
{
    EXPECT_EQ(CjcOffsetCode(0.0f), 32768);
    EXPECT_EQ(CjcOffsetCode(-0.0001f), 32767);
    EXPECT_EQ(CjcOffsetCode(-10.0f), 0);
    EXPECT_EQ(CjcOffsetCode(10.0f), 65535);
    EXPECT_EQ(CjcOffsetCode(25.0f), 65535);
    // Below the span the code stays at 0 instead of wrapping to a large number.
    EXPECT_EQ(CjcOffsetCode(-10.5f), 0);
    EXPECT_EQ(CjcOffsetCode(-40.0f), 0);
}

TEST(GainList, SeventeenRowsAndTheFirstMatchWins)
{
    tagINTERNALGAINLIST rows[QMS_INTERNAL_GAIN_ROWS + 1];
    std::memset(rows, 0xAB, sizeof rows);
    uint16_t count = 0;
    EXPECT_EQ(RetrieveAllGainInfo(0, rows, &count), 0u);
    EXPECT_EQ(count, 17);
    EXPECT_EQ(std::memcmp(rows, InternalGainList(), 884), 0);
    const uint8_t *after = reinterpret_cast<const uint8_t *>(rows) + 884;
    EXPECT_EQ(after[0], 0xAB) << "only 17 rows of 52 bytes are written";

    EXPECT_EQ(rows[7].code, 0x8001u);
    EXPECT_EQ(rows[7].moduleCode, 0x1F);
    EXPECT_EQ(rows[14].name[0], u'E');
    EXPECT_EQ(FindInternalGainRow(0x0022), 9);  // K, not E
    EXPECT_EQ(FindInternalGainRow(0x001D), 15);
    EXPECT_EQ(FindInternalGainRow(0x0042), kNoRow);
    EXPECT_EQ(FindGainListIndex(0x8001), 7);
    EXPECT_EQ(FindGainListIndex(0x0012), kNoRow) << "thermocouple rows are not selectable";
}

TEST(DeviceFeaturesTable, HoldsTheDocumentedBytes)
{
    const auto *bytes = reinterpret_cast<const uint8_t *>(&Features());
    auto u16 = [&](size_t at) { uint16_t v; std::memcpy(&v, bytes + at, 2); return v; };
    auto u32 = [&](size_t at) { uint32_t v; std::memcpy(&v, bytes + at, 4); return v; };
    EXPECT_EQ(std::u16string(Features().version), u"Ver 2.4");
    EXPECT_EQ(std::u16string(Features().fileName), u"Qms6093.dll");
    EXPECT_EQ(u32(48), 198u);
    EXPECT_EQ(u16(52), 8);
    EXPECT_EQ(u16(58), 8);
    EXPECT_EQ(u16(60), 8);
    EXPECT_EQ(u16(68), 16);
    EXPECT_EQ(u16(70), 2);
    EXPECT_EQ(u16(76), 8);
    EXPECT_EQ(u32(784), 0x1101u);
    EXPECT_EQ(u16(80 + 44 * 5), 0x000F);
    EXPECT_EQ(std::u16string(Features().gainList[6].name), u"0-20mA");
    EXPECT_EQ(u16(80 + 44 * 8), 0) << "entries 8 to 15 are zero";
}

TEST(Handles, NullAndUnknownHandlesAreRefusedWithoutACrash)
{
    for (uint32_t handle : {0u, 0x6093u, 0xFFFFFFFFu}) {
        uint16_t word = 0x5A5A;
        float value = 3.0f;
        uint32_t size = 4;
        uint8_t buffer[800] = {};
        const uint16_t codes[] = {QMS_RANGE_0_1V};
        EXPECT_EQ(AIConfig(handle, 0, QMS_RANGE_0_1V), 3u);
        EXPECT_EQ(MAIVoltageIn(handle, 1, 0, codes, 0, &value), 3u);
        EXPECT_EQ(AIBinaryIn(handle, 0, 0, &word), 3u);
        EXPECT_EQ(StartAIConversion(handle), 3u);
        EXPECT_EQ(Complete_Calibration(handle), 3u);
        EXPECT_EQ(CheckEvent(handle, &word, 0), 3u);
        EXPECT_EQ(EnableEvent(handle, 1, 1, 1), 3u);
        EXPECT_EQ(DeviceGetFeatures(handle, reinterpret_cast<DeviceFeatures *>(buffer), 800), 3u);
        EXPECT_EQ(DeviceGetProperty(handle, 0, buffer, &size), 3u);
        EXPECT_EQ(DioReadPortByte(handle, 0, &word), 3u);
        EXPECT_EQ(DioWriteBit(handle, 0, 1, 1), 3u);
        EXPECT_EQ(DirectReadEEData(handle, 0x300, &size), 3);
        EXPECT_EQ(word, 0x5A5A);
        EXPECT_EQ(value, 3.0f);
    }
    uint32_t stale = 0x1234;
    EXPECT_EQ(DeviceClose(&stale), 0u);
    EXPECT_EQ(stale, 0x1234u) << "an unknown handle releases nothing";
    EXPECT_EQ(DeviceClose(nullptr), 3u);
}

TEST(DriverProcDispatch, UnsupportedCodesAndMissingBlocks)
{
    uint8_t block[32] = {};
    for (uint32_t code : {8u, 12u, 14u, 26u, 77u, 79u, 107u, 110u, 121u, 128u, 133u, 137u, 0xFFFFu})
        EXPECT_EQ(DriverProc(0, 0, code, 0x6093, block), 27u) << code;
    EXPECT_EQ(DriverProc(0, 0, FC_AI_CONFIG, 0x6093, nullptr), 10u);
    EXPECT_EQ(DriverProc(0, 0, FC_CHECK_EVENT, 0x6093, nullptr), 10u);
    EXPECT_EQ(DriverProc(0, 0, FC_DEVICE_OPEN, 0, nullptr), 10u);
}

TEST(DriverProcDispatch, AIScaleNeedsNoTargetAndUpperBitsAreIgnored)
{
    float result = 0.0f;
    AIScaleParams p{};
    p.reading = 32768;
    p.maxValue = 2.5f;
    p.maxCount = 65535;
    p.offsetCount = 0;
    p.result = &result;
    EXPECT_EQ(DriverProc(0, 0, FC_AI_SCALE, 0, &p), 0u);
    EXPECT_FLOAT_EQ(result, 1.25f);
    result = 0.0f;
    EXPECT_EQ(DriverProc(0, 0, 0x10000u | FC_AI_SCALE, 0, &p), 0u);
    EXPECT_FLOAT_EQ(result, 1.25f);
    // AIConfig through 0x10003 reaches AIConfig: an unknown handle gives its code 3, not 27.
    AIConfigParams config{0, QMS_RANGE_0_1V};
    EXPECT_EQ(DriverProc(0, 0, 0x10003u, 0x6093, &config), 3u);
}
