// The 10-byte extended format, built from the value rather than from the
// machine's memory layout of long double.
//
// Finite values are split with frexpl/ldexpl, which are exact in this format;
// NaNs are described by their sign, quiet bit and payload through the C23
// payload functions, so signalling NaNs survive both directions.
#include "zel_extended.h"

#include <cfloat>
#include <cmath>
#include <math.h>  // getpayloadl, setpayloadl, setpayloadsigl, issignaling (C23 / glibc)

namespace zel {

namespace {

constexpr int kExpBias = 16383;
constexpr std::uint16_t kExpMax = 0x7FFF;
constexpr std::uint64_t kIntegerBit = 0x8000000000000000ULL;
constexpr std::uint64_t kQuietBit = 0x4000000000000000ULL;
constexpr std::uint64_t kPayloadMask = kQuietBit - 1;
// A denormal is its 64-bit significand times 2^-16445 (LDBL_TRUE_MIN).
constexpr int kDenormShift = kExpBias - 1 + 63;

TExtendedBytes Pack(bool Negative, std::uint16_t Exp, std::uint64_t Mant) noexcept {
  TExtendedBytes b{};
  for (int i = 0; i < 8; ++i) b[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(Mant >> (8 * i));
  const std::uint16_t se = static_cast<std::uint16_t>((Negative ? 0x8000u : 0u) | (Exp & kExpMax));
  b[8] = static_cast<std::uint8_t>(se & 0xFF);
  b[9] = static_cast<std::uint8_t>(se >> 8);
  return b;
}

// The processor's default NaN ("real indefinite"): what an operation on an
// encoding it does not support produces.
long double IndefiniteNaN() noexcept {
  long double q;
  setpayloadl(&q, 0.0L);
  return -q;
}

}  // namespace

TExtendedBytes EncodeExtended(long double X) noexcept {
  const bool neg = std::signbit(X);
  if (std::isnan(X)) {
    const long double payload = getpayloadl(&X);
    std::uint64_t mant = kIntegerBit;
    if (!issignaling(X)) mant |= kQuietBit;
    if (payload > 0) mant |= static_cast<std::uint64_t>(payload) & kPayloadMask;
    return Pack(neg, kExpMax, mant);
  }
  if (std::isinf(X)) return Pack(neg, kExpMax, kIntegerBit);
  if (X == 0) return Pack(neg, 0, 0);

  const long double a = std::fabs(X);
  int e = 0;
  const long double f = std::frexp(a, &e);  // a = f * 2^e, 0.5 <= f < 1
  const int biased = e - 1 + kExpBias;
  if (biased >= 1) {
    // f * 2^64 is the significand with its integer bit, an exact integer.
    return Pack(neg, static_cast<std::uint16_t>(biased), static_cast<std::uint64_t>(std::ldexp(f, 64)));
  }
  return Pack(neg, 0, static_cast<std::uint64_t>(std::ldexp(a, kDenormShift)));
}

long double DecodeExtended(const TExtendedBytes& Bytes) noexcept {
  std::uint64_t mant = 0;
  for (int i = 7; i >= 0; --i) mant = (mant << 8) | Bytes[static_cast<std::size_t>(i)];
  const std::uint16_t se = static_cast<std::uint16_t>(Bytes[8] | (Bytes[9] << 8));
  const bool neg = (se & 0x8000u) != 0;
  const int exp = se & kExpMax;
  const bool integerBit = (mant & kIntegerBit) != 0;

  long double v;
  if (exp == kExpMax) {
    if (!integerBit) return IndefiniteNaN();  // pseudo-infinity or pseudo-NaN
    const std::uint64_t fraction = mant & ~kIntegerBit;
    if (fraction == 0) {
      v = HUGE_VALL;
    } else {
      const long double payload = static_cast<long double>(fraction & kPayloadMask);
      if (fraction & kQuietBit)
        setpayloadl(&v, payload);
      else
        setpayloadsigl(&v, payload);  // payload != 0 here, so this succeeds
    }
  } else if (exp == 0) {
    // Denormals, and pseudo-denormals (integer bit set), which the processor
    // reads with the exponent of the smallest normal: the same formula.
    v = std::ldexp(static_cast<long double>(mant), -kDenormShift);
  } else {
    if (!integerBit) return IndefiniteNaN();  // unnormal
    v = std::ldexp(static_cast<long double>(mant), exp - kExpBias - 63);
  }
  // fabs/negation touch only the sign bit, also of a signalling NaN.
  return neg ? -v : v;
}

}  // namespace zel
