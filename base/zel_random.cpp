// The process-wide uniform generator (PCG-XSH-RR 64/32) and the polar
// Gaussian generator on top of it.
#include "zel_random.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <random>

#include "zel_exceptions.h"

namespace zel {

namespace {

constexpr std::uint64_t kPcgMultiplier = 6364136223846793005ULL;
// PCG's default stream; any odd increment gives a full-period generator.
constexpr std::uint64_t kPcgIncrement = 1442695040888963407ULL;

// SplitMix64 spreads a 32-bit seed over the 64 state bits, so nearby seeds
// start from unrelated states.
constexpr std::uint64_t SplitMix64(std::uint64_t X) noexcept {
  X += 0x9E3779B97F4A7C15ULL;
  X = (X ^ (X >> 30)) * 0xBF58476D1CE4E5B9ULL;
  X = (X ^ (X >> 27)) * 0x94D049BB133111EBULL;
  return X ^ (X >> 31);
}

struct TGenerator {
  std::uint64_t State = 0;
  std::uint32_t Seed = 0;
  bool HaveGauss = false;
  double Gauss = 0;

  constexpr void Reseed(std::uint32_t ASeed) noexcept {
    Seed = ASeed;
    State = SplitMix64(ASeed);
    HaveGauss = false;
    Gauss = 0;
  }

  constexpr std::uint32_t Next() noexcept {
    const std::uint64_t old = State;
    State = old * kPcgMultiplier + kPcgIncrement;
    const auto xorshifted = static_cast<std::uint32_t>(((old >> 18) ^ old) >> 27);
    const auto rot = static_cast<unsigned>(old >> 59);
    return (xorshifted >> rot) | (xorshifted << ((32u - rot) & 31u));
  }

  // 27 + 26 bits of two outputs make one double in [0, 1).
  double NextDouble() noexcept {
    const std::uint64_t a = Next() >> 5;
    const std::uint64_t b = Next() >> 6;
    return static_cast<double>((a << 26) | b) * 0x1p-53;
  }
};

constexpr TGenerator MakeInitialGenerator() {
  TGenerator g;
  g.Reseed(0);
  return g;
}

// Constant-initialised, so it is usable from any static initialiser.
constinit std::mutex GenLock;
// Procedures called after a reseed; a fixed table so that registering needs
// no allocation and works from static initialisers.
std::array<void (*)(), 16> Listeners{};
std::atomic<std::size_t> ListenerCount{0};
constinit TGenerator Gen = MakeInitialGenerator();

}  // namespace

double Random() {
  std::lock_guard<std::mutex> lock(GenLock);
  return Gen.NextDouble();
}

std::int32_t Random(std::int32_t Range) {
  if (Range <= 0) return 0;
  const auto n = static_cast<std::uint32_t>(Range);
  std::lock_guard<std::mutex> lock(GenLock);
  // Lemire's multiply-and-reject: the high half of x * n is uniform on
  // [0, n) once the low half avoids the 2^32 mod n values that would bias it.
  std::uint64_t m = static_cast<std::uint64_t>(Gen.Next()) * n;
  auto low = static_cast<std::uint32_t>(m);
  if (low < n) {
    const std::uint32_t threshold = (0u - n) % n;
    while (low < threshold) {
      m = static_cast<std::uint64_t>(Gen.Next()) * n;
      low = static_cast<std::uint32_t>(m);
    }
  }
  return static_cast<std::int32_t>(m >> 32);
}

double RandG(double Mean, double StdDev) {
  double z;
  {
    std::lock_guard<std::mutex> lock(GenLock);
    if (Gen.HaveGauss) {
      Gen.HaveGauss = false;
      z = Gen.Gauss;
    } else {
      // Marsaglia's polar method: a point uniform in the unit disc gives two
      // independent normal deviates without trigonometric functions.
      double u, v, s;
      do {
        u = 2.0 * Gen.NextDouble() - 1.0;
        v = 2.0 * Gen.NextDouble() - 1.0;
        s = u * u + v * v;
      } while (s >= 1.0 || s == 0.0);
      const double f = std::sqrt(-2.0 * std::log(s) / s);
      Gen.Gauss = v * f;
      Gen.HaveGauss = true;
      z = u * f;
    }
  }
  return Mean + StdDev * z;
}

void Randomize() {
  std::uint64_t entropy = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                          static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
  try {
    std::random_device rd;
    entropy ^= (static_cast<std::uint64_t>(rd()) << 32) | rd();
  } catch (...) {
    // No entropy source: the clocks alone still differ between runs.
  }
  const std::uint64_t mixed = SplitMix64(entropy);
  SetRandSeed(static_cast<std::uint32_t>(mixed ^ (mixed >> 32)));
}

std::uint32_t RandSeed() {
  std::lock_guard<std::mutex> lock(GenLock);
  return Gen.Seed;
}

void SetRandSeed(std::uint32_t Seed) {
  std::array<void (*)(), 16> calls{};
  std::size_t n = 0;
  {
    std::lock_guard<std::mutex> lock(GenLock);
    Gen.Reseed(Seed);
    n = ListenerCount.load();
    std::copy_n(Listeners.begin(), n, calls.begin());
  }
  // Outside the lock: a listener may draw from the generator.
  for (std::size_t i = 0; i < n; ++i) calls[i]();
}

void AddRandSeedListener(void (*Listener)()) {
  if (Listener == nullptr) return;
  std::lock_guard<std::mutex> lock(GenLock);
  const std::size_t n = ListenerCount.load();
  for (std::size_t i = 0; i < n; ++i)
    if (Listeners[i] == Listener) return;
  if (n >= Listeners.size()) throw EZELError("AddRandSeedListener: too many listeners");
  Listeners[n] = Listener;
  ListenerCount.store(n + 1);
}

void RemoveRandSeedListener(void (*Listener)()) noexcept {
  std::lock_guard<std::mutex> lock(GenLock);
  const std::size_t n = ListenerCount.load();
  auto end = std::remove(Listeners.begin(), Listeners.begin() + static_cast<std::ptrdiff_t>(n), Listener);
  ListenerCount.store(static_cast<std::size_t>(end - Listeners.begin()));
}

}  // namespace zel
