// TcTemp, TcErrorVolts and ConvertTempScale: bit-exact against an evaluation written here
// from the published rules (NIST coefficients rounded to binary32, breakpoint tests, Horner
// in single precision with every product and sum rounded, type K's exponential term), plus
// the values a user reads at known points.
#include "qms6093_thermo.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

namespace {
namespace nist {
#include "sim/nist_reference_coefficients.inc"
}

using nist::kNistThermocouples;
using nist::NistPolynomial;

constexpr unsigned short kTypeCount = 8;
constexpr const char *kTypeNames = "JKSTBREN";

// ---- Evaluation from the rules, independent of the library's tables -------------------------

int termCount(const NistPolynomial *segments, int count)
{
    int n = 0;
    for (int i = 0; i < count; ++i)
        n = std::max(n, segments[i].termCount);
    return n;
}

// Horner over n terms (short polynomials padded with zeros), each product and sum forced
// through a binary32 variable.
float horner(const NistPolynomial &p, int n, float x)
{
    volatile float accumulator = 0.0f;
    for (int i = n - 1; i >= 0; --i) {
        volatile float coefficient = i < p.termCount ? static_cast<float>(p.coefficients[i]) : 0.0f;
        volatile float product = accumulator * x;
        accumulator = product + coefficient;
    }
    return accumulator;
}

// First segment whose lower neighbour's end the input lies strictly below; the ends at 0
// (and type J's 760 degrees C going forward) are compared in single precision, every other
// one as a double against the widened input.
int segmentOf(const NistPolynomial *segments, int count, float x, bool singleAt760)
{
    for (int i = 1; i < count; ++i) {
        const double end = segments[i].low;
        const bool below = end == 0.0            ? x < 0.0f
                           : singleAt760 && end == 760.0 ? x < 760.0f
                                                         : static_cast<double>(x) < end;
        if (below)
            return i - 1;
    }
    return count - 1;
}

float expectedTemperature(float millivolts, unsigned short type)
{
    if (type >= kTypeCount)
        return 0.0f;
    const auto &tc = kNistThermocouples[type];
    const int segment = segmentOf(tc.inverse, tc.inverseCount, millivolts, false);
    return horner(tc.inverse[segment], termCount(tc.inverse, tc.inverseCount), millivolts);
}

float expectedEmf(float celsius, unsigned short type)
{
    if (type >= kTypeCount)
        return 0.0f;
    const auto &tc = kNistThermocouples[type];
    const int segment = segmentOf(tc.reference, tc.referenceCount, celsius, tc.type == 'J');
    volatile float emf = horner(tc.reference[segment], termCount(tc.reference, tc.referenceCount), celsius);
    if (tc.hasExponential && !(celsius < 0.0f)) {
        volatile float offset = celsius - static_cast<float>(tc.a2);
        const double squared = std::pow(static_cast<double>(offset), 2.0);
        const double exponent = static_cast<double>(static_cast<float>(tc.a1)) * squared;
        const double term = static_cast<double>(static_cast<float>(tc.a0)) * std::exp(exponent);
        volatile float rounded = static_cast<float>(term);
        emf = emf + rounded;
    }
    return emf;
}

bool sameBits(float a, float b) { return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b); }

// Dense inputs over [low, high] plus the 200 floats around every breakpoint and a few far
// extrapolations.
std::vector<float> grid(double low, double high, int steps, const NistPolynomial *segments, int count)
{
    std::vector<float> inputs;
    for (int i = 0; i <= steps; ++i)
        inputs.push_back(static_cast<float>(low + (high - low) * i / steps));
    for (int i = 1; i < count; ++i) {
        float x = static_cast<float>(segments[i].low);
        for (int k = 0; k < 100; ++k)
            x = std::nextafter(x, -1e9f);
        for (int k = 0; k < 200; ++k, x = std::nextafter(x, 1e9f))
            inputs.push_back(x);
    }
    for (float far : {-1e4f, -1e3f, 3e3f, 1e4f, 1e6f, -0.0f, 0.0f, 1e-30f, -1e-30f})
        inputs.push_back(far);
    return inputs;
}

// ---- Bit-exactness --------------------------------------------------------------------------

TEST(ThermocoupleExactness, TcTempMatchesTheRulesBitForBitOnADenseGrid)
{
    for (unsigned short type = 0; type < kTypeCount; ++type) {
        const auto &tc = kNistThermocouples[type];
        const double low = tc.inverse[0].low - 2.0;
        const double high = tc.inverse[tc.inverseCount - 1].high + 5.0;
        int mismatches = 0;
        for (float mv : grid(low, high, 200000, tc.inverse, tc.inverseCount)) {
            const float got = TcTemp(mv, type);
            const float want = expectedTemperature(mv, type);
            if (!sameBits(got, want) && ++mismatches <= 5)
                ADD_FAILURE() << kTypeNames[type] << " at " << std::hexfloat << mv << " mV: " << got
                              << " instead of " << want;
        }
        EXPECT_EQ(mismatches, 0) << kTypeNames[type];
    }
}

TEST(ThermocoupleExactness, TcErrorVoltsMatchesTheRulesBitForBitOnADenseGrid)
{
    for (unsigned short type = 0; type < kTypeCount; ++type) {
        const auto &tc = kNistThermocouples[type];
        const double low = tc.reference[0].low - 30.0;
        const double high = tc.reference[tc.referenceCount - 1].high + 100.0;
        int mismatches = 0;
        for (float t : grid(low, high, 200000, tc.reference, tc.referenceCount)) {
            const float got = TcErrorVolts(t, type);
            const float want = expectedEmf(t, type);
            if (!sameBits(got, want) && ++mismatches <= 5)
                ADD_FAILURE() << kTypeNames[type] << " at " << std::hexfloat << t << " C: " << got
                              << " instead of " << want;
        }
        EXPECT_EQ(mismatches, 0) << kTypeNames[type];
    }
}

TEST(ThermocoupleExactness, ResultsAreTheSameBitsOnEveryPlatform)
{
    // Bits of this arithmetic as any conforming platform produces them.
    const float emfAt100[kTypeCount] = {0x1.5135ecp+2f, 0x1.0628a4p+2f, 0x1.4ab51cp-1f, 0x1.11d34p+2f,
                                        0x1.100232p-5f, 0x1.4b778p-1f,  0x1.94695cp+2f, 0x1.63168p+1f};
    const float celsiusBack[kTypeCount] = {0x1.90142ap+6f, 0x1.8fe01cp+6f, 0x1.8ffc0ep+6f, 0x1.9004c6p+6f,
                                           0x1.e3083ap+6f, 0x1.8ffa6ep+6f, 0x1.8ffe9p+6f,  0x1.8ff038p+6f};
    for (unsigned short type = 0; type < kTypeCount; ++type) {
        EXPECT_PRED2(sameBits, TcErrorVolts(100.0f, type), emfAt100[type]) << kTypeNames[type];
        EXPECT_PRED2(sameBits, TcTemp(emfAt100[type], type), celsiusBack[type]) << kTypeNames[type];
    }
    EXPECT_PRED2(sameBits, TcErrorVolts(0.0f, TC_TYPE_K), 0x1p-29f);
}

// ---- Values a user reads --------------------------------------------------------------------

TEST(ThermocoupleValues, EmfAt100CelsiusForAllEightTypes)
{
    const double millivolts[kTypeCount] = {5.2689, 4.0962, 0.6459, 4.2785, 0.0332, 0.6474, 6.3189, 2.7741};
    for (unsigned short type = 0; type < kTypeCount; ++type)
        EXPECT_NEAR(TcErrorVolts(100.0f, type), millivolts[type], 0.00005) << kTypeNames[type];
}

TEST(ThermocoupleValues, TypeKAtZeroTakesTheUpperSegment)
{
    EXPECT_EQ(TcTemp(0.0f, TC_TYPE_K), 0.0f);
    const float emf = TcErrorVolts(0.0f, TC_TYPE_K);
    // c0 of 0..1372 degrees C and the exponential term cancel to within 10 nV, not to zero.
    EXPECT_NE(emf, 0.0f);
    EXPECT_NEAR(emf, 0.0f, 0.00001);
    EXPECT_EQ(TcErrorVolts(-0.0f, TC_TYPE_K), emf);  // -0 is not below 0 either
    EXPECT_EQ(TcErrorVolts(std::nextafter(0.0f, -1.0f), TC_TYPE_K), 0.0f);
}

TEST(ThermocoupleValues, BreakpointsFallOnTheSideTheirFloatLiesOn)
{
    const auto &j = kNistThermocouples[TC_TYPE_J];
    // The float nearest 42.919 lies below it: 0..760 degrees C polynomial.
    EXPECT_EQ(TcTemp(42.919f, TC_TYPE_J), horner(j.inverse[1], 9, 42.919f));
    EXPECT_NE(TcTemp(42.919f, TC_TYPE_J), horner(j.inverse[2], 9, 42.919f));
    EXPECT_NEAR(TcTemp(42.919f, TC_TYPE_J), 760.04, 0.01);
    // The float nearest 42.92: 760..1200 degrees C polynomial.
    EXPECT_EQ(TcTemp(42.92f, TC_TYPE_J), horner(j.inverse[2], 9, 42.92f));
    EXPECT_NEAR(TcTemp(42.92f, TC_TYPE_J), 759.99, 0.01);
    // 760 and 1664.5 are floats themselves and start the upper segments.
    EXPECT_EQ(TcErrorVolts(760.0f, TC_TYPE_J), horner(j.reference[1], 9, 760.0f));
    EXPECT_NE(TcErrorVolts(760.0f, TC_TYPE_J), horner(j.reference[0], 9, 760.0f));
    const auto &s = kNistThermocouples[TC_TYPE_S];
    EXPECT_EQ(TcErrorVolts(1664.5f, TC_TYPE_S), horner(s.reference[2], 9, 1664.5f));
    EXPECT_NE(TcErrorVolts(1664.5f, TC_TYPE_S), horner(s.reference[1], 9, 1664.5f));
    // The float nearest 11.361 lies above it: R's 1064..1664.5 degrees C polynomial.
    const auto &r = kNistThermocouples[TC_TYPE_R];
    EXPECT_EQ(TcTemp(11.361f, TC_TYPE_R), horner(r.inverse[2], 11, 11.361f));
}

TEST(ThermocoupleValues, InputsBeyondTheRangeAreExtrapolated)
{
    const auto &k = kNistThermocouples[TC_TYPE_K];
    const float celsius = TcTemp(60.0f, TC_TYPE_K);  // K ends at 54.886 mV
    EXPECT_EQ(celsius, horner(k.inverse[2], 10, 60.0f));
    EXPECT_GT(celsius, 1372.0f);
    EXPECT_TRUE(std::isfinite(celsius));
    EXPECT_LT(TcErrorVolts(-300.0f, TC_TYPE_T), TcErrorVolts(-270.0f, TC_TYPE_T) + 1.0f);
}

TEST(ThermocoupleValues, UnknownTypeGivesZero)
{
    for (unsigned short type : {8, 9, 255, 0x8000, 65535}) {
        for (float x : {0.0f, 4.096f, 100.0f, -50.0f, std::numeric_limits<float>::quiet_NaN()}) {
            EXPECT_PRED2(sameBits, TcTemp(x, type), 0.0f) << type;
            EXPECT_PRED2(sameBits, TcErrorVolts(x, type), 0.0f) << type;
        }
    }
}

// Temperature to EMF and back over every temperature range the inverse functions cover.
// The inverse polynomials are good to 0.07 degrees C in single precision; only type T from
// -200 to about -184 degrees C loses more, because its 15-term polynomial cancels there.
TEST(ThermocoupleValues, RoundTripReturnsTheTemperature)
{
    for (unsigned short type = 0; type < kTypeCount; ++type) {
        const auto &tc = kNistThermocouples[type];
        const double low = tc.inverseCelsius[0][0];
        const double high = tc.inverseCelsius[tc.inverseCount - 1][1];
        double worst = 0.0;
        double worstAt = low;
        for (double t = low; t <= high + 1e-9; t += 0.005) {
            const float celsius = static_cast<float>(t);
            const double deviation = std::fabs(TcTemp(TcErrorVolts(celsius, type), type) - celsius);
            const double bound = tc.type == 'T' && t < -184.0 ? 0.13 : 0.07;
            if (deviation > bound && deviation > worst) {
                worst = deviation;
                worstAt = t;
            }
        }
        EXPECT_EQ(worst, 0.0) << kTypeNames[type] << " is off by " << worst << " at " << worstAt;
    }
}

TEST(ThermocoupleValues, TypeTLosesOverTheRoundTripOnlyBelowMinus184)
{
    double worstBelow = 0.0;
    for (double t = -200.0; t < -184.0; t += 0.001) {
        const float celsius = static_cast<float>(t);
        worstBelow = std::max<double>(worstBelow, std::fabs(TcTemp(TcErrorVolts(celsius, TC_TYPE_T), TC_TYPE_T) - celsius));
    }
    EXPECT_GT(worstBelow, 0.07);
    EXPECT_LE(worstBelow, 0.13);
}

TEST(TempScaleConversion, HundredCelsiusInEveryScale)
{
    EXPECT_EQ(ConvertTempScale(100.0f, TEMP_SCALE_CELSIUS), 100.0f);
    EXPECT_EQ(ConvertTempScale(100.0f, TEMP_SCALE_FAHRENHEIT), 212.0f);
    EXPECT_EQ(ConvertTempScale(100.0f, TEMP_SCALE_RANKINE), 671.67f);
    EXPECT_EQ(ConvertTempScale(100.0f, TEMP_SCALE_KELVIN), 373.15f);
    EXPECT_EQ(ConvertTempScale(100.0f, 7), 100.0f);
    EXPECT_EQ(ConvertTempScale(100.0f, 65535), 100.0f);
}

TEST(TempScaleConversion, ComputedInDoubleAndRoundedOnce)
{
    // In single precision -40.1 * 1.8 + 32 would round twice.
    for (float c : {-40.1f, -273.15f, 0.3f, 1234.567f, 21.7f}) {
        EXPECT_EQ(ConvertTempScale(c, TEMP_SCALE_FAHRENHEIT), static_cast<float>(static_cast<double>(c) * 1.8 + 32.0));
        EXPECT_EQ(ConvertTempScale(c, TEMP_SCALE_RANKINE), static_cast<float>(static_cast<double>(c) * 1.8 + 491.67));
        EXPECT_EQ(ConvertTempScale(c, TEMP_SCALE_KELVIN), static_cast<float>(static_cast<double>(c) + 273.15));
    }
    EXPECT_EQ(ConvertTempScale(-40.0f, TEMP_SCALE_FAHRENHEIT), -40.0f);
    EXPECT_EQ(ConvertTempScale(-273.15f, TEMP_SCALE_KELVIN), static_cast<float>(static_cast<double>(-273.15f) + 273.15));
}

}  // namespace
