// Helpers shared by the benchmarks.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

namespace zelbench {

/// Best-of-n wall time of one call of f, in seconds.
template <class F>
double BestSeconds(F f, int n = 5) {
  double best = 1e300;
  for (int i = 0; i < n; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(f());
    const std::chrono::duration<double> dt = std::chrono::steady_clock::now() - t0;
    if (dt.count() < best) best = dt.count();
  }
  return best;
}

/// Prints the ratio line of a benchmark: our time over the peer's.
template <class Ours, class Peer>
void PrintRatio(const char* ours, const char* peer, Ours fOurs, Peer fPeer) {
  std::printf("ratio %s / %s = %.2f (time; below 1 is faster)\n", ours, peer, BestSeconds(fOurs) / BestSeconds(fPeer));
}

}  // namespace zelbench
