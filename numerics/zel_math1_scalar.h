// Scalar functions, scales, primes, bit helpers and random numbers.
#pragma once

#include "zel_base.h"

namespace zel {

/// Error raised by the scalar-mathematics routines.
ZEL_DECLARE_EXCEPTION(EZELMath1Error, EZELError)

}  // namespace zel
