// The Bernoulli, Cauchy and normal generators on the process-wide uniform
// generator, and the library's own combined congruential generator.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <numbers>

#include "zel_math1_scalar.h"
#include "zel_numeric.h"
#include "zel_random.h"

namespace zel {

namespace {

// The three multiplicative congruential generators of LongRand: moduli
// (all prime) and multipliers. Every product stays below 2^31.
constexpr std::int32_t kMod1 = 1001003, kMul1 = 1187;
constexpr std::int32_t kMod2 = 990923, kMul2 = 983;
constexpr std::int32_t kMod3 = 1400423, kMul3 = 1283;

// State of LongRand. No locking: the generator is documented as not safe
// for concurrent use.
std::int32_t S1 = 1, S2 = 1, S3 = 1;

// GRandom's second deviate of the last pair, valid while HaveGauss is set.
bool HaveGauss = false;
double StoredGauss = 0;

// 0 is a fixed point of x -> a x mod m, so a zero word would stay zero for
// good (a seed that is a multiple of 990923 zeroes all three); 1 takes its place.
std::int32_t NonZero(std::int64_t X) noexcept { return X == 0 ? 1 : static_cast<std::int32_t>(X); }

// The stored deviate belongs to the old uniform sequence; a reseed must not
// let it leak into the new one. (No draw here: the listener runs inside
// SetRandSeed.)
void DropStoredGauss() {
  HaveGauss = false;
  StoredGauss = 0;
}

// Runs when the library loads: seeds LongRand from the uniform generator
// (so the start depends on its seed), clears the feedback procedure and
// registers the reseed listener.
struct TMath1Init {
  TMath1Init() {
    S1 = NonZero(RoundToInt64(Random() * 990000.0));
    S2 = NonZero(RoundToInt64(Random() * 990000.0));
    S3 = NonZero(RoundToInt64(Random() * 990000.0));
    HaveGauss = false;
    MathFeedBackProc = nullptr;
    AddRandSeedListener(&DropStoredGauss);
  }
  // The listener lives in this library: it must not outlive an unload.
  ~TMath1Init() { RemoveRandSeedListener(&DropStoredGauss); }
};
const TMath1Init Math1Init;

}  // namespace

bool BRandom(double P) {
  if (P >= 1) return true;
  return Random() < P;
}

double CRandom(double Location, double Scale) {
  return Location + Scale * std::tan(std::numbers::pi * (Random() - 0.5));
}

// Marsaglia's polar method: a point uniform in the unit disc gives two
// independent normal deviates. s = 0 (the centre) is rejected too, as
// ln s / s has no value there.
double GRandom() {
  if (HaveGauss) {
    HaveGauss = false;
    return StoredGauss;
  }
  double u, v, s;
  do {
    u = 2 * Random() - 1;
    v = 2 * Random() - 1;
    s = u * u + v * v;
  } while (s >= 1 || s == 0);
  const double f = std::sqrt(-2 * std::log(s) / s);
  StoredGauss = u * f;
  HaveGauss = true;
  return v * f;
}

double LongRand(int Seed) {
  if (Seed != 0) {
    // Shifts and xor on the 32-bit pattern (wrapping), absolute values and
    // remainders in 64 bits, so no step can overflow.
    const std::int32_t a = Seed % kMod2;
    const auto ua = static_cast<std::uint32_t>(a);
    const auto x8 = static_cast<std::int32_t>(ua ^ (ua << 8));
    const auto x16 = static_cast<std::int32_t>(ua ^ (ua << 16));
    S1 = NonZero(std::llabs(a));
    S2 = NonZero(std::llabs(x8) % kMod2);
    S3 = NonZero(std::llabs(x16) % kMod2);
  }
  S1 = S1 * kMul1 % kMod1;
  S2 = S2 * kMul2 % kMod2;
  S3 = S3 * kMul3 % kMod3;
  // Summed in extended precision and rounded once to double, so that
  // t - trunc(t) is exact and lies in [0, 1).
  const double t = static_cast<double>(static_cast<long double>(S1) / kMod1 + static_cast<long double>(S2) / kMod2 +
                                       static_cast<long double>(S3) / kMod3);
  return t - std::trunc(t);
}

}  // namespace zel
