// The C forms of the thermocouple conversions give the very bits of the C++ functions.
#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

#include "qms6093.h"
#include "qms6093ext.h"

extern "C" {
float qms_c_tc_temp(float millivolts, uint16_t type);
float qms_c_tc_error_volts(float celsius, uint16_t type);
float qms_c_convert_temp_scale(float celsius, uint16_t scale);
}

namespace {

uint32_t Bits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

TEST(Conversions, CFormsGiveTheBitsOfTheCppFunctionsForEveryTypeAndScale)
{
    for (uint16_t type = 0; type <= TC_TYPE_COUNT; ++type) {
        SCOPED_TRACE(type);
        for (float mv = -10.0f; mv <= 75.0f; mv += 0.37f)
            ASSERT_EQ(Bits(qms_c_tc_temp(mv, type)), Bits(TcTemp(mv, type))) << mv;
        for (float c = -250.0f; c <= 1800.0f; c += 7.3f)
            ASSERT_EQ(Bits(qms_c_tc_error_volts(c, type)), Bits(TcErrorVolts(c, type))) << c;
    }
    for (uint16_t scale = 0; scale <= 4; ++scale)
        for (float c = -273.0f; c <= 1800.0f; c += 11.1f)
            ASSERT_EQ(Bits(qms_c_convert_temp_scale(c, scale)), Bits(ConvertTempScale(c, scale)));
}

TEST(Conversions, CFormsAnswerLikeTheCppFunctionsAtTheKnownPoints)
{
    EXPECT_NEAR(QmsTcTemp(4.096f, TC_TYPE_K), 100.0f, 0.06f); // the inverse is good to 0.05 degrees
    EXPECT_NEAR(QmsTcErrorVolts(100.0f, TC_TYPE_K), 4.096f, 0.001f);
    EXPECT_EQ(QmsTcTemp(4.096f, TC_TYPE_COUNT), 0.0f);
    EXPECT_EQ(QmsTcErrorVolts(100.0f, 256), 0.0f);
    EXPECT_FLOAT_EQ(QmsConvertTempScale(100.0f, TEMP_SCALE_FAHRENHEIT), 212.0f);
    EXPECT_FLOAT_EQ(QmsConvertTempScale(0.0f, TEMP_SCALE_KELVIN), 273.15f);
    EXPECT_FLOAT_EQ(QmsConvertTempScale(21.5f, 9), 21.5f);
}

} // namespace
