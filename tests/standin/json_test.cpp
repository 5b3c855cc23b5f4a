// The JSON the stand-in writes: texts with the characters a hand-made writer gets wrong, and numbers in the
// shapes their readers expect.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "ivdata/json.h"
#include "ivdata/synth.h"

namespace {

using ivdata::Json;

// A quote, a backslash, control characters, and bytes of the ANSI code page (e acute, euro sign, DEL, y umlaut).
const std::string kAwkward = "a \"quoted\" C:\\path\x01\t\n\xe9\x80\x7f\xff";

TEST(JsonWriters, AnsiTextIsAsciiJsonThatReadsBackTheSameBytes) {
  const std::string line = ivdata::JsonLine(Json{{"text", ivdata::AnsiText(kAwkward)}});
  EXPECT_EQ(line, "{\"text\":\"a \\\"quoted\\\" C:\\\\path\\u0001\\t\\n\\u00e9\\u0080\\u007f\\u00ff\"}\n");
  const Json back = Json::parse(line);
  EXPECT_EQ(ivdata::AnsiOf(back["text"]), kAwkward);
  // Not valid UTF-8 on its own: nlohmann would throw at dump; JsonLine replaces, never throws.
  EXPECT_NO_THROW(ivdata::JsonLine(Json{{"raw", std::string("\xe9\xff")}}));
}

TEST(JsonWriters, NumbersKeepTheShapesOfPercentG) {
  struct Row {
    double value;
    int digits;
    const char* json;
  };
  const Row rows[] = {
      {3.0, 9, "3"},           {-0.0, 9, "0"},          {0.1, 0, "0.1"},          {123.456789012, 9, "123.456789"},
      {1.5e-5, 9, "1.5e-05"},  {2e9, 9, "2000000000.0"}, {412.25f, 9, "412.25"},   {1.0 / 3.0, 0, "0.3333333333333333"},
      {std::nan(""), 9, "null"}, {std::numeric_limits<double>::infinity(), 0, "null"},
  };
  for (const Row& r : rows) EXPECT_EQ(ivdata::Number(r.value, r.digits).dump(), r.json) << r.value;
}

TEST(JsonWriters, TruthNamesWithQuotesBackslashesAndControlCharactersRoundTrip) {
  ivdata::SynthTruth truth;
  truth.seed = 7;
  truth.absorbanceTrace = "UV \"254\" \\ A\x01\x1f";
  ivdata::TruthPeak peak;
  peak.role = "role \"x\"\\\n";
  peak.apexScan = 12.5;
  peak.height = 1000;
  truth.peaks.push_back(peak);
  const Json back = Json::parse(ivdata::TruthToJson(truth));
  EXPECT_EQ(ivdata::AnsiOf(back["absorbance_trace"]), truth.absorbanceTrace);
  EXPECT_EQ(ivdata::AnsiOf(back["peaks"][0]["role"]), peak.role);
  EXPECT_EQ(back["peaks"][0]["apex_scan"], 12.5);
  EXPECT_TRUE(back["peaks"][0]["height"].is_number_integer());
  EXPECT_EQ(back.begin().key(), "seed");
}

}  // namespace
