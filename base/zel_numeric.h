// Numeric rules shared by every unit: rounding to integers, guarded
// float-to-integer conversion and the clipping rule of index ranges.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace zel {

/// Nearest integral value, ties to even (the library's rounding everywhere
/// unless a routine says otherwise). NaN and infinities are returned as is.
inline double RoundHalfEven(double X) noexcept { return std::nearbyint(X); }
inline long double RoundHalfEven(long double X) noexcept { return std::nearbyintl(X); }

/// Rounds half away from zero (only where a routine asks for it).
inline double RoundHalfAway(double X) noexcept { return std::round(X); }

/// X rounded half-even to a 32-bit integer. NaN gives 0; values beyond the
/// range saturate to INT32_MIN / INT32_MAX.
std::int32_t RoundToInt(long double X) noexcept;
/// X truncated toward zero to a 32-bit integer, NaN 0, saturating.
std::int32_t TruncToInt(long double X) noexcept;
/// 64-bit versions of the two conversions.
std::int64_t RoundToInt64(long double X) noexcept;
std::int64_t TruncToInt64(long double X) noexcept;

/// True when X rounds (half-even) to an integer that fits in int32.
bool FitsInt32(long double X) noexcept;

/// The range rule of all components: both bounds 0 mean the whole extent
/// 1..Count; otherwise reversed bounds are exchanged and each bound is
/// clipped to 1..Count. Count < 1 gives Low = High = 0 and false.
bool MakeValidRange(int& Low, int& High, int Count) noexcept;

/// Wrapping 32-bit arithmetic, done in unsigned so overflow is defined.
inline std::int32_t WrapAdd32(std::int32_t A, std::int32_t B) noexcept {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(A) + static_cast<std::uint32_t>(B));
}
inline std::int32_t WrapSub32(std::int32_t A, std::int32_t B) noexcept {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(A) - static_cast<std::uint32_t>(B));
}
inline std::int32_t WrapMul32(std::int32_t A, std::int32_t B) noexcept {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(A) * static_cast<std::uint32_t>(B));
}

}  // namespace zel
