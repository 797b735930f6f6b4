// The page keeps the keyboard focus when the user comes back to the shell
// from another program: activation puts the document back into its
// user-interface active state, and nothing takes the focus from it again.
#include "toolkit/Win.h"

#include "app/MainForm.h"
#include "tests/support/OtherThreadWindow.h"
#include "tests/support/TestDoubleControl.h"
#include "toolkit/Application.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kvx {
namespace {

TEST(PageFocus, ThePageKeepsTheFocusWhenTheApplicationBecomesActiveAgain) {
  TOleInitialize ole;
  TApplication application;
  std::vector<std::string> reported;
  application.OnException = [&](TObject*, const std::exception& e) {
    reported.push_back(e.what());
  };
  test::TTestDoubleRegistration registration;
  test::TTestDoubleControl& control = registration.Prepare();
  control.FocusPageOnUIActivate = true;  // as the platform control does
  control.SetBoolProperty(212, false);
  VARIANT document;
  VariantInit(&document);
  V_VT(&document) = VT_DISPATCH;
  V_DISPATCH(&document) = static_cast<IWebBrowser2*>(&control);  // a page is loaded
  control.SetProperty(203, document);

  TMainForm form(std::vector<std::string>{"0", "0", "0", "400"});
  test::TActivationRecord record(form);
  std::vector<bool> uiActive;
  std::vector<TWinControl*> activeControl;
  record.OnActivated = [&] {
    uiActive.push_back(control.UIActive());
    activeControl.push_back(form.ActiveControl());
  };
  TWinControl* host = TWinControl::NearestControl(control.Window());
  ASSERT_NE(host, nullptr);

  form.Show();
  ASSERT_TRUE(test::PumpUntil([&] { return !record.Focus.empty(); }));
  {
    test::TOtherThreadWindow other;
    ASSERT_TRUE(other.TakeForeground());
    EXPECT_NE(GetFocus(), control.PageWindow());
    ASSERT_TRUE(test::ComeBackTo(form.Handle()));
  }
  application.ProcessMessages();  // whatever the activation left queued

  ASSERT_NE(control.PageWindow(), nullptr) << "activation asked the document for the focus";
  ASSERT_GE(record.Focus.size(), 2u);
  for (size_t i : {size_t{0}, record.Focus.size() - 1}) {
    SCOPED_TRACE(i == 0 ? "first shown" : "back from another program");
    EXPECT_EQ(record.Focus[i], control.PageWindow()) << "the keys typed next go to the page";
    EXPECT_TRUE(uiActive[i]);
    EXPECT_EQ(activeControl[i], host) << "the page's focus is the browser host's";
  }
  if (GetActiveWindow() == form.Handle()) {  // unless the X server took the activation away since
    EXPECT_EQ(GetFocus(), control.PageWindow());
    EXPECT_TRUE(control.UIActive());
  }
  EXPECT_EQ(reported, std::vector<std::string>{});
}

}  // namespace
}  // namespace kvx
