// Piecewise polynomials of the thermocouple conversions, held in binary32, and their
// evaluation, every product and sum rounded to binary32 on its own.
#ifndef QMS_API_THERMO_TC_POLYNOMIAL_H
#define QMS_API_THERMO_TC_POLYNOMIAL_H

#include "exact_float_arithmetic.h"

namespace qms::thermo {

// The segments of one type in one direction. breakpoints[i] ends segment i (segmentCount - 1
// of them); the coefficients are segmentCount rows of termCount floats, lowest power first,
// short polynomials padded with zeros.
struct TcPolynomialTable {
    unsigned segmentCount;
    unsigned termCount;
    const double *breakpoints;
    const float *coefficients;
};

// Index of the first segment whose breakpoint x lies strictly below, the last one otherwise.
// x is widened to double for the test. Breakpoints at 0 and 760 are exact binary32 values, so
// for them the widened test answers exactly as a single-precision one would.
inline unsigned selectSegment(const TcPolynomialTable &table, float x)
{
    const double widened = x;
    for (unsigned i = 0; i + 1 < table.segmentCount; ++i) {
        if (widened < table.breakpoints[i])
            return i;
    }
    return table.segmentCount - 1;
}

// Horner's rule over all termCount coefficients of a segment, highest power first, from an
// accumulator of 0: accumulator = accumulator * x + c[i], product and sum each rounded.
inline float evaluateSegment(const TcPolynomialTable &table, unsigned segment, float x)
{
    const float *c = table.coefficients + segment * table.termCount;
    float accumulator = 0.0f;
    for (unsigned i = table.termCount; i-- > 0;) {
        const float product = accumulator * x;
        accumulator = product + c[i];
    }
    return accumulator;
}

}  // namespace qms::thermo

#endif
