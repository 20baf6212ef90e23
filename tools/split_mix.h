// SplitMix64: a small, fast pseudo-random generator whose output depends only
// on its seed, so generated data sets are the same with every standard library.
#ifndef TOOLS_SPLIT_MIX_H
#define TOOLS_SPLIT_MIX_H

#include <cstdint>

struct SplitMix64 {
    std::uint64_t state;
};

// Given a generator, returns its next 64-bit output and advances it.
std::uint64_t NextU64(SplitMix64& rng);

// Given a generator, returns a double uniform in [0, 1) with 53 random bits.
double NextUnit(SplitMix64& rng);

// Given a generator and bounds lo < hi, returns a double uniform in [lo, hi).
double UniformIn(SplitMix64& rng, double lo, double hi);

// Given a generator and bounds lo <= hi, returns an integer in [lo, hi].
int UniformInt(SplitMix64& rng, int lo, int hi);

// Given a generator, returns a standard normal deviate (Box-Muller, one of the
// pair; the other is dropped so every call draws exactly two outputs).
double NextGaussian(SplitMix64& rng);

// Given a seed and a stream number, returns a generator for that stream, so
// that, for example, each camera draws from its own sequence.
SplitMix64 StreamFor(std::uint64_t seed, std::uint64_t stream);

#endif  // TOOLS_SPLIT_MIX_H
