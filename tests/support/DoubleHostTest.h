#pragma once
// The fixture of the host tests against the test double: OLE for the test,
// the double registered for the WebBrowser class, and error reports recorded
// instead of shown (a report would wait on a message box nobody sees).

#include "toolkit/Win.h"

#include "browser/control/BrowserControl.h"
#include "tests/support/BrowserTestSupport.h"
#include "tests/support/TestDoubleControl.h"
#include "toolkit/Application.h"
#include "toolkit/Component.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace kvx::test {

class DoubleHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(FOle.Result()));
    Application().OnException = [this](TObject*, const std::exception& error) {
      FReported.push_back(error.what());
    };
  }
  void TearDown() override {
    Application().OnException = nullptr;
    EXPECT_EQ(FReported, std::vector<std::string>{});
  }

  TTestDoubleControl& Double() { return FRegistration.Last(); }
  std::unique_ptr<TBrowserControl> MakeHost(TWinControl* parent = nullptr) {
    return CreateComponent<TBrowserControl>(parent);
  }

  TOleInitialize FOle;
  TTestDoubleRegistration FRegistration;
  std::vector<std::string> FReported;
};

}  // namespace kvx::test
