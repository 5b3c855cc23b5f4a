// A tiny check harness for the Win32 test programs: each check prints one line, the run ends with
// "N passed, M failed" and a non-zero exit code on any failure.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace check {

inline int g_passed = 0;
inline int g_failed = 0;

inline void Report(bool ok, const std::string& what, const std::string& detail = "") {
  (ok ? g_passed : g_failed)++;
  std::printf("%s - %s%s%s\n", ok ? "ok" : "FAIL", what.c_str(), detail.empty() ? "" : ": ", detail.c_str());
  std::fflush(stdout);
}

template <typename A, typename B>
void Equal(const A& actual, const B& expected, const std::string& what) {
  bool ok = actual == expected;
  Report(ok, what, ok ? "" : "expected " + std::to_string(expected) + ", got " + std::to_string(actual));
}

inline void EqualText(const std::string& actual, const std::string& expected, const std::string& what) {
  bool ok = actual == expected;
  Report(ok, what, ok ? "" : "expected \"" + expected + "\", got \"" + actual + "\"");
}

inline int Finish() {
  std::printf("%d passed, %d failed\n", g_passed, g_failed);
  return g_failed == 0 ? 0 : 1;
}

}  // namespace check
