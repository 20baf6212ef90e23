// The exponent form with three exponent digits and the fixed-point form.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "common/number_format.h"

namespace {

std::string Exponent14(double value) {
    std::string text;
    AppendExponent3(text, value, 14, 6);
    return text;
}

}  // namespace

TEST(NumberFormat, ExponentHasThreeDigitsAndFillsFourteenColumns) {
    EXPECT_EQ(Exponent14(-0.0123), "-1.230000e-002");
    EXPECT_EQ(Exponent14(0.0211), " 2.110000e-002");
    EXPECT_EQ(Exponent14(0.0), " 0.000000e+000");
    EXPECT_EQ(Exponent14(-0.0), "-0.000000e+000");
    EXPECT_EQ(Exponent14(123456.0), " 1.234560e+005");
    EXPECT_EQ(Exponent14(1e100), " 1.000000e+100");
    EXPECT_EQ(Exponent14(-2.5e-300), "-2.500000e-300");
    EXPECT_EQ(Exponent14(std::numeric_limits<double>::denorm_min()), " 4.940656e-324");
}

TEST(NumberFormat, ExponentRoundsAsTheLibraryDoes) {
    // A carry through all digits moves the exponent.
    EXPECT_EQ(Exponent14(9.9999996), " 1.000000e+001");
    EXPECT_EQ(Exponent14(9.9999994), " 9.999999e+000");
    // Exact ties go to the even digit.
    std::string text;
    AppendExponent3(text, 0.375, 8, 1);
    AppendExponent3(text, 0.125, 9, 1);
    EXPECT_EQ(text, "3.8e-001 1.2e-001");
}

TEST(NumberFormat, WiderWidthPadsAndNarrowerWidthWidens) {
    std::string text;
    AppendExponent3(text, 1.5, 16, 6);
    EXPECT_EQ(text, "   1.500000e+000");
    text.clear();
    AppendExponent3(text, -1.5, 3, 2);
    EXPECT_EQ(text, "-1.50e+000");
}

TEST(NumberFormat, NonFiniteValuesStayRightAlignedInTheirWidth) {
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(Exponent14(inf), "           inf");
    EXPECT_EQ(Exponent14(-inf), "          -inf");
    const std::string nan = Exponent14(std::nan(""));
    EXPECT_EQ(nan.size(), 14u);
    EXPECT_EQ(nan.substr(11), "nan");
    std::string fixed;
    AppendFixed(fixed, -inf, 7, 3);
    EXPECT_EQ(fixed, "   -inf");
}

TEST(NumberFormat, FixedPointAndZeroFilledIntegers) {
    std::string text;
    AppendFixed(text, 0.0625, 7, 3);  // an exact tie: to even
    AppendFixed(text, -0.0, 7, 3);
    AppendFixed(text, 12345.6789, 7, 3);
    EXPECT_EQ(text, "  0.062 -0.00012345.679");
    text.clear();
    AppendZeroFilled(text, 7, 3);
    AppendZeroFilled(text, -5, 2);
    AppendZeroFilled(text, 2013, 2);
    EXPECT_EQ(text, "007-52013");
}
