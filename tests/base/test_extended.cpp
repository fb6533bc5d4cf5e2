#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "zel_extended.h"

using namespace zel;

namespace {

// The x87 memory image of a long double: the reference the codec must agree with.
TExtendedBytes MemoryImage(long double X) {
  TExtendedBytes b{};
  std::memcpy(b.data(), &X, 10);
  return b;
}

long double FromImage(const TExtendedBytes& B) {
  long double x = 0;
  std::memcpy(&x, B.data(), 10);
  return x;
}

TExtendedBytes Bytes(bool Negative, std::uint16_t Exp, std::uint64_t Mant) {
  TExtendedBytes b{};
  for (int i = 0; i < 8; ++i) b[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(Mant >> (8 * i));
  b[8] = static_cast<std::uint8_t>(Exp & 0xFF);
  b[9] = static_cast<std::uint8_t>((Exp >> 8) | (Negative ? 0x80 : 0));
  return b;
}

void ExpectRoundTrip(long double X) {
  const TExtendedBytes image = MemoryImage(X);
  EXPECT_EQ(EncodeExtended(X), image) << static_cast<double>(X);
  EXPECT_EQ(MemoryImage(DecodeExtended(image)), image) << static_cast<double>(X);
}

}  // namespace

TEST(Extended, KnownEncodings) {
  // 1.0: integer bit alone, biased exponent 16383 = 0x3FFF.
  EXPECT_EQ(EncodeExtended(1.0L), Bytes(false, 0x3FFF, 0x8000000000000000ULL));
  EXPECT_EQ(EncodeExtended(-2.0L), Bytes(true, 0x4000, 0x8000000000000000ULL));
  // 0.75 = 1.1b * 2^-1.
  EXPECT_EQ(EncodeExtended(0.75L), Bytes(false, 0x3FFE, 0xC000000000000000ULL));
  EXPECT_EQ(EncodeExtended(LDBL_TRUE_MIN), Bytes(false, 0, 1));
  EXPECT_EQ(EncodeExtended(LDBL_MIN), Bytes(false, 1, 0x8000000000000000ULL));
  EXPECT_EQ(EncodeExtended(LDBL_MAX), Bytes(false, 0x7FFE, ~0ULL));
  EXPECT_EQ(EncodeExtended(-0.0L), Bytes(true, 0, 0));
  EXPECT_EQ(EncodeExtended(-std::numeric_limits<long double>::infinity()), Bytes(true, 0x7FFF, 0x8000000000000000ULL));
  EXPECT_EQ(DecodeExtended(Bytes(false, 0x3FFF, 0xC000000000000000ULL)), 1.5L);
  EXPECT_EQ(DecodeExtended(Bytes(true, 0, 3)), -3 * LDBL_TRUE_MIN);
}

TEST(Extended, AgreesWithTheMachineLayout) {
  const long double samples[] = {0.0L,
                                  -0.0L,
                                  1.0L,
                                  -1.0L,
                                  0.1L,
                                  3.14159265358979323846L,
                                  1e4000L,
                                  -1e-4000L,
                                  LDBL_MAX,
                                  -LDBL_MAX,
                                  LDBL_MIN,
                                  LDBL_TRUE_MIN,
                                  -LDBL_TRUE_MIN,
                                  LDBL_MIN - LDBL_TRUE_MIN,  // largest denormal
                                  LDBL_MIN / 3,
                                  std::numeric_limits<long double>::infinity(),
                                  -std::numeric_limits<long double>::infinity(),
                                  std::numeric_limits<long double>::quiet_NaN(),
                                  -std::numeric_limits<long double>::quiet_NaN(),
                                  std::nanl("0x123456789"),
                                  static_cast<long double>(1e-310),
                                  static_cast<long double>(std::numeric_limits<double>::max())};
  for (long double x : samples) ExpectRoundTrip(x);

  // Random normals and denormals over the whole exponent range.
  std::mt19937_64 gen(3);
  for (int i = 0; i < 20000; ++i) {
    const bool denormal = i % 5 == 0;
    const auto exp = static_cast<std::uint16_t>(denormal ? 0 : 1 + gen() % 0x7FFE);
    std::uint64_t mant = gen();
    mant = denormal ? (mant & ~0x8000000000000000ULL) : (mant | 0x8000000000000000ULL);
    ExpectRoundTrip(FromImage(Bytes(gen() & 1, exp, mant)));
  }
}

TEST(Extended, NaNPayloadsAndSignallingNaNs) {
  // Quiet NaN with payload, both signs.
  for (bool neg : {false, true}) {
    const TExtendedBytes q = Bytes(neg, 0x7FFF, 0xC000000000001234ULL);
    const long double x = DecodeExtended(q);
    EXPECT_TRUE(std::isnan(x));
    EXPECT_EQ(MemoryImage(x), q);
    EXPECT_EQ(EncodeExtended(FromImage(q)), q);
  }
  // Signalling NaNs (quiet bit clear) keep that state through the codec.
  for (std::uint64_t payload : {1ULL, 0x2AAAAAAAAAAAAAAAULL, 0x3FFFFFFFFFFFFFFFULL}) {
    const TExtendedBytes s = Bytes(payload & 2, 0x7FFF, 0x8000000000000000ULL | payload);
    EXPECT_EQ(MemoryImage(DecodeExtended(s)), s);
    EXPECT_EQ(EncodeExtended(FromImage(s)), s);
  }
}

TEST(Extended, EncodingsTheProcessorRejects) {
  // Pseudo-denormal: exponent 0 with the integer bit set reads as the normal
  // number with exponent 1 and the same significand.
  const long double pd = DecodeExtended(Bytes(false, 0, 0x8000000000000005ULL));
  EXPECT_EQ(MemoryImage(pd), Bytes(false, 1, 0x8000000000000005ULL));
  EXPECT_EQ(pd, LDBL_MIN + 5 * LDBL_TRUE_MIN);
  EXPECT_EQ(DecodeExtended(Bytes(true, 0, 0x8000000000000000ULL)), -LDBL_MIN);
  // Unnormals, pseudo-infinity and pseudo-NaN (integer bit clear) are NaN.
  EXPECT_TRUE(std::isnan(DecodeExtended(Bytes(false, 0x3FFF, 0x4000000000000000ULL))));
  EXPECT_TRUE(std::isnan(DecodeExtended(Bytes(false, 0x0001, 0))));
  EXPECT_TRUE(std::isnan(DecodeExtended(Bytes(false, 0x7FFF, 0))));
  EXPECT_TRUE(std::isnan(DecodeExtended(Bytes(true, 0x7FFF, 0x4000000000000001ULL))));
  // Infinity proper (integer bit set, fraction 0) stays infinite.
  EXPECT_EQ(DecodeExtended(Bytes(false, 0x7FFF, 0x8000000000000000ULL)), std::numeric_limits<long double>::infinity());
}
