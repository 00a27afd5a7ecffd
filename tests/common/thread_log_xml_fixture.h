#pragma once
// A fixture base for tests of the XML stores: it collects the log lines written by the test's own thread
// and keeps libxml2's parse errors off the error stream, since malformed files are part of these tests.

#include <gtest/gtest.h>
#include <libxml/parser.h>

#include <optional>
#include <string>
#include <vector>

#include "support/log_capture.h"

namespace orvel_test {

class ThreadLogXmlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log_.emplace(true);
    xmlSetGenericErrorFunc(nullptr, &quietXmlError);
  }
  void TearDown() override {
    log_.reset();
    xmlSetGenericErrorFunc(nullptr, nullptr);
  }
  std::vector<std::string> logged() const { return log_->lines(); }

 private:
  static void quietXmlError(void*, const char*, ...) {}

  std::optional<LogCapture> log_;
};

}  // namespace orvel_test
