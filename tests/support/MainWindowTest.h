#pragma once
// The fixture of the tests that make the shell's main window in-process
// against the test double: OLE for the test, an application object of the
// test's own, the double registered for the WebBrowser class, and error
// reports recorded instead of shown (none is expected).

#include "toolkit/Win.h"

#include "tests/support/TestDoubleControl.h"
#include "toolkit/Application.h"
#include "toolkit/Handles.h"

#include <gtest/gtest.h>

#include <exception>
#include <string>
#include <vector>

namespace kvx::test {

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FApplication.OnException = [this](TObject*, const std::exception& e) {
      FReported.push_back(e.what());
    };
  }
  void TearDown() override { EXPECT_EQ(FReported, std::vector<std::string>{}); }

  TOleInitialize FOle;
  TApplication FApplication;
  std::vector<std::string> FReported;
  TTestDoubleRegistration FRegistration;
};

}  // namespace kvx::test
