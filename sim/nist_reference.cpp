// NIST ITS-90 thermocouple reference functions in double precision, and their numerical
// inverse, for the simulated module's thermocouple inputs.
#include "nist_reference.h"

#include <cmath>
#include <limits>

namespace qms::sim::nist {
namespace {

#include "nist_reference_coefficients.inc"

constexpr double kNotANumber = std::numeric_limits<double>::quiet_NaN();

const NistThermocouple *findThermocouple(char type)
{
    if (type >= 'a' && type <= 'z')
        type = static_cast<char>(type - 'a' + 'A');
    for (const NistThermocouple &tc : kNistThermocouples) {
        if (tc.type == type)
            return &tc;
    }
    return nullptr;
}

double evaluate(const NistPolynomial &p, double x)
{
    double sum = 0.0;
    for (int i = p.termCount - 1; i >= 0; --i)
        sum = sum * x + p.coefficients[i];
    return sum;
}

double lowestCelsius(const NistThermocouple &tc) { return tc.reference[0].low; }
double highestCelsius(const NistThermocouple &tc) { return tc.reference[tc.referenceCount - 1].high; }

// The reference function without range check; t must lie within the type's range.
double referenceEmf(const NistThermocouple &tc, double t)
{
    int segment = 0;
    while (segment < tc.referenceCount - 1 && t > tc.reference[segment].high)
        ++segment;
    double emf = evaluate(tc.reference[segment], t);
    // Type K's exponential term belongs to its upper polynomial (0 to 1372 degrees Celsius).
    if (tc.hasExponential && segment == tc.referenceCount - 1) {
        const double d = t - tc.a2;
        emf += tc.a0 * std::exp(tc.a1 * d * d);
    }
    return emf;
}

// Start of the part of the range on which the reference function rises. Every type rises over
// its whole range except B, which first dips below zero; golden-section search finds B's
// minimum once.
double risingFromCelsius(const NistThermocouple &tc)
{
    if (tc.type != 'B')
        return lowestCelsius(tc);
    static const double minimum = [&tc] {
        const double ratio = (std::sqrt(5.0) - 1.0) / 2.0;
        double a = lowestCelsius(tc);
        double b = a + 100.0;
        for (int i = 0; i < 200 && b - a > 1e-12; ++i) {
            const double c = b - ratio * (b - a);
            const double d = a + ratio * (b - a);
            if (referenceEmf(tc, c) < referenceEmf(tc, d))
                b = d;
            else
                a = c;
        }
        return a + (b - a) / 2.0;
    }();
    return minimum;
}

}  // namespace

double emfMillivolts(char type, double t90Celsius)
{
    const NistThermocouple *tc = findThermocouple(type);
    if (tc == nullptr || !(t90Celsius >= lowestCelsius(*tc) && t90Celsius <= highestCelsius(*tc)))
        return kNotANumber;
    return referenceEmf(*tc, t90Celsius);
}

double temperatureCelsius(char type, double emfMillivolts)
{
    const NistThermocouple *tc = findThermocouple(type);
    if (tc == nullptr)
        return kNotANumber;
    double low = risingFromCelsius(*tc);
    double high = highestCelsius(*tc);
    if (!(emfMillivolts >= referenceEmf(*tc, low) && emfMillivolts <= referenceEmf(*tc, high)))
        return kNotANumber;
    // Bisection keeps emf(low) <= emfMillivolts <= emf(high); 60 halvings of a range under
    // 2100 degrees Celsius end far below the 1e-10 degree Celsius width.
    for (int i = 0; i < 60 && high - low > 1e-10; ++i) {
        const double middle = low + (high - low) / 2.0;
        if (referenceEmf(*tc, middle) < emfMillivolts)
            low = middle;
        else
            high = middle;
    }
    return low + (high - low) / 2.0;
}

}  // namespace qms::sim::nist
