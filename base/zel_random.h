// The process-wide uniform random generator and the framework's Gaussian one.
//
// One generator serves the whole process; it is deterministic for a given
// RandSeed so that tests can pin it. It is a PCG-XSH-RR generator with 64 bits
// of state and PCG's default increment; SetRandSeed takes SplitMix64 of the
// 32-bit seed as the state. Random() uses 27 + 26 bits of two outputs. Calls are
// serialised, so concurrent use is safe (but interleaving is not defined).
#pragma once

#include <cstdint>

namespace zel {

/// Uniform double in [0, 1) with 53 random bits.
double Random();
/// Uniform integer in [0, Range); 0 when Range ≤ 0. Unbiased.
std::int32_t Random(std::int32_t Range);
/// Normal deviate with the given mean and standard deviation.
double RandG(double Mean, double StdDev);
/// Seeds the generator from the clock and the process.
void Randomize();
/// The seed last set (by SetRandSeed or Randomize).
std::uint32_t RandSeed();
/// Restarts the generator from Seed (Randomize ends here too), then calls
/// the registered listeners.
void SetRandSeed(std::uint32_t Seed);
/// Registers a procedure to call after every reseed, so that generators
/// built on this one drop state that belongs to the old sequence (at most
/// 16 procedures; registering one twice has no effect).
void AddRandSeedListener(void (*Listener)());
/// Unregisters a procedure (a library that registered one removes it when
/// it is unloaded).
void RemoveRandSeedListener(void (*Listener)()) noexcept;

}  // namespace zel
