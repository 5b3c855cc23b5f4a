#include "settings/profile_settings.h"

#include <gtest/gtest.h>

#include "fakes/fake_profile_files.h"

namespace apexer {
namespace {

const std::string kFile = R"(D:\Tools\Apexer.INI)";

class ProfileSettings : public ::testing::Test {
 protected:
  fakes::FakeProfileFiles files;

  WindowRect ReadPlacement(const std::string& stored, WindowRect start = {1, 2, 3, 4}) {
    files.SetText(kFile, "[Combine]\nCombiner=" + stored + "\n");
    ReadWindowPlacement(files, "Combine", "Combiner", kFile, start);
    return start;
  }
};

void ExpectRect(const WindowRect& r, Long left, Long top, Long width, Long height) {
  EXPECT_EQ(r.Left, left);
  EXPECT_EQ(r.Top, top);
  EXPECT_EQ(r.Width, width);
  EXPECT_EQ(r.Height, height);
}

TEST_F(ProfileSettings, IntegersReadWithDefaultZeroAndClampedTo16Bits) {
  files.SetText(kFile, "[SpecPrint]\nPrintMode=1\nBig=99999\nNeg=-5\nHuge=-70000\nText=abc\n");
  EXPECT_EQ(ReadProfileInt(files, "SpecPrint", "PrintMode", kFile), 1);
  EXPECT_EQ(ReadProfileInt(files, "SpecPrint", "Absent", kFile), 0);
  EXPECT_EQ(ReadProfileInt(files, "Nowhere", "PrintMode", kFile), 0);
  EXPECT_EQ(ReadProfileInt(files, "SpecPrint", "Neg", kFile), -5);
  EXPECT_EQ(ReadProfileInt(files, "SpecPrint", "Text", kFile), 0);
  // Beyond the 16-bit range a non-zero print mode must stay non-zero.
  EXPECT_EQ(ReadProfileInt(files, "SpecPrint", "Big", kFile), 32767);
  EXPECT_EQ(ReadProfileInt(files, "SpecPrint", "Huge", kFile), -32768);
}

TEST_F(ProfileSettings, StringsAreCutAt1023AndAbsentKeysGiveEmptyText) {
  const std::string longValue(1500, 'x');
  files.SetText(kFile, "[Combine]\nChroDesc= TIC \nLong=" + longValue + "\nEmpty=\n");
  EXPECT_EQ(ReadProfileString(files, "Combine", "ChroDesc", kFile), "TIC");
  EXPECT_EQ(ReadProfileString(files, "Combine", "Long", kFile), std::string(1023, 'x'));
  EXPECT_EQ(ReadProfileString(files, "Combine", "Empty", kFile), "");
  EXPECT_EQ(ReadProfileString(files, "Combine", "Absent", kFile), "");
  EXPECT_EQ(ReadProfileString(files, "Combine", "Absent", R"(C:\none.ini)"), "");
  // An empty key lists the section's keys as the platform returns them.
  EXPECT_EQ(ReadProfileString(files, "Combine", "", kFile), std::string("ChroDesc\0Long\0Empty\0", 20));
}

TEST_F(ProfileSettings, WritesCreateKeysAndFailuresAreSilent) {
  WriteProfileString(files, "SpeDisplay", "Replace", "FALSE", R"(C:\Ionvane\Ionvane.ini)");
  EXPECT_EQ(files.RawValue(R"(C:\Ionvane\Ionvane.ini)", "SpeDisplay", "Replace"), "FALSE");
  WriteProfileString(files, "SpeDisplay", "Replace", "", R"(C:\Ionvane\Ionvane.ini)");
  EXPECT_TRUE(files.HasKey(R"(C:\Ionvane\Ionvane.ini)", "SpeDisplay", "Replace"));
  EXPECT_EQ(files.Text(R"(C:\Ionvane\Ionvane.ini)"), "[SpeDisplay]\nReplace=\n");

  files.SetUnwritable(R"(X:\ro.ini)");
  WriteProfileString(files, "A", "B", "C", R"(X:\ro.ini)");  // no exception, nothing written
  EXPECT_FALSE(files.Exists(R"(X:\ro.ini)"));
}

TEST_F(ProfileSettings, SeparatorsAreFoundInOrderAndFieldsCutBetweenThem) {
  std::vector<int> positions;
  EXPECT_EQ(FindSeparators("10,,30,40", ',', positions), 3);
  EXPECT_EQ(positions, (std::vector<int>{3, 4, 7}));
  EXPECT_EQ(GetSeparatedField("10,,30,40", 1, positions), "10");
  EXPECT_EQ(GetSeparatedField("10,,30,40", 2, positions), "");
  EXPECT_EQ(GetSeparatedField("10,,30,40", 3, positions), "30");
  EXPECT_EQ(GetSeparatedField("10,,30,40", 4, positions), "40");
  EXPECT_EQ(GetSeparatedField("10,,30,40", 0, positions), "");
  EXPECT_EQ(GetSeparatedField("10,,30,40", 5, positions), "");

  std::vector<int> untouched{99};
  EXPECT_EQ(FindSeparators("", ',', untouched), 0);
  EXPECT_EQ(FindSeparators("no separator", ',', untouched), 0);
  EXPECT_EQ(untouched, std::vector<int>{99});
}

TEST_F(ProfileSettings, FieldsOfAListEndingInItsSeparatorAreAllEmpty) {
  std::vector<int> positions;
  ASSERT_EQ(FindSeparators("10,20,30,", ',', positions), 3);
  for (Integer n = 1; n <= 4; ++n) EXPECT_EQ(GetSeparatedField("10,20,30,", n, positions), "");
}

TEST_F(ProfileSettings, FieldsWithoutPositionsOrWithForeignPositionsAreSafe) {
  EXPECT_EQ(GetSeparatedField("whole", 1, {}), "whole");
  EXPECT_EQ(GetSeparatedField("whole", 2, {}), "");
  // Positions that belong to another, longer text.
  EXPECT_EQ(GetSeparatedField("ab", 2, {9, 12}), "");
  EXPECT_EQ(GetSeparatedField("abcdef", 2, {4, 2}), "");
}

TEST_F(ProfileSettings, NumberFieldsAreReadLikeTheClassicVal) {
  EXPECT_DOUBLE_EQ(ReadNumberField(" 12 "), 12);
  EXPECT_DOUBLE_EQ(ReadNumberField("1 2 3"), 123);
  EXPECT_DOUBLE_EQ(ReadNumberField("-\t4\n5"), -45);
  EXPECT_DOUBLE_EQ(ReadNumberField("7.5px"), 7.5);
  EXPECT_DOUBLE_EQ(ReadNumberField(".5"), 0.5);
  EXPECT_DOUBLE_EQ(ReadNumberField("1.5e2x"), 150);
  EXPECT_DOUBLE_EQ(ReadNumberField("2D1"), 20);
  EXPECT_DOUBLE_EQ(ReadNumberField("3e"), 3);
  EXPECT_DOUBLE_EQ(ReadNumberField("&H10"), 16);
  EXPECT_DOUBLE_EQ(ReadNumberField("&hFFFF"), -1);  // a 16-bit literal
  EXPECT_DOUBLE_EQ(ReadNumberField("&H10000"), 65536);
  EXPECT_DOUBLE_EQ(ReadNumberField("&O17"), 15);
  // A digit outside the radix ends the literal.
  EXPECT_DOUBLE_EQ(ReadNumberField("&O19"), 1);
  EXPECT_DOUBLE_EQ(ReadNumberField("&O8"), 0);
  EXPECT_DOUBLE_EQ(ReadNumberField("&H1G2"), 1);
  EXPECT_DOUBLE_EQ(ReadNumberField("&hfg"), 15);
  EXPECT_DOUBLE_EQ(ReadNumberField("x"), 0);
  EXPECT_DOUBLE_EQ(ReadNumberField(""), 0);
  EXPECT_DOUBLE_EQ(ReadNumberField("+"), 0);
  EXPECT_DOUBLE_EQ(ReadNumberField("1,5"), 1);
}

TEST_F(ProfileSettings, PlacementWithFourFieldsIsReadAndWrittenBackTheSame) {
  ExpectRect(ReadPlacement("120,80,170,95"), 120, 80, 170, 95);
  WindowRect r{120, 80, 170, 95};
  WriteWindowPlacement(files, "Combine", "Combiner", kFile, r);
  EXPECT_EQ(files.RawValue(kFile, "Combine", "Combiner"), "120,80,170,95");

  WriteWindowPlacement(files, "Combine", "Combiner", kFile, WindowRect{-1200, -5, 0, 7});
  EXPECT_EQ(files.RawValue(kFile, "Combine", "Combiner"), "-1200,-5,0,7");
}

TEST_F(ProfileSettings, PlacementWithWrongFieldCountLeavesTheRecord) {
  ExpectRect(ReadPlacement("10,20,30,40,50"), 1, 2, 3, 4);
  ExpectRect(ReadPlacement("10,20,30"), 1, 2, 3, 4);
  ExpectRect(ReadPlacement(""), 1, 2, 3, 4);
  WindowRect r{1, 2, 3, 4};
  ReadWindowPlacement(files, "Combine", "Absent", kFile, r);
  ExpectRect(r, 1, 2, 3, 4);
}

TEST_F(ProfileSettings, PlacementFieldsThatAreEmptyOrUnreadableGiveZero) {
  ExpectRect(ReadPlacement("10,20,30,"), 0, 0, 0, 0);
  ExpectRect(ReadPlacement(",20,30,40"), 0, 20, 30, 40);
  ExpectRect(ReadPlacement("10,,30,40"), 10, 0, 30, 40);
  ExpectRect(ReadPlacement(" 12 , 7.5 ,8.5,x"), 12, 8, 8, 0);
  ExpectRect(ReadPlacement("&H10,-3,1e2,2.5"), 16, -3, 100, 2);
}

TEST_F(ProfileSettings, PlacementNumbersBeyond32BitsLeaveTheRecord) {
  ExpectRect(ReadPlacement("10,20,30,4294967296"), 1, 2, 3, 4);
  ExpectRect(ReadPlacement("1e400,20,30,40"), 1, 2, 3, 4);
  ExpectRect(ReadPlacement("-2147483648,2147483647,0,0"), -2147483648, 2147483647, 0, 0);
}

TEST_F(ProfileSettings, EmptyPlacementKeyMeansWindow) {
  WriteWindowPlacement(files, "Combine", "", kFile, WindowRect{5, 6, 7, 8});
  EXPECT_EQ(files.RawValue(kFile, "Combine", "Window"), "5,6,7,8");
  WindowRect r;
  ReadWindowPlacement(files, "Combine", "", kFile, r);
  ExpectRect(r, 5, 6, 7, 8);
}

}  // namespace
}  // namespace apexer
