// Wine's real WebBrowser control in the host: creation, siting, in-place
// activation, property reads, navigation and its cancellation, and a clean
// end. (It cannot render HTML here: no document and no DocumentComplete.)
#include "toolkit/Win.h"

#include "browser/activex/OleError.h"
#include "browser/component/WebHost.h"
#include "tests/support/BrowserTestSupport.h"
#include "toolkit/Component.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace kvx::test {
namespace {

class RealControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(FOle.Result()));
    FForm = std::make_unique<THostForm>();
  }
  void TearDown() override { FForm.reset(); }

  TOleInitialize FOle;
  std::unique_ptr<THostForm> FForm;
};

TEST_F(RealControlTest,
       WinesControlIsSitedActivatedAndNavigatedAndACancelledNavigationGoesNoFurther) {
  auto host = CreateComponent<TWebHost>(FForm.get());
  host->SetAlign(TAlign::alClient);
  ASSERT_NE(host->OleObject(), nullptr);

  std::vector<std::wstring> seen;
  host->OnBeforeNavigate2 = [&](TObject* sender, IDispatch*, VARIANT* url, VARIANT*, VARIANT*,
                                VARIANT*, VARIANT*, VARIANT_BOOL* cancel) {
    EXPECT_EQ(sender, host.get());
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(*cancel, VARIANT_FALSE);
    std::wstring address = VariantText(url);
    seen.push_back(address);
    if (address == L"javascript:banner_closeapp()" && seen.size() < 3) *cancel = VARIANT_TRUE;
  };

  std::vector<std::wstring> failed;
  host->OnNavigateError = [&](TObject*, IDispatch*, VARIANT* url, VARIANT*, VARIANT*,
                              VARIANT_BOOL*) { failed.push_back(VariantText(url)); };
  HWND window = host->Handle();
  ASSERT_TRUE(IsWindow(window));
  EXPECT_TRUE(host->Completed());
  EXPECT_NE(host->InPlaceObject(), nullptr);
  EXPECT_EQ(GetParent(window), FForm->Handle());
  // The control's window is the host's window, and it fills the form.
  EXPECT_EQ(host->Width(), FForm->ClientWidth());

  EXPECT_FALSE(host->GetBooleanProperty(dispidBusy));
  EXPECT_NE(host->GetDispatchProperty(dispidApplication), nullptr);
  EXPECT_EQ(host->GetDispatchProperty(dispidDocument), nullptr);
  std::int32_t state = host->ReadyState();
  EXPECT_GE(state, 0);
  EXPECT_LE(state, 4);
  EXPECT_EQ(host->BrowserInterface().Get(), host->BrowserInterface().Get());

  host->Navigate(L"about:blank");
  ASSERT_TRUE(PumpUntil([&] { return !seen.empty(); }));
  EXPECT_EQ(seen.front(), L"about:blank");

  VARIANT zero;
  V_VT(&zero) = VT_I4;
  V_I4(&zero) = 0;
  host->Navigate(L"javascript:banner_closeapp()", zero, zero, zero, zero);
  ASSERT_TRUE(PumpUntil([&] { return seen.size() >= 2; }));
  EXPECT_EQ(seen.back(), L"javascript:banner_closeapp()");
  // Let through, the same address ends in a navigation error from Wine's
  // control: the sign that it went on, which the cancelled one must not show.
  host->Navigate(L"javascript:banner_closeapp()");
  ASSERT_TRUE(PumpUntil(
      [&] { return !failed.empty() && failed.back() == L"javascript:banner_closeapp()"; }));
  EXPECT_EQ(std::count(failed.begin(), failed.end(), L"javascript:banner_closeapp()"), 1);
  host.reset();
}

// Reports from its destructor, once the end has run, how many references
// the control still holds on the host.
class TEndReportingHost : public TWebHost {
 public:
  TEndReportingHost(TWinControl* parent, ULONG& referencesLeft)
      : TWebHost(parent), FReferencesLeft(referencesLeft) {}
  ~TEndReportingHost() override {
    ShutDown();
    FReferencesLeft = RefCount();
  }

 private:
  ULONG& FReferencesLeft;
};

TEST_F(RealControlTest, DestructionWithHandlersAssignedReachesNoHandlerAndLeavesNoReference) {
  ULONG referencesLeft = 99;
  // Outlive the host: what reaches a handler while it is destroyed is read afterwards.
  std::vector<std::string> before, during;
  bool ending = false;
  auto host = CreateComponent<TEndReportingHost>(FForm.get(), referencesLeft);
  host->SetBounds(0, 0, 300, 200);
  auto record = [&](const char* name) {
    return [&, name](auto&&...) { (ending ? during : before).push_back(name); };
  };
  host->OnStatusTextChange = record("StatusTextChange");
  host->OnProgressChange = record("ProgressChange");
  host->OnCommandStateChange = record("CommandStateChange");
  host->OnDownloadBegin = record("DownloadBegin");
  host->OnDownloadComplete = record("DownloadComplete");
  host->OnTitleChange = record("TitleChange");
  host->OnPropertyChange = record("PropertyChange");
  host->OnBeforeNavigate2 = record("BeforeNavigate2");
  host->OnNavigateComplete2 = record("NavigateComplete2");
  host->OnNavigateError = record("NavigateError");
  host->OnQuit = record("Quit");
  host->OnVisible = record("Visible");
  static_cast<TBrowserControl&>(*host).OnVisible = record("ControlVisible");
  host->OnWindowClosing = record("WindowClosing");
  host->Handle();
  host->Navigate(L"about:blank");
  ASSERT_TRUE(PumpUntil([&] {
    return std::count(before.begin(), before.end(), "BeforeNavigate2") > 0 &&
           !host->GetBooleanProperty(dispidBusy);
  }));
  EXPECT_GT(host->RefCount(), 0u);  // the control holds its site and sinks

  ending = true;
  host.reset();
  EXPECT_EQ(during, std::vector<std::string>{});
  EXPECT_EQ(referencesLeft, 0u);
}

// The ActiveX host's own way: the control leaves with the window and is
// activated again in the new one.
TEST_F(RealControlTest, TheControlComesBackAliveEachTimeItsFormsWindowIsMadeAgain) {
  auto host = CreateComponent<TBrowserControl>(FForm.get());
  host->SetAlign(TAlign::alClient);
  std::vector<std::wstring> seen;
  host->OnBeforeNavigate2 = [&](TObject*, IDispatch*, VARIANT* url, VARIANT*, VARIANT*, VARIANT*,
                                VARIANT*, VARIANT_BOOL*) { seen.push_back(VariantText(url)); };
  host->Handle();
  // Wine's control may not take user-interface activation without an HTML
  // engine; whatever it does, it does the same on every new window.
  host->UIActivate();
  const bool takesActivation = TActiveXHost::ActiveControlHost(FForm.get()) == host.get();
  for (size_t round = 1; round <= 2; ++round) {
    SCOPED_TRACE(round);
    const HWND oldWindow = host->Handle();
    FForm->RecreateWnd();
    EXPECT_FALSE(IsWindow(oldWindow));
    const HWND window = host->Handle();
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(GetParent(window), FForm->Handle());
    EXPECT_EQ(TWinControl::FromHandle(window), host.get());
    EXPECT_NE(host->InPlaceObject(), nullptr);
    EXPECT_EQ(host->Width(), FForm->ClientWidth());
    host->UIActivate();
    EXPECT_EQ(TActiveXHost::ActiveControlHost(FForm.get()) == host.get(), takesActivation);
    EXPECT_FALSE(host->GetBooleanProperty(dispidBusy));
    host->Navigate(L"about:blank");
    ASSERT_TRUE(PumpUntil([&] { return seen.size() >= round; }));
    EXPECT_EQ(seen.back(), L"about:blank");
  }
}

// The browser component's way: the control's window waits on the
// application window and comes back, the control never closed.
TEST_F(RealControlTest, MakingTheFormsWindowAgainKeepsTheControlsWindow) {
  auto host = CreateComponent<TWebHost>(FForm.get());
  host->SetAlign(TAlign::alClient);
  std::vector<std::wstring> seen;
  host->OnBeforeNavigate2 = [&](TObject*, IDispatch*, VARIANT* url, VARIANT*, VARIANT*, VARIANT*,
                                VARIANT*, VARIANT_BOOL*) { seen.push_back(VariantText(url)); };
  const HWND window = host->Handle();
  IOleInPlaceObject* const inPlace = host->InPlaceObject();
  ASSERT_NE(inPlace, nullptr);
  // The first navigation makes the control's inner windows: they count too.
  host->Navigate(L"about:blank");
  ASSERT_TRUE(PumpUntil([&] { return !seen.empty(); }));
  const size_t windows = ProcessWindowCount();
  for (size_t round = 2; round <= 3; ++round) {
    SCOPED_TRACE(round);
    const HWND oldForm = FForm->Handle();
    FForm->RecreateWnd();
    EXPECT_FALSE(IsWindow(oldForm));
    EXPECT_EQ(host->Handle(), window);
    EXPECT_EQ(GetParent(window), FForm->Handle());
    EXPECT_EQ(TWinControl::FromHandle(window), host.get());
    EXPECT_EQ(host->ParkedWindow(), nullptr);
    EXPECT_EQ(host->InPlaceObject(), inPlace);  // never left in-place activation
    EXPECT_EQ(host->Width(), FForm->ClientWidth());
    EXPECT_EQ(ProcessWindowCount(), windows);
    host->Navigate(L"about:blank");
    ASSERT_TRUE(PumpUntil([&] { return seen.size() >= round; }));
    EXPECT_EQ(seen.back(), L"about:blank");
  }
  // Ended while its window waits, the control takes that window with it.
  DestroyWindow(FForm->Handle());
  ASSERT_EQ(host->ParkedWindow(), window);
  ASSERT_TRUE(IsWindow(window));
  host.reset();
  EXPECT_FALSE(IsWindow(window));
}

}  // namespace
}  // namespace kvx::test
