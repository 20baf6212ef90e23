// The table number formats against the C library's printf, over many values:
// random bit patterns and decimal-looking values of all magnitudes, exact
// ties, values that carry into a new digit, zeros of both signs, non-finite
// values and widths the number overflows.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

#include "common/number_format.h"
#include "tools/split_mix.h"

namespace {

// printf's "%*.*f".
std::string LibraryFixed(double value, int width, int precision) {
    char text[512];
    std::snprintf(text, sizeof text, "%*.*f", width, precision, value);
    return text;
}

// printf's "%*.*e" with the exponent widened to three digits (finite values).
std::string LibraryExponent3(double value, int width, int precision) {
    char text[512];
    if (!std::isfinite(value)) {
        std::snprintf(text, sizeof text, "%*.*e", width, precision, value);
        return text;
    }
    std::snprintf(text, sizeof text, "%.*e", precision, value);
    std::string number = text;
    const std::size_t digits_at = number.find('e') + 2;
    while (number.size() - digits_at < 3) number.insert(digits_at, "0");
    if (static_cast<int>(number.size()) < width) number.insert(0, width - number.size(), ' ');
    return number;
}

std::string LibraryZeroFilled(int value, int digits) {
    char text[64];
    std::snprintf(text, sizeof text, "%0*d", digits, value);
    return text;
}

// Values of every kind the tables may meet: any double, decimals with up to
// eight fraction digits (many of them just around a rounding boundary), and
// binary fractions, which hold exact ties.
std::vector<double> ManyValues() {
    std::vector<double> values;
    SplitMix64 rng{12345};
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t bits = NextU64(rng);
        double any = 0.0;
        std::memcpy(&any, &bits, sizeof any);
        if (std::isfinite(any)) values.push_back(any);
        const double decimal =
            static_cast<double>(static_cast<std::int64_t>(NextU64(rng) % 2000000001) - 1000000000) /
            std::pow(10.0, static_cast<double>(NextU64(rng) % 9));
        values.push_back(decimal);
        values.push_back(
            std::ldexp(static_cast<double>(NextU64(rng) >> 40), static_cast<int>(NextU64(rng) % 60) - 50));
    }
    const double specials[] = {0.0,
                               -0.0,
                               9.9999995,
                               -9.9999995,
                               9.9999994999,
                               99.9995,
                               999.9995,
                               0.0625,
                               -0.0625,
                               0.125,
                               0.375,
                               2.5,
                               -0.0005,
                               0.0005,
                               -0.00049,
                               1e308,
                               -1e308,
                               5e-324,
                               2.2250738585072014e-308,
                               1e22,
                               1e23,
                               123456789012345678.0};
    values.insert(values.end(), std::begin(specials), std::end(specials));
    return values;
}

// Given one of the table formats and its printf counterpart, formats every
// value of ManyValues() with each precision and width, reports the first ten
// differences as failures and returns how many there were.
// Each value also stands after a gap of 0, 1 or 2 blanks, in turn.
using TableFormat = void (*)(std::string&, double, int, int, int);
using PrintfFormat = std::string (*)(double, int, int);
int CountMismatches(TableFormat format, PrintfFormat library, std::initializer_list<int> precisions,
                    std::initializer_list<int> widths) {
    int mismatches = 0;
    int gap = 0;
    for (double value : ManyValues()) {
        gap = (gap + 1) % 3;
        for (int precision : precisions) {
            for (int width : widths) {
                std::string text;
                format(text, value, width, precision, gap);
                const std::string expected =
                    std::string(static_cast<std::size_t>(gap), ' ') + library(value, width, precision);
                if (text != expected && ++mismatches <= 10) {
                    ADD_FAILURE() << std::hexfloat << value << " width " << width << " precision "
                                  << precision << ": [" << text << "] printf [" << expected << "]";
                }
            }
        }
    }
    return mismatches;
}

}  // namespace

TEST(NumberFormatLibrary, FixedMatchesPrintfForManyValues) {
    EXPECT_EQ(CountMismatches(AppendFixed, LibraryFixed, {2, 3, 5}, {6, 7, 9}), 0);
}

TEST(NumberFormatLibrary, ExponentMatchesPrintfWithThreeExponentDigits) {
    EXPECT_EQ(CountMismatches(AppendExponent3, LibraryExponent3, {1, 6}, {3, 14}), 0);
}

TEST(NumberFormatLibrary, NonFiniteValuesAndOverflowingWidthsMatchPrintf) {
    const double inf = std::numeric_limits<double>::infinity();
    for (double value : {inf, -inf, std::nan(""), -std::nan(""), 1e300, -123456789.125}) {
        for (int width : {0, 3, 7, 14, 40}) {
            std::string fixed;
            AppendFixed(fixed, value, width, 3);
            EXPECT_EQ(fixed, LibraryFixed(value, width, 3)) << value << " width " << width;
            std::string exponent;
            AppendExponent3(exponent, value, width, 6);
            EXPECT_EQ(exponent, LibraryExponent3(value, width, 6)) << value << " width " << width;
        }
    }
}

TEST(NumberFormatLibrary, ZeroFilledMatchesPrintf) {
    for (int value : {0, 5, -5, 7, 99, 100, -100, 2013, std::numeric_limits<int>::max(),
                      std::numeric_limits<int>::min(), -1}) {
        for (int digits = 0; digits < 12; ++digits) {
            std::string text;
            AppendZeroFilled(text, value, digits);
            EXPECT_EQ(text, LibraryZeroFilled(value, digits)) << value << " digits " << digits;
        }
    }
}
