// Factorials, products of consecutive integers, the prime table,
// factorisation and cancelling of fractions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "math1_scalar_reference.h"
#include "zel_math1_scalar.h"

using namespace zel::test;
using zel::EZELMath1Error;

TEST(Math1ScalarPrimes, FactorialAndProductsAgainstExactIntegers) {
  for (const auto& f : ReferenceLines("fact")) {
    const int n = static_cast<int>(ToInt(f[0]));
    const long double exact = std::strtold(f[1].c_str(), nullptr);
    // Up to 25! the odd part fits the 64-bit mantissa: the product is exact.
    if (n <= 25)
      EXPECT_EQ(zel::Factorial(n), exact) << n;
    else
      EXPECT_LE(std::fabs(zel::Factorial(n) / exact - 1), 1e-16L) << n;
  }
  ExpectRaises<EZELMath1Error>([] { zel::Factorial(-1); }, "Factorial: negative argument");
  ExpectRaises<EZELMath1Error>([] { zel::Factorial(1001); }, "Factorial: argument too big");

  EXPECT_EQ(zel::ProductConsecInts(5, 3), 60);
  EXPECT_EQ(zel::ProductConsecInts(1, 25), -1);
  EXPECT_EQ(zel::ProductConsecInts(5, 0), 0);
  EXPECT_EQ(zel::ProductConsecInts(0, -3), -2);
  // At the top of the range two factors still fit, three do not.
  EXPECT_EQ(zel::ProductConsecInts(INT32_MAX - 1, INT32_MAX), 4611686011984936962);
  EXPECT_EQ(zel::ProductConsecInts(INT32_MAX - 2, INT32_MAX), -1);
}

// The table against primes found by trial division by every integer.
TEST(Math1ScalarPrimes, PrimeTableAndIsPrime) {
  std::vector<int> primes;
  for (int n = 2; n <= 46340; ++n) {
    bool prime = true;
    for (int d = 2; d * d <= n && prime; ++d) prime = n % d != 0;
    if (prime) primes.push_back(n);
  }
  ASSERT_EQ(primes.size(), 4792u);
  for (int i = 1; i <= 4792; ++i) ASSERT_EQ(zel::ListOfPrimes(i), primes[static_cast<std::size_t>(i - 1)]) << i;
  EXPECT_EQ(zel::ListOfPrimes(1229), 9973);  // pi(10^4) = 1229
  EXPECT_EQ(zel::ListOfPrimes(0) + zel::ListOfPrimes(4793), 0);

  for (int n : {0, 1, -1, 3, -7, 2147483647}) EXPECT_TRUE(zel::IsPrime(n)) << n;
  for (int n : {4, -4, 46337 * 46337, INT32_MIN}) EXPECT_FALSE(zel::IsPrime(n)) << n;
  // Prime when `factor` gives the number as its only factor.
  for (const auto& f : ReferenceLines("factor")) {
    const auto n = static_cast<int>(ToInt(f[0]));
    EXPECT_EQ(zel::IsPrime(n), f.size() == 2) << n;
    EXPECT_EQ(zel::IsPrime(-n), f.size() == 2) << -n;
  }
}

TEST(Math1ScalarPrimes, FindPrimeFactorsAgainstCoreutilsFactor) {
  const auto lines = ReferenceLines("factor");
  ASSERT_GT(lines.size(), 200u);
  zel::TIntArray factors;
  for (const auto& f : lines) {
    std::vector<int> expected;
    for (std::size_t i = 1; i < f.size(); ++i) expected.push_back(static_cast<int>(ToInt(f[i])));
    zel::FindPrimeFactors(static_cast<int>(ToInt(f[0])), factors);
    EXPECT_EQ(factors, expected) << f[0];
  }
  for (int n : {1, 0, -12, INT32_MIN}) {
    factors = {7};
    zel::FindPrimeFactors(n, factors);
    EXPECT_TRUE(factors.empty()) << n;
  }
}

// Reference: division by math.gcd; for small values also the cancelling
// pass by pass in its plain form.
TEST(Math1ScalarPrimes, CancelFractionAgainstGcdAndPasses) {
  const auto lines = ReferenceLines("cancel");
  ASSERT_GT(lines.size(), 100u);
  for (const auto& f : lines) {
    int a = static_cast<int>(ToInt(f[0])), b = static_cast<int>(ToInt(f[1]));
    zel::CancelFraction(a, b);
    EXPECT_TRUE(a == ToInt(f[2]) && b == ToInt(f[3])) << f[0] << "/" << f[1] << " gave " << a << "/" << b;
  }
  for (int a0 = -40; a0 <= 40; ++a0)
    for (int b0 = -40; b0 <= 40; ++b0) {
      int ea = a0, eb = b0;
      for (bool divided = true; divided;) {
        divided = false;
        const int bound = std::min(std::abs(ea), std::abs(eb));
        for (int c = 2; c <= bound; ++c)
          if (ea % c == 0 && eb % c == 0) {
            ea /= c;
            eb /= c;
            divided = true;
          }
      }
      int a = a0, b = b0;
      zel::CancelFraction(a, b);
      EXPECT_TRUE(a == ea && b == eb) << a0 << "/" << b0 << " gave " << a << "/" << b;
    }
}
