// The end of a Windows test program's main: the tests the filter selects, and a failure when it selects
// none, so that a run which checked nothing cannot pass.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>

inline int RunTests() {
  const int result = RUN_ALL_TESTS();
  if (testing::UnitTest::GetInstance()->test_to_run_count() == 0) {
    std::printf("no test ran: the filter selects none\n");
    return 1;
  }
  return result;
}
