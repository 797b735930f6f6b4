// Wine's real WebBrowser control sited with the document host: it finds the
// host's UI handler on its site from its first question, while the host is
// still being made, and gives back every reference when the host ends.
#include "toolkit/Win.h"

#include "browser/component/WebHost.h"
#include "tests/support/BrowserTestSupport.h"
#include "toolkit/Component.h"

#include <gtest/gtest.h>

#include <mshtmhst.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace kvx::test {
namespace {

struct TQuestion {
  IID Iid;
  bool Answered;
  bool WhileMade;  // before the host's creation returned
  bool Completed;  // the control was completed already
};

// Records every interface the control asks its site for, and, from its
// destructor once the end has run, the references the control still holds.
class TQuestionedHost : public TWebHost {
 public:
  TQuestionedHost(TWinControl* parent, std::vector<TQuestion>& asked, const bool& making,
                  ULONG& referencesLeft)
      : TWebHost(parent), FAsked(asked), FMaking(making), FReferencesLeft(referencesLeft) {}
  ~TQuestionedHost() override {
    ShutDown();
    FReferencesLeft = RefCount();
  }

 protected:
  IUnknown* SiteInterface(REFIID iid) noexcept override {
    IUnknown* found = TWebHost::SiteInterface(iid);
    try {
      FAsked.push_back({iid, found != nullptr, FMaking, Completed()});
    } catch (...) {
    }
    return found;
  }

 private:
  std::vector<TQuestion>& FAsked;
  const bool& FMaking;
  ULONG& FReferencesLeft;
};

TEST(DocHostRealControlTest, TheControlFindsTheUIHandlerWhileSitedAndEndsBalanced) {
  TOleInitialize ole;
  ASSERT_TRUE(SUCCEEDED(ole.Result()));
  THostForm form;
  std::vector<TQuestion> asked;
  bool making = true;
  ULONG referencesLeft = 99;
  auto host = CreateComponent<TQuestionedHost>(&form, asked, making, referencesLeft);
  making = false;

  auto handler = std::find_if(asked.begin(), asked.end(), [](const TQuestion& q) {
    return q.Iid == __uuidof(IDocHostUIHandler);
  });
  ASSERT_NE(handler, asked.end()) << "the control never looked for the UI handler";
  EXPECT_TRUE(handler->Answered);
  EXPECT_TRUE(handler->WhileMade);
  EXPECT_FALSE(handler->Completed);

  // It runs with it: in place, navigating.
  host->SetAlign(TAlign::alClient);
  std::vector<std::wstring> seen;
  host->OnBeforeNavigate2 = [&](TObject*, IDispatch*, VARIANT* url, VARIANT*, VARIANT*, VARIANT*,
                                VARIANT*, VARIANT_BOOL*) { seen.push_back(VariantText(url)); };
  ASSERT_TRUE(IsWindow(host->Handle()));
  host->Navigate(L"about:blank");
  ASSERT_TRUE(PumpUntil([&] { return !seen.empty() && !host->Busy(); }));
  EXPECT_GT(host->RefCount(), 0u);

  host.reset();
  EXPECT_EQ(referencesLeft, 0u);
}

}  // namespace
}  // namespace kvx::test
