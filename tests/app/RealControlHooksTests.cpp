// The main window's hooks with the platform's real WebBrowser control: they
// live while the window is the application's focused form and go with it.
#include "toolkit/Win.h"

#include "app/MainForm.h"
#include "toolkit/Application.h"

#include <gtest/gtest.h>

namespace kvx::test {

// A friend of the main window: its tests reach the window's parts through it.
class RealControlHooks : public ::testing::Test {
 protected:
  static TWebHost& Browser(TMainForm& form) { return *form.WebBrowser1; }
  static void ApplicationActivated(TMainForm& form) { form.ApplicationActivated(&Application()); }
};

namespace {

TEST_F(RealControlHooks, TheFilterRunsWhileTheMainWindowIsTheFocusedFormAndNeverAfterItGoes) {
  TOleInitialize ole;
  TApplication application;
  std::vector<std::string> reported;
  application.OnException = [&](TObject*, const std::exception& e) {
    reported.push_back(e.what());
  };
  {
    TMainForm form({"0", "0", "0", "400", "about:blank"});
    EXPECT_TRUE(application.OnMessage) << "creation installs the filter";
    EXPECT_TRUE(application.OnActivate);
    form.Show();
    application.ProcessMessages();

    // Before any page exists there is no document; activation does nothing and raises nothing.
    EXPECT_NO_THROW(EXPECT_FALSE(Browser(form).GetDispatchProperty(203)));
    EXPECT_NO_THROW(ApplicationActivated(form));

    // Messages pass the filter with the real control behind it.
    for (int i = 0; i < 20; ++i) {
      PostMessageW(form.Handle(), WM_NULL, 0, 0);
      application.ProcessMessages();
    }

    // Another form of the application taking the focus removes the hooks...
    TForm other;
    other.HandleNeeded();
    application.FormActivated(&other);
    EXPECT_FALSE(application.OnMessage);
    EXPECT_FALSE(application.OnActivate);
    // ...and the main window getting it back installs them again.
    application.FormActivated(&form);
    EXPECT_TRUE(application.OnMessage);
    EXPECT_TRUE(application.OnActivate);
  }
  EXPECT_FALSE(application.OnMessage) << "no filter may run once the window is gone";
  EXPECT_FALSE(application.OnActivate);
  EXPECT_TRUE(reported.empty()) << reported.front();
}

}  // namespace
}  // namespace kvx::test
