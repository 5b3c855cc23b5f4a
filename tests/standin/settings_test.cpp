#include <gtest/gtest.h>

#include "test_support.h"

namespace {

using ivdata::IniFile;
using ivdata::IntegratorSettings;

TEST(IniFile, LooksUpAsTheProfileFunctionsDo) {
  const IniFile ini = IniFile::Parse(
      "; comment\r\n[SpeDisplay]\r\nReplace=TRUE\r\n[ ChrIntegrate ]\r\n  smoothwidth =  9  \r\nQuoted=\"a b\"\r\n"
      "Single='x'\r\nHalf=\"open\r\nSemi=a;b\r\nEmpty=\r\nnoequals\r\n[chrintegrate]\r\nSmoothWidth=3\r\n");
  EXPECT_EQ(ini.Get("chrintegrate", "SMOOTHWIDTH"), "9");  // first section of that name wins
  EXPECT_EQ(ini.Get("ChrIntegrate", "Quoted"), "a b");
  EXPECT_EQ(ini.Get("ChrIntegrate", "Single"), "x");
  EXPECT_EQ(ini.Get("ChrIntegrate", "Half"), "\"open");
  EXPECT_EQ(ini.Get("ChrIntegrate", "Semi"), "a;b");
  EXPECT_EQ(ini.Get("ChrIntegrate", "Empty"), "");
  EXPECT_EQ(ini.Get("ChrIntegrate", "Replace"), std::nullopt);
  EXPECT_EQ(ini.Get("Missing", "x"), std::nullopt);
  EXPECT_EQ(ini.Keys("ChrIntegrate"), (std::vector<std::string>{"smoothwidth", "Quoted", "Single", "Half", "Semi", "Empty"}));
}

TEST(IniFile, SetChangesOneLineAndKeepsTheRest) {
  IniFile ini = IniFile::Parse("[A]\nx=1\n\n[B]\ny=2\n");
  ini.Set("a", "X", "5");
  ini.Set("A", "z", "6");
  ini.Set("C", "w", "7");
  EXPECT_EQ(ini.Text(), "[A]\r\nx=5\r\nz=6\r\n\r\n[B]\r\ny=2\r\n\r\n[C]\r\nw=7\r\n");
}

TEST(IniFile, ProfileIntReadsTheLeadingNumber) {
  const std::pair<const char*, std::optional<long long>> rows[] = {
      {"12abc", 12}, {"-5", -5}, {"0x10", 16}, {"99999", 99999}, {"abc", 0}, {" 42", 42},
      {"010", 10},   {"+3", 3},  {"\"7\"", 7}, {"", std::nullopt}, {"  ", std::nullopt}};
  for (const auto& [text, expected] : rows) EXPECT_EQ(ivdata::ProfileInt(text), expected) << text;
}

TEST(IntegratorSettings, AbsentFileSectionOrKeysGiveTheDefaults) {
  ivtest::TempDir dir;
  const IntegratorSettings d;
  std::vector<std::string> warnings;
  const IntegratorSettings a = ivdata::ReadIntegratorSettings(dir.Path("none.ini"), "ChrIntegrate", &warnings);
  EXPECT_EQ(a.smoothWidth, d.smoothWidth);
  EXPECT_EQ(a.minSignalToNoise, d.minSignalToNoise);
  EXPECT_TRUE(warnings.empty());
  ivtest::WriteBytes(dir.Path("other.ini"), "[SpeDisplay]\nReplace=FALSE\n");
  EXPECT_EQ(ivdata::ReadIntegratorSettings(dir.Path("other.ini")).minWidth, d.minWidth);
}

TEST(IntegratorSettings, KeysAreReadAndBadValuesFallBackWithAWarning) {
  ivtest::TempDir dir;
  const std::string path = dir.Path("host.ini");
  ivtest::WriteBytes(path,
                     "[ChrIntegrate]\nSmoothMethod=mean\nSmoothWidth=8\nMinSignalToNoise=2.5\nMinHeight=-1\n"
                     "MinRelativeHeight=150\nMinWidth=abc\nBaseline=Zero\nMaxPeaks=12\n");
  std::vector<std::string> warnings;
  const IntegratorSettings s = ivdata::ReadIntegratorSettings(path, "ChrIntegrate", &warnings);
  EXPECT_EQ(s.smoothMethod, ivdata::SmoothMethod::Mean);
  EXPECT_EQ(s.smoothWidth, 9);  // even widths are raised to the next odd one
  EXPECT_EQ(s.minSignalToNoise, 2.5);
  EXPECT_EQ(s.minHeight, 0);
  EXPECT_EQ(s.minRelativeHeight, 0);
  EXPECT_EQ(s.minWidth, 2);
  EXPECT_EQ(s.baseline, ivdata::BaselineMode::Zero);
  EXPECT_EQ(s.maxPeaks, 12);
  ASSERT_EQ(warnings.size(), 3u);
  EXPECT_NE(warnings[0].find("MinHeight=-1"), std::string::npos);
  EXPECT_NE(warnings[2].find("MinWidth=abc"), std::string::npos);
  EXPECT_NE(warnings[2].find("using 2"), std::string::npos);
}

TEST(IntegratorSettings, WrittenSettingsReadBackAndOtherSectionsSurvive) {
  ivtest::TempDir dir;
  const std::string path = dir.Path("host.ini");
  ivtest::WriteBytes(path, "[SpeDisplay]\r\nReplace=FALSE\r\n");
  IntegratorSettings s;
  s.smoothMethod = ivdata::SmoothMethod::None;
  s.smoothWidth = 11;
  s.minSignalToNoise = 0.125;
  s.minRelativeHeight = 2.5;
  s.maxPeaks = 293;
  ivdata::WriteIntegratorSettings(path, s);
  const IntegratorSettings back = ivdata::ReadIntegratorSettings(path);
  EXPECT_EQ(back.smoothMethod, s.smoothMethod);
  EXPECT_EQ(back.smoothWidth, 11);
  EXPECT_EQ(back.minSignalToNoise, 0.125);
  EXPECT_EQ(back.minRelativeHeight, 2.5);
  EXPECT_EQ(back.maxPeaks, 293);
  EXPECT_EQ(IniFile::Load(path).Get("SpeDisplay", "Replace"), "FALSE");
}

TEST(IntegratorSettings, ParameterBlockRoundTripAndUntaggedBlocks) {
  IntegratorSettings s;
  s.smoothMethod = ivdata::SmoothMethod::Mean;
  s.smoothWidth = 5;
  s.minSignalToNoise = 7.5;
  s.minHeight = 1e4;
  s.minRelativeHeight = 1;
  s.minWidth = 4;
  s.baseline = ivdata::BaselineMode::Zero;
  s.maxPeaks = 20;
  std::vector<std::uint8_t> block(3280, 0);
  IntegratorSettings back;
  EXPECT_FALSE(ivdata::DecodeIntegratorSettings(block, back));  // all zero: defaults
  EXPECT_EQ(back.smoothWidth, IntegratorSettings().smoothWidth);
  ivdata::EncodeIntegratorSettings(s, block);
  ASSERT_TRUE(ivdata::DecodeIntegratorSettings(block, back));
  EXPECT_EQ(back.smoothMethod, s.smoothMethod);
  EXPECT_EQ(back.smoothWidth, 5);
  EXPECT_EQ(back.minSignalToNoise, 7.5);
  EXPECT_EQ(back.minHeight, 1e4);
  EXPECT_EQ(back.minWidth, 4);
  EXPECT_EQ(back.baseline, s.baseline);
  EXPECT_EQ(back.maxPeaks, 20);
  block[12] = 200;  // smoothing width out of range: that field alone falls back
  ASSERT_TRUE(ivdata::DecodeIntegratorSettings(block, back));
  EXPECT_EQ(back.smoothWidth, IntegratorSettings().smoothWidth);
  EXPECT_EQ(back.minWidth, 4);
  std::vector<std::uint8_t> tiny(10);
  EXPECT_THROW(ivdata::EncodeIntegratorSettings(s, tiny), ivdata::Error);
  EXPECT_FALSE(ivdata::DecodeIntegratorSettings(tiny, back));
}

}  // namespace
