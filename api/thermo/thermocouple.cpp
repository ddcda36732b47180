// TcTemp and TcErrorVolts: thermocouple EMF to temperature and back, NIST ITS-90 polynomials
// evaluated in single precision.
#include "exact_float_arithmetic.h"

#include <cmath>

#include "qms6093_thermo.h"
#include "tc_polynomial.h"

namespace qms::thermo {
namespace {

#include "tc_coefficients.inc"

static_assert(sizeof(kReferenceTables) / sizeof(kReferenceTables[0]) == TC_TYPE_COUNT);
static_assert(sizeof(kInverseTables) / sizeof(kInverseTables[0]) == TC_TYPE_COUNT);

// Type K's upper segment: a0 * exp(a1 * (t - a2)^2). The difference is taken in single
// precision, everything after it in double, and the term is rounded to float once. The
// square of a widened float is exact in double, so the product below is the value a
// double-precision pow(d, 2.0) returns.
float typeKExponentialTerm(float celsius)
{
    const float offset = celsius - kTypeKExponentialA2;
    const double widened = offset;
    const double square = widened * widened;
    const double exponent = static_cast<double>(kTypeKExponentialA1) * square;
    const double term = static_cast<double>(kTypeKExponentialA0) * std::exp(exponent);
    return static_cast<float>(term);
}

}  // namespace
}  // namespace qms::thermo

float TcTemp(float millivolts, unsigned short type)
{
    using namespace qms::thermo;
    if (type >= TC_TYPE_COUNT)
        return 0.0f;
    const TcPolynomialTable &table = kInverseTables[type];
    return evaluateSegment(table, selectSegment(table, millivolts), millivolts);
}

float TcErrorVolts(float celsius, unsigned short type)
{
    using namespace qms::thermo;
    if (type >= TC_TYPE_COUNT)
        return 0.0f;
    const TcPolynomialTable &table = kReferenceTables[type];
    const unsigned segment = selectSegment(table, celsius);
    const float polynomial = evaluateSegment(table, segment, celsius);
    // Type K's second segment starts at 0 degrees Celsius and carries the exponential term.
    if (type == TC_TYPE_K && segment == 1)
        return polynomial + typeKExponentialTerm(celsius);
    return polynomial;
}
