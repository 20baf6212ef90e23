#include "tools/split_mix.h"

#include <cmath>

#include "common/angles.h"

namespace {
constexpr double kTwoPi = 2.0 * kPi;
}

std::uint64_t NextU64(SplitMix64& rng) {
    rng.state += 0x9e3779b97f4a7c15ULL;
    std::uint64_t z = rng.state;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

double NextUnit(SplitMix64& rng) {
    return static_cast<double>(NextU64(rng) >> 11) * 0x1.0p-53;
}

double UniformIn(SplitMix64& rng, double lo, double hi) {
    return lo + (hi - lo) * NextUnit(rng);
}

int UniformInt(SplitMix64& rng, int lo, int hi) {
    const std::uint64_t span = static_cast<std::uint64_t>(hi - lo) + 1;
    return lo + static_cast<int>(NextU64(rng) % span);
}

double NextGaussian(SplitMix64& rng) {
    const double u1 = 1.0 - NextUnit(rng);  // (0, 1], so the logarithm is finite
    const double u2 = NextUnit(rng);
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(kTwoPi * u2);
}

SplitMix64 StreamFor(std::uint64_t seed, std::uint64_t stream) {
    SplitMix64 mixer{seed ^ (stream * 0xd1342543de82ef95ULL)};
    return SplitMix64{NextU64(mixer)};
}
