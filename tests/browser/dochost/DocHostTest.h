#pragma once
// The fixture of the document host's tests: a document host on a hidden form
// over the test double, the double's browser side to ask it questions, and a
// page document. The host ends through its real destructor, after which the
// control, the document and every task-memory block must be let go of.

#include "toolkit/Win.h"

#include "browser/dochost/WebHostCore.h"
#include "tests/support/DoubleHostTest.h"
#include "tests/support/UnreadableWhenFreed.h"
#include "tests/support/TestDoubleDocument.h"
#include "tests/support/TestDoubleEngine.h"
#include "toolkit/Component.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kvx::test {

class DocHostTest : public DoubleHostTest {
 protected:
  void SetUp() override {
    DoubleHostTest::SetUp();
    FTaskMemory = OutstandingTaskMemory();
    FControl = &FRegistration.Prepare();
    FHost = CreateComponent<TCustomWebHost>(&FForm);
  }
  void TearDown() override {
    FHost.reset();
    EXPECT_EQ(FControl->OutstandingReferences(), 0);
    FControl->SetProperty(dispidDocument, TVariant().Get());
    EXPECT_EQ(FDocument.OutstandingReferences(), 0);
    FDocument.EventProperties.clear();  // the double's own texts
    EXPECT_EQ(OutstandingTaskMemory(), FTaskMemory);
    DoubleHostTest::TearDown();
  }

  TTestDoubleControl& Control() { return *FControl; }
  TTestDoubleEngine Engine() { return TTestDoubleEngine(*FControl); }
  TCustomWebHost& Host() { return *FHost; }
  // The host made again, its memory unreadable once it is freed: what touches
  // it after a handler freed it faults.
  void MakeHostUnreadableWhenFreed() {
    FHost.reset();
    FControl = &FRegistration.Prepare();
    FHost = CreateComponent<TUnreadableWhenFreed<TCustomWebHost>>(&FForm);
  }
  // The page's document becomes the control's Document property.
  void ShowDocument() {
    FControl->SetProperty(dispidDocument, TVariant(FDocument.Dispatch()).Get());
  }
  // The error reports so far, and none from here on unless a test expects them.
  std::vector<std::string> TakeReports() { return std::exchange(FReported, {}); }

  TTestDoubleDocument FDocument;
  THostForm FForm;
  TTestDoubleControl* FControl = nullptr;
  std::unique_ptr<TCustomWebHost> FHost;
  long FTaskMemory = 0;
};

}  // namespace kvx::test
