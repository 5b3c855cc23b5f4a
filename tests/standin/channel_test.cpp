#include <gtest/gtest.h>

#include "test_support.h"

namespace {

using ivdata::Channel;
using ivdata::ChannelKind;

struct GoodRow {
  const char* text;
  ChannelKind kind;
  std::vector<ivdata::MassWindow> windows;
};

TEST(ChannelGrammar, AcceptedDescriptions) {
  const GoodRow rows[] = {
      {"TIC", ChannelKind::Tic, {}},
      {"  tic ", ChannelKind::Tic, {}},
      {"Bpi", ChannelKind::Bpi, {}},
      {"301.1", ChannelKind::Mass, {{300.6, 301.6}}},
      {"301.1~0.02", ChannelKind::Mass, {{301.08, 301.12}}},
      {" 301.1 ~ .5 ", ChannelKind::Mass, {{300.6, 301.6}}},
      {".5", ChannelKind::Mass, {{0, 1.0}}},  // window clipped at zero
      {"301.1+455.2", ChannelKind::MassSum, {{300.6, 301.6}, {454.7, 455.7}}},
      {"300_310", ChannelKind::MassSum, {{300, 310}}},
      {"300 _ 310 + 455.2~1", ChannelKind::MassSum, {{300, 310}, {454.2, 456.2}}},
      {"5_5", ChannelKind::MassSum, {{5, 5}}},
  };
  for (const GoodRow& row : rows) {
    Channel c;
    std::string error;
    ASSERT_TRUE(ivdata::ParseChannel(row.text, c, &error)) << row.text << ": " << error;
    EXPECT_EQ(c.kind, row.kind) << row.text;
    ASSERT_EQ(c.windows.size(), row.windows.size()) << row.text;
    for (std::size_t i = 0; i < row.windows.size(); ++i) {
      EXPECT_NEAR(c.windows[i].low, row.windows[i].low, 1e-9) << row.text;
      EXPECT_NEAR(c.windows[i].high, row.windows[i].high, 1e-9) << row.text;
    }
  }
}

TEST(ChannelGrammar, AnalogTraceNamesStartWithALetter) {
  Channel c;
  ASSERT_TRUE(ivdata::ParseChannel(" UV 254 ", c));
  EXPECT_EQ(c.kind, ChannelKind::Analog);
  EXPECT_EQ(c.traceName, "UV 254");
  EXPECT_TRUE(ivdata::IsAnalogTraceDescription("Pressure"));
  EXPECT_TRUE(ivdata::IsAnalogTraceDescription("ANALOG 2"));
  EXPECT_TRUE(ivdata::IsAnalogTraceDescription("UV_254+1"));  // a name, whatever it holds
  EXPECT_FALSE(ivdata::IsAnalogTraceDescription("TIC"));
  EXPECT_FALSE(ivdata::IsAnalogTraceDescription(" bpi"));
  EXPECT_FALSE(ivdata::IsAnalogTraceDescription("301.1"));
  EXPECT_FALSE(ivdata::IsAnalogTraceDescription(""));
  EXPECT_FALSE(ivdata::IsAnalogTraceDescription("UV\t254"));
}

TEST(ChannelGrammar, RefusedDescriptionsSayWhy) {
  const char* rows[] = {"",       "   ",   "-301",     "301.1.2", "1e3",   "301+",  "+301",   "301__302",
                        "310_300", "0",     "0_5",      "100001",  "301~0", "301~",  "301~2000", "301,302",
                        "301 302", "301."};
  for (const char* text : rows) {
    Channel c;
    std::string error;
    EXPECT_FALSE(ivdata::ParseChannel(text, c, &error)) << text;
    EXPECT_FALSE(error.empty()) << text;
    EXPECT_EQ(error.find('\n'), std::string::npos) << text;
  }
  std::string many;
  for (int i = 0; i < 17; ++i) many += (i ? "+" : "") + std::to_string(100 + i);
  Channel c;
  EXPECT_FALSE(ivdata::ParseChannel(many, c));
  EXPECT_TRUE(ivdata::ParseChannel(many.substr(0, many.rfind('+')), c));
  EXPECT_EQ(c.windows.size(), 16u);
  EXPECT_FALSE(ivdata::ParseChannel(std::string(256, '1'), c));
}

TEST(ChannelGrammar, RefusalLeavesTheChannelAsItWas) {
  Channel c;
  ASSERT_TRUE(ivdata::ParseChannel("301.1+455.2", c));
  EXPECT_FALSE(ivdata::ParseChannel("301.1+", c));
  EXPECT_EQ(c.kind, ChannelKind::MassSum);
  EXPECT_EQ(c.windows.size(), 2u);
}

TEST(ChannelGrammar, LabelsNameTheChannel) {
  Channel c;
  ivdata::ParseChannel("tic", c);
  EXPECT_EQ(ivdata::ChannelLabel(c), "TIC");
  ivdata::ParseChannel("300_310+455.2", c);
  EXPECT_EQ(ivdata::ChannelLabel(c), "m/z 300-310 + 454.7-455.7");
  ivdata::ParseChannel("uv 254", c);
  EXPECT_EQ(ivdata::ChannelLabel(c), "uv 254");
}

}  // namespace
