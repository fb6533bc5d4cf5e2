// The prime table, primality, factorisation and cancelling of fractions.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <numeric>
#include <vector>

#include "zel_math1_scalar.h"

namespace zel {

namespace {

// 46337 is the largest prime not above sqrt(2^31 - 1) = 46340.95, and the
// next prime, 46349, lies beyond it: trial division by the table decides
// every 32-bit integer.
constexpr int kLargestTablePrime = 46337;

using TPrimeTable = std::array<int, kNrOfTablePrimes>;

// Sieve of Eratosthenes up to the largest table prime.
TPrimeTable SievePrimes() {
  std::vector<bool> composite(kLargestTablePrime + 1, false);
  TPrimeTable primes{};
  std::size_t count = 0;
  for (int i = 2; i <= kLargestTablePrime; ++i) {
    if (composite[static_cast<std::size_t>(i)]) continue;
    if (count < primes.size()) primes[count] = i;
    ++count;
    for (long j = static_cast<long>(i) * i; j <= kLargestTablePrime; j += i) composite[static_cast<std::size_t>(j)] = true;
  }
  return primes;
}

// Built on first use; the initialisation of a function-local static is
// thread-safe.
const TPrimeTable& PrimeTable() {
  static const TPrimeTable table = SievePrimes();
  return table;
}

}  // namespace

int ListOfPrimes(int I) noexcept {
  if (I < 1 || I > kNrOfTablePrimes) return 0;
  return PrimeTable()[static_cast<std::size_t>(I - 1)];
}

// A divisor d in 2..floor(sqrt|n|) exists exactly when a prime divisor in
// that range exists, so dividing by the table primes gives the same answer
// as dividing by every integer. |n| is taken in 64 bits (|INT32_MIN| = 2^31).
bool IsPrime(int N) noexcept {
  const long long n = std::llabs(static_cast<long long>(N));
  for (int p : PrimeTable()) {
    if (static_cast<long long>(p) * p > n) break;
    if (n % p == 0) return false;
  }
  return true;
}

// Dividing out each prime as often as it goes leaves a cofactor that is 1 or
// a prime above every tried divisor once p^2 exceeds it, so stopping there
// gives the same list as trying every table prime up to sqrt of the original n.
void FindPrimeFactors(int N, TIntArray& Factors) {
  Factors.clear();
  if (N < 2) return;
  Factors.reserve(32);
  int n = N;
  for (int p : PrimeTable()) {
    if (static_cast<long long>(p) * p > n) break;
    while (n % p == 0) {
      Factors.push_back(p);
      n /= p;
    }
  }
  if (n > 1) Factors.push_back(n);
}

// Passes that divide both by every common c in 2..min(|a|, |b|) until none is
// left end with the two divided by their greatest common divisor (a common
// divisor above 1 would be found by the next pass), so the gcd gives the
// same result in one step instead of O(min) divisions per pass.
void CancelFraction(int& Numerator, int& Denominator) noexcept {
  const long long a = static_cast<long long>(Numerator);
  const long long b = static_cast<long long>(Denominator);
  if (std::min(std::llabs(a), std::llabs(b)) < 2) return;
  const long long g = std::gcd(a, b);  // positive; |quotients| <= |operands|
  Numerator = static_cast<int>(a / g);
  Denominator = static_cast<int>(b / g);
}

}  // namespace zel
