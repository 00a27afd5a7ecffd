#pragma once
// Tests that need a display skip when there is none, except under CI (CI=true), where a missing
// display would silently turn the GUI tests into skips: there they fail.
//
//   if (!ensureWxApp()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace orvel_test {

inline bool displayRequired() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && (std::strcmp(ci, "true") == 0 || std::strcmp(ci, "1") == 0);
}

}  // namespace orvel_test

// As GTEST_SKIP() (a return with a message to stream), as a fatal failure under CI.
#define ORVEL_SKIP_WITHOUT_DISPLAY()                                                                    \
  return ::testing::internal::AssertHelper(                                                             \
             ::orvel_test::displayRequired() ? ::testing::TestPartResult::kFatalFailure                 \
                                             : ::testing::TestPartResult::kSkip,                        \
             __FILE__, __LINE__,                                                                        \
             ::orvel_test::displayRequired() ? "this test needs a display and CI=true is set: " : "") = \
             ::testing::Message()
