// Constant tables of the base package.
#include <cmath>

#include "zel_base.h"

namespace zel {

namespace {

// lgammal works in 80-bit precision, a few units in the last place of
// extended, so rounding it to double gives the nearest double to ln n! (the
// naive sum of logarithms would pile up n rounding errors instead).
std::array<double, uc_LnFactorialSize> MakeLnFactorialTable() {
  std::array<double, uc_LnFactorialSize> t{};
  for (std::size_t n = 0; n < t.size(); ++n) t[n] = static_cast<double>(std::lgamma(static_cast<long double>(n) + 1.0L));
  return t;
}

}  // namespace

const std::array<double, uc_LnFactorialSize> uc_LnFactorial = MakeLnFactorialTable();

}  // namespace zel
