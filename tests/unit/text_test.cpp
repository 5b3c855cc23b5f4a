#include "common/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace apexer {
namespace {

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundToInteger(41.5), 42);
  EXPECT_EQ(RoundToInteger(42.5), 42);
  EXPECT_EQ(RoundToInteger(2.5), 2);
  EXPECT_EQ(RoundToInteger(3.5), 4);
  EXPECT_EQ(RoundToInteger(-2.5), -2);
  EXPECT_EQ(RoundToInteger(7.4999), 7);
}

TEST(Rounding, ValuesThatDoNotFitAreRefusedNotWrapped) {
  EXPECT_EQ(RoundToInteger(32767.4), 32767);
  EXPECT_FALSE(RoundToInteger(32767.5));  // rounds to 32768
  EXPECT_EQ(RoundToInteger(-32768.0), -32768);
  EXPECT_FALSE(RoundToInteger(-32768.6));
  EXPECT_FALSE(RoundToInteger(std::numeric_limits<double>::quiet_NaN()));
  EXPECT_FALSE(RoundToInteger(std::numeric_limits<double>::infinity()));
  EXPECT_FALSE(RoundToLong(-std::numeric_limits<double>::infinity()));
  EXPECT_FALSE(RoundToLong(2147483648.0));
  EXPECT_EQ(RoundToLong(2147483647.0), 2147483647);
}

TEST(GeneralNumberText, WholeNumbersHaveNoPointAndFractionsNoTrailingZeros) {
  EXPECT_EQ(GeneralNumberText(1.0f), "1");
  EXPECT_EQ(GeneralNumberText(-3.0f), "-3");
  EXPECT_EQ(GeneralNumberText(1.5f), "1.5");
  EXPECT_EQ(GeneralNumberText(0.1f), "0.1");  // 7 significant digits hide the binary error
  EXPECT_EQ(GeneralNumberText(-0.0f), "0");
  EXPECT_EQ(GeneralNumberText(1234567.0f), "1234567");
  EXPECT_EQ(GeneralNumberText(12345678.0f), "1.234568E+07");
  EXPECT_EQ(GeneralNumberText(2.25f, ','), "2,25");
}

TEST(TextSearch, CaseInsensitiveInTheWesternCodePage) {
  EXPECT_EQ(FindNoCase("Chromatogram Data Browser", "chromatogram"), 1);
  EXPECT_EQ(FindNoCase("Mass Chromatogram", "CHROMATOGRAM"), 6);
  EXPECT_EQ(FindNoCase("abc", "abcd"), 0);
  EXPECT_EQ(FindNoCase("", "a"), 0);
  EXPECT_EQ(FindNoCase("abc", ""), 1);
  EXPECT_TRUE(EqualsNoCase("\xE9t\xE9", "\xC9T\xC9"));  // été / ÉTÉ
  EXPECT_EQ(UpperAnsi("tic\xFF"), "TIC\x9F");
}

TEST(TextCuts, TrimOnlySpacesAndCutAtTheFirstNul) {
  EXPECT_EQ(TrimSpaces("  TIC \t "), "TIC \t");
  EXPECT_EQ(TrimSpaces("    "), "");
  EXPECT_EQ(CutAtNull(std::string("abc\0def", 7)), "abc");
  EXPECT_EQ(CutAtNull(std::string("\0x", 2)), "");
  EXPECT_EQ(CutAtNull("whole"), "whole");
  const char field[4] = {'a', 'b', 'c', 'd'};
  EXPECT_EQ(FieldText(field, 4), "abcd");
}

}  // namespace
}  // namespace apexer
