#pragma once
// The fixture of the browser host component's tests: components on a hidden
// form over the test double, whose browser side asks them what the engine
// asks, with a page document. The component ends through its real destructor;
// no task memory it handed out may be left.

#include "toolkit/Win.h"

#include "browser/component/WebHost.h"
#include "tests/support/DoubleHostTest.h"
#include "tests/support/TestDoubleDocument.h"
#include "tests/support/TestDoubleEngine.h"
#include "toolkit/Component.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace kvx::test {

class WebHostTest : public DoubleHostTest {
 protected:
  void SetUp() override {
    DoubleHostTest::SetUp();
    FTaskMemory = OutstandingTaskMemory();
  }
  void TearDown() override {
    // Every component is gone: its controls and the page are let go of.
    for (TTestDoubleControl* control : FControls) {
      EXPECT_EQ(control->OutstandingReferences(), 0);
      control->SetProperty(dispidDocument, TVariant().Get());
      control->Navigations.clear();  // the double's own texts
      control->Puts.clear();
    }
    EXPECT_EQ(FDocument.OutstandingReferences(), 0);
    EXPECT_EQ(OutstandingTaskMemory(), FTaskMemory);
    DoubleHostTest::TearDown();
  }

  // A component on the form with its control's window made; its control
  // shows the page document, or no page yet.
  template <class Host = TWebHost>
  std::unique_ptr<Host> MakeWebHost(bool withDocument = true) {
    TTestDoubleControl& control = FRegistration.Prepare();
    FControls.push_back(&control);
    control.SetProperty(dispidDocument,
                        TVariant(withDocument ? FDocument.Dispatch() : nullptr).Get());
    auto host = CreateComponent<Host>(&FForm);
    host->SetBounds(0, 0, 200, 100);
    host->HandleNeeded();
    return host;
  }
  TTestDoubleEngine Engine() { return TTestDoubleEngine(Double()); }
  size_t UIActivations() { return Double().CountOf(TDoubleCall::DoVerbUIActivate); }
  static void SetInterceptWindowMoves(TWebHost& host, bool value) {
    host.FInterceptWindowMoves = value;
  }

  TTestDoubleDocument FDocument;
  THostForm FForm;
  std::vector<TTestDoubleControl*> FControls;
  long FTaskMemory = 0;
};

}  // namespace kvx::test
