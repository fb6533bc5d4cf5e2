// The 10-byte extended format in files and streams: a portable codec.
//
// Layout (little-endian, as the x87 stores it): bytes 0-7 the 64-bit
// significand with its explicit integer bit, bytes 8-9 the sign bit and the
// 15-bit biased exponent (bias 16383). The codec works on the bits, not on the
// machine's long double layout, and covers zeros, denormals, infinities,
// NaNs and unnormals.
#pragma once

#include <array>
#include <cstdint>

namespace zel {

using TExtendedBytes = std::array<std::uint8_t, 10>;

/// The 10 bytes of X.
TExtendedBytes EncodeExtended(long double X) noexcept;
/// The value of 10 bytes. Encodings the x87 rejects (pseudo-denormals,
/// unnormals, pseudo-infinities and pseudo-NaNs) decode to the value the
/// processor assigns them: unnormals and pseudo-NaN/inf read as NaN,
/// pseudo-denormals as the equal normal value.
long double DecodeExtended(const TExtendedBytes& Bytes) noexcept;

}  // namespace zel
