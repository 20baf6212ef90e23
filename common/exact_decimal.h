// ExactDecimalValue: the one-rounding conversion of a short decimal number,
// shared by the CAL scanner and the health report's table reader. Inline, so
// that the scanners' loops keep it in registers.
#ifndef COMMON_EXACT_DECIMAL_H
#define COMMON_EXACT_DECIMAL_H

#include <cstdint>

// Largest power of ten a double holds exactly, and largest integer below
// which every integer is an exact double.
constexpr long long kMaxExactPowerOfTen = 22;
constexpr std::uint64_t kMaxExactInteger = std::uint64_t{1} << 53;

// ExactDecimalValue
// Given the digits of a decimal number as an integer and the power of ten
// that places them (the number is digits * 10^power), returns true with
// magnitude set when one correctly rounded operation gives it: digits of at
// most 2^53 and a power of ten of at most 10^22 are both exact doubles, so
// their product or quotient is rounded once, as the full conversion would
// round it (Clinger's fast path). Returns false, magnitude untouched, for any
// other number. Never ends the process.
//
// Notes
// - W. D. Clinger, "How to read floating point numbers accurately", PLDI
//   1990: the fast path of its algorithm.
inline bool ExactDecimalValue(std::uint64_t digits, long long power, double& magnitude) {
    static constexpr double kExactPowersOfTen[kMaxExactPowerOfTen + 1] = {
        1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (digits > kMaxExactInteger || power < -kMaxExactPowerOfTen || power > kMaxExactPowerOfTen)
        return false;
    const double value = static_cast<double>(digits);
    magnitude = power >= 0 ? value * kExactPowersOfTen[power] : value / kExactPowersOfTen[-power];
    return true;
}

#endif  // COMMON_EXACT_DECIMAL_H
