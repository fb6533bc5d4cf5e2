// Scalar mathematics: scalar functions, scales, primes, bit helpers and
// random numbers (zel_math1_scalar.h); number text: scanning and writing
// numbers in the library's notations (zel_math1_text.h); sorting, selection,
// interpolation and plane geometry (zel_math1_sort.h).
#pragma once

#include "zel_math1_scalar.h"
#include "zel_math1_sort.h"
#include "zel_math1_text.h"
