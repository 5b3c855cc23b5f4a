#include <gtest/gtest.h>

#include "ivdata/text.h"

namespace {

// The one folding rule of the stand-in: code page 1252, as the client and Windows fold names.
TEST(Text, CaseFoldsInCodePage1252) {
  struct Row {
    const char* a;
    const char* b;
    bool equal;
  };
  const Row rows[] = {
      {"SystemList", "SYSTEMLIST", true},
      {"caf\xE9", "CAF\xC9", true},         // e acute
      {"\xFF", "\x9F", true},               // y diaeresis
      {"\x9A\x9C\x9E", "\x8A\x8C\x8E", true},  // s, oe, z with caron or ligature
      {"\xF7", "\xD7", false},              // division sign and multiplication sign are no pair
      {"\xDF", "\xFF", false},              // sharp s has no capital here
      {"FALSE", "FALSE ", false},
      {"[", "{", false},                    // folding is of letters only
  };
  for (const Row& r : rows) {
    EXPECT_EQ(ivdata::EqualsNoCase(r.a, r.b), r.equal) << r.a << " / " << r.b;
  }
  EXPECT_EQ(ivdata::UpperAnsi("app.launch[default:chro]() \xE0\xFE"), "APP.LAUNCH[DEFAULT:CHRO]() \xC0\xDE");
}

}  // namespace
