// Scalar functions, scales, primes, bit helpers and random numbers.
//
// Everything here is a pure function except the random generators, which
// keep module-level state, and TKahanSum, an object. Rounding to an integer
// is to the nearest integer with ties to even unless a routine says
// otherwise.
#pragma once

#include <cstdint>
#include <span>

#include "zel_base.h"

namespace zel {

/// Error raised by the scalar-mathematics routines.
ZEL_DECLARE_EXCEPTION(EZELMath1Error, EZELError)

// ---- integer parts and rounding ------------------------------------------------

/// Floor of X as a 32-bit integer. NaN gives 0; values outside the int32
/// range saturate to INT32_MIN / INT32_MAX.
std::int32_t IntNeg(double X) noexcept;
/// Ceiling of X as a 32-bit integer; NaN gives 0, out-of-range values saturate.
std::int32_t IntPos(double X) noexcept;

/// X rounded (ties to even) and clamped first to at least Low, then to at
/// most High (so High wins when High < Low). Infinite and huge X saturate at
/// the bounds; NaN counts as below every value and gives Low (or High when
/// High < Low).
std::int64_t RoundLimit(double X, std::int64_t Low, std::int64_t High) noexcept;

/// X rounded to the nearest value of the series 1, 2, 5, 10, 20, 50, ...
/// (mantissa below 1.5 gives 1, below 3 gives 2, below 8 gives 5, otherwise
/// 10), keeping the sign. 0 gives 0; NaN and infinities are returned as they
/// are; a series value beyond the double range saturates at ±uc_MaxDouble
/// (also for the two directed forms below).
double Round125(double X) noexcept;
/// X rounded toward plus infinity onto the 1-2-5 series (values already on
/// the series stay); 0 gives 0, NaN and infinities are returned as they are.
double RoundPos125(double X) noexcept;
/// X rounded toward minus infinity onto the 1-2-5 series (values already on
/// the series stay); 0 gives 0, NaN and infinities are returned as they are.
double RoundNeg125(double X) noexcept;

/// Tick layout of an axis from Low to High with about NIntervals intervals:
/// Distance is ±1, 2 or 5 times a power of ten (the largest not above the
/// raw step (High - Low) / NIntervals, signed in the direction of the axis),
/// FirstTick the first multiple of Distance not more than a thousandth of a
/// step before Low, Subdivisions the number of minor intervals per step (5
/// for 1 and 5, 4 for 2). Low = High gives FirstTick = Low, Distance 0 and
/// Subdivisions 1. NIntervals = 0 gives Distance 1 and Subdivisions 5 (1 when
/// the range exceeds 10). Raises EZELMath1Error for NIntervals < 0 or a
/// range that is not finite.
void CalcScalePars(int NIntervals, Extended Low, Extended High, Extended& FirstTick, Extended& Distance,
                   Word& Subdivisions);

/// -1 for X < 0, otherwise 1 (so Signum(0) and Signum(NaN) are 1).
int Signum(double X) noexcept;

/// Real remainder Y * frac(X / Y), with the sign of X. Raises EZELMath1Error
/// "modr: division by zero" for Y = 0; infinite X gives NaN.
double modr(double X, double Y);

// ---- combinatorics and number theory -------------------------------------------

/// N! in extended precision (1 for N = 0 and 1). Raises EZELMath1Error
/// "Factorial: negative argument" for N < 0 and "Factorial: argument too big"
/// for N > 1000.
Extended Factorial(int N);

/// The product A (A+1) ... B of consecutive integers (arguments exchanged
/// when B < A). Returns 0 when the smaller argument is 0, -2 when it is
/// negative and -1 when the product would come near the 64-bit range (the
/// product grows only while it is below INT64_MAX div B). Never raises.
std::int64_t ProductConsecInts(int A, int B) noexcept;

/// Number of primes in the table of ListOfPrimes.
inline constexpr int kNrOfTablePrimes = 4792;
/// The I-th prime (ListOfPrimes(1) = 2, ..., ListOfPrimes(4792) = 46337, the
/// largest prime not above sqrt(2^31 - 1)); 0 outside 1..4792.
int ListOfPrimes(int I) noexcept;

/// True when no d in 2 .. floor(sqrt|N|) divides N; so every N with |N| <= 3
/// (0 and ±1 included) counts as prime, and so does -7.
bool IsPrime(int N) noexcept;

/// Fills Factors with the prime factors of N in ascending order, each as
/// often as it divides N. N < 2 gives an empty array.
void FindPrimeFactors(int N, TIntArray& Factors);

/// Reduces Numerator / Denominator in place by their common factors (signs
/// are kept). Nothing happens when the smaller absolute value is below 2, so
/// 0/5 stays 0/5 and 4/0 stays 4/0.
void CancelFraction(int& Numerator, int& Denominator) noexcept;

/// Binary-reflected Gray code of W: W xor (W shr 1).
Word GrayCode(Word W) noexcept;
/// Number of set bits of B.
int CountBits(Byte B) noexcept;
/// B with its eight bits in reverse order.
Byte BitReversal(Byte B) noexcept;
/// True when X and (X - 1) is 0: X is a power of two, or 0.
bool CheckPowerOfTwo(std::uint32_t X) noexcept;

// ---- elementary functions ------------------------------------------------------
// sinh, cosh and the like share their names with <cmath>; call them as zel::sinh.

/// Decimal logarithm, ln X / ln 10 in extended precision (exact for powers
/// of ten). Raises EMathError "logarithm: invalid argument" for X <= 0 or NaN.
double lg(double X);
/// Decimal logarithm of X > 0 in extended precision with a result within
/// 1e-14 of an integer snapped to it, so that exact powers of ten keep their
/// exponent in the floors taken by the 1-2-5 rounding and engineering text
/// (ln 1000 / ln 10 is 2.9999999999999996 in double).
long double lgSnapped(long double X) noexcept;
/// Binary logarithm, ln X / ln 2 in extended precision. Raises EMathError
/// "logarithm: invalid argument" for X <= 0 or NaN.
double ld(double X);
/// Tangent sin X / cos X. Raises EMathError "tangens overflow" when cos X is
/// exactly 0; infinite or NaN X gives NaN.
double tg(double X);
/// Cotangent cos X / sin X. Raises EMathError "cotangens overflow" when
/// sin X is exactly 0 (X = 0 among others); infinite or NaN X gives NaN.
double cot(double X);
/// Hyperbolic sine (e^X - e^-X) / 2; overflows to ±infinity for |X| > ~710.
double sinh(double X) noexcept;
/// Hyperbolic cosine (e^X + e^-X) / 2; overflows to +infinity for |X| > ~710.
double cosh(double X) noexcept;
/// Hyperbolic tangent 1 - 2 / (e^(2X) + 1).
double tgh(double X) noexcept;

/// Sum of Coefficients[k] * X^k for k = 0 .. Order, summed upward with a
/// running power. Raises EZELMath1Error "Polynomial: invalid order of
/// polynomial" when Order < 0 or Order >= Coefficients.size().
double Polynomial(std::span<const double> Coefficients, int Order, double X);
/// Sum of Coefficients[k] * (X - Centre)^k for k = 0 .. Order, as Polynomial
/// (and with its error).
double CenteredPolynomial(std::span<const double> Coefficients, int Order, double Centre, double X);

/// Sigmoid Amplitude * tanh(Slope * (X - Centre) / Amplitude): 0 at the
/// centre, tending to ±Amplitude, with slope Slope there. Exactly ±Amplitude
/// once the exponent's magnitude reaches 200. Amplitude 0 gives 0.
double Squash(double X, double Centre, double Slope, double Amplitude) noexcept;

// ---- random numbers ------------------------------------------------------------
// BRandom, CRandom and GRandom draw from the process-wide generator Random()
// (zel_random.h); LongRand has its own state. GRandom and LongRand keep
// module-level state without locking: do not call them from several threads
// at once.

/// True with probability P: always for P >= 1, never for P <= 0.
bool BRandom(double P);
/// Cauchy-distributed value Location + Scale * tan(pi (U - 0.5)).
double CRandom(double Location, double Scale);
/// Standard normal value by the polar method; values come in pairs, the
/// second kept for the next call (a reseed of Random() drops it).
double GRandom();
/// Uniform value in [0, 1) from the library's combined generator of three
/// multiplicative congruential generators. Seed 0 continues the current
/// sequence; any other seed restarts it deterministically. The state is
/// seeded from Random() when the library loads.
double LongRand(int Seed);

// ---- summation -----------------------------------------------------------------

/// Compensated (Kahan) summation: the rounding error of each addition is
/// carried into the next, so the sum of many terms keeps nearly full precision.
class TKahanSum : public TComponent {
 public:
  /// Creates the summer with Sum = 0.
  explicit TKahanSum(TComponent* AOwner = nullptr) : TComponent(AOwner) {}
  std::string ClassName() const override { return "TKahanSum"; }

  /// Sets Sum and the compensation to 0.
  void Reset() noexcept;
  /// Adds ANumber to Sum.
  void Add(double ANumber) noexcept;

  /// The running sum.
  double Sum = 0;

 private:
  double cps = 0;  // running compensation: the low-order part lost so far
};

}  // namespace zel
