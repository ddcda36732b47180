// Every file of the thermocouple conversion includes this first: its results are the same
// bits on every platform only if each float and double operation is rounded on its own, with
// no wider intermediate (x87) and no fused multiply-add. The build passes -ffp-contract=off
// (and SSE arithmetic on 32-bit x86); this header makes a build without them fail or behave.
#ifndef QMS_API_THERMO_EXACT_FLOAT_ARITHMETIC_H
#define QMS_API_THERMO_EXACT_FLOAT_ARITHMETIC_H

#include <cfloat>

static_assert(FLT_EVAL_METHOD == 0, "float and double arithmetic must be evaluated in their own precision");

// Clang contracts a * b + c within one expression unless told otherwise; the pragma holds for
// the rest of the including file.
#if defined(__clang__)
#pragma clang fp contract(off)
#endif

#endif
