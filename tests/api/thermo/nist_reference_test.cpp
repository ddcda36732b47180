// The simulated module's thermocouple physics against values of the NIST ITS-90 tables.
#include "sim/nist_reference.h"

#include <cmath>

#include <gtest/gtest.h>

namespace {

using qms::sim::nist::emfMillivolts;
using qms::sim::nist::temperatureCelsius;

struct TableValue {
    char type;
    double celsius;
    double millivolts;  // as the NIST tables print it, to 0.001 mV
};

constexpr TableValue kTableValues[] = {
    {'K', 100.0, 4.096},   {'K', 1000.0, 41.276}, {'K', -100.0, -3.554}, {'K', 500.0, 20.644},
    {'K', 1372.0, 54.886}, {'K', -200.0, -5.891}, {'J', 100.0, 5.269},   {'J', 760.0, 42.919},
    {'J', 1200.0, 69.553}, {'J', -210.0, -8.095}, {'T', 100.0, 4.279},   {'T', 400.0, 20.872},
    {'T', -200.0, -5.603}, {'E', 100.0, 6.319},   {'E', 1000.0, 76.373}, {'E', -200.0, -8.825},
    {'N', 100.0, 2.774},   {'N', 1300.0, 47.513}, {'N', -200.0, -3.990}, {'N', 600.0, 20.613},
    {'S', 100.0, 0.646},   {'S', 1000.0, 9.587}, {'S', 250.0, 1.874},   {'R', 100.0, 0.647},
    {'R', 1768.1, 21.103}, {'R', 250.0, 1.923},   {'B', 100.0, 0.033},   {'B', 1820.0, 13.820},
    {'B', 700.0, 2.431},   {'B', 250.0, 0.291},   {'B', 1000.0, 4.834},  {'R', 1000.0, 10.506},
    {'J', -100.0, -4.633}, {'T', -100.0, -3.379}, {'E', 500.0, 37.005},  {'N', 500.0, 16.748},
};

constexpr char kTypes[] = {'J', 'K', 'S', 'T', 'B', 'R', 'E', 'N'};

struct Range {
    char type;
    double low, high;
};
constexpr Range kRanges[] = {{'J', -210.0, 1200.0}, {'K', -270.0, 1372.0}, {'S', -50.0, 1768.1},
                             {'T', -270.0, 400.0},  {'B', 0.0, 1820.0},    {'R', -50.0, 1768.1},
                             {'E', -270.0, 1000.0}, {'N', -270.0, 1300.0}};

TEST(NistReference, EmfMatchesTheNistTables)
{
    for (const TableValue &v : kTableValues) {
        EXPECT_NEAR(emfMillivolts(v.type, v.celsius), v.millivolts, 0.0005 + 1e-9)
            << v.type << " at " << v.celsius;
    }
}

TEST(NistReference, ZeroCelsiusGivesZeroEmfAndLowerCaseNamesTheSameType)
{
    for (char type : kTypes) {
        EXPECT_EQ(emfMillivolts(type, 0.0), 0.0) << type;
        EXPECT_EQ(emfMillivolts(static_cast<char>(type - 'A' + 'a'), 321.0), emfMillivolts(type, 321.0));
    }
}

TEST(NistReference, TypeKCarriesItsExponentialTermAboveZero)
{
    // Without a0 * exp(a1 * (t - a2)^2) type K would read 0.1186 mV low near 127 degrees C.
    EXPECT_NEAR(emfMillivolts('K', 126.9686), 5.2, 0.05);
    EXPECT_NEAR(emfMillivolts('K', 300.0), 12.209, 0.0005);
    // The two polynomials meet at 0 degrees C to within a microvolt.
    EXPECT_NEAR(emfMillivolts('K', 1e-9), 0.0, 2e-6);
}

TEST(NistReference, OutsideTheRangeOrUnknownTypeGivesNaN)
{
    for (const Range &r : kRanges) {
        EXPECT_FALSE(std::isnan(emfMillivolts(r.type, r.low))) << r.type;
        EXPECT_FALSE(std::isnan(emfMillivolts(r.type, r.high))) << r.type;
        EXPECT_TRUE(std::isnan(emfMillivolts(r.type, std::nextafter(r.low, -1e9)))) << r.type;
        EXPECT_TRUE(std::isnan(emfMillivolts(r.type, std::nextafter(r.high, 1e9)))) << r.type;
        EXPECT_TRUE(std::isnan(temperatureCelsius(r.type, emfMillivolts(r.type, r.high) + 1e-9)));
        if (r.type != 'B') {  // B's lowest EMF lies inside its range
            EXPECT_TRUE(std::isnan(temperatureCelsius(r.type, emfMillivolts(r.type, r.low) - 1e-9)));
        }
        EXPECT_TRUE(std::isnan(emfMillivolts(r.type, std::nan(""))));
        EXPECT_TRUE(std::isnan(temperatureCelsius(r.type, std::nan(""))));
    }
    EXPECT_TRUE(std::isnan(emfMillivolts('X', 100.0)));
    EXPECT_TRUE(std::isnan(emfMillivolts('\0', 100.0)));
    EXPECT_TRUE(std::isnan(temperatureCelsius('Q', 1.0)));
}

TEST(NistReference, EmfRisesOverEveryRange)
{
    for (const Range &r : kRanges) {
        // Type B falls below zero up to about 21 degrees C before it rises.
        const double start = r.type == 'B' ? 25.0 : r.low;
        double previous = emfMillivolts(r.type, start);
        for (double t = start + 0.05; t <= r.high; t += 0.05) {
            const double emf = emfMillivolts(r.type, t);
            ASSERT_GT(emf, previous) << r.type << " at " << t;
            previous = emf;
        }
    }
}

TEST(NistReference, InverseReturnsTheTemperatureWithinANanodegree)
{
    for (const Range &r : kRanges) {
        const double start = r.type == 'B' ? 25.0 : r.low;
        for (double t = start; t <= r.high; t += 0.37) {
            // Below -200 degrees C the curves flatten and the long polynomials' rounding noise
            // (about 1e-11 mV) alone moves the root by a few nanodegrees.
            const double tolerance = t < -200.0 ? 1e-7 : 1e-9;
            EXPECT_NEAR(temperatureCelsius(r.type, emfMillivolts(r.type, t)), t, tolerance) << r.type;
        }
        EXPECT_NEAR(temperatureCelsius(r.type, emfMillivolts(r.type, r.high)), r.high, 1e-9);
    }
    EXPECT_NEAR(temperatureCelsius('K', 4.096), 100.0, 0.02);
    EXPECT_NEAR(temperatureCelsius('J', 42.919), 760.0, 0.01);
}

TEST(NistReference, TypeBInverseUsesTheRisingBranch)
{
    // B's minimum: about -0.0026 mV near 21 degrees C; below it nothing answers.
    const double dip = emfMillivolts('B', 20.9);
    EXPECT_LT(dip, -0.0025);
    EXPECT_GT(dip, -0.0027);
    EXPECT_TRUE(std::isnan(temperatureCelsius('B', -0.003)));
    const double zero = temperatureCelsius('B', 0.0);
    EXPECT_GT(zero, 40.0);
    EXPECT_LT(zero, 43.0);
    EXPECT_NEAR(emfMillivolts('B', zero), 0.0, 1e-12);
    const double atDip = temperatureCelsius('B', -0.0025);
    EXPECT_GT(atDip, 20.9);
}

}  // namespace
