// Guarded float-to-integer conversions and the range rule of the components.
#include "zel_numeric.h"

#include <utility>

namespace zel {

namespace {

// Saturating conversion of an integral long double (NaN already excluded).
// The bounds are compared in long double, where both 2^31 and 2^63 are exact,
// so no value just outside the range slips through a rounded comparison.
template <typename Int>
Int SaturateIntegral(long double R) noexcept {
  constexpr long double kLimit = static_cast<long double>(std::numeric_limits<Int>::max()) + 1.0L;
  if (R >= kLimit) return std::numeric_limits<Int>::max();
  if (R < -kLimit) return std::numeric_limits<Int>::min();
  return static_cast<Int>(R);
}

}  // namespace

std::int32_t RoundToInt(long double X) noexcept {
  if (std::isnan(X)) return 0;
  return SaturateIntegral<std::int32_t>(std::nearbyintl(X));
}

std::int32_t TruncToInt(long double X) noexcept {
  if (std::isnan(X)) return 0;
  return SaturateIntegral<std::int32_t>(std::truncl(X));
}

std::int64_t RoundToInt64(long double X) noexcept {
  if (std::isnan(X)) return 0;
  return SaturateIntegral<std::int64_t>(std::nearbyintl(X));
}

std::int64_t TruncToInt64(long double X) noexcept {
  if (std::isnan(X)) return 0;
  return SaturateIntegral<std::int64_t>(std::truncl(X));
}

bool FitsInt32(long double X) noexcept {
  if (!std::isfinite(X)) return false;
  const long double r = std::nearbyintl(X);
  return r >= static_cast<long double>(std::numeric_limits<std::int32_t>::min()) &&
         r <= static_cast<long double>(std::numeric_limits<std::int32_t>::max());
}

bool MakeValidRange(int& Low, int& High, int Count) noexcept {
  if (Count < 1) {
    Low = 0;
    High = 0;
    return false;
  }
  if (Low == 0 && High == 0) {
    Low = 1;
    High = Count;
    return true;
  }
  if (Low > High) std::swap(Low, High);
  auto clip = [Count](int v) { return v < 1 ? 1 : (v > Count ? Count : v); };
  Low = clip(Low);
  High = clip(High);
  return true;
}

}  // namespace zel
