// The life of the host against the test double, through its real
// constructors and destructors: what the control can still reach while the
// host ends, what it can reach from its very first question, and what the
// host leaves held when it is gone.
#include "toolkit/Win.h"

#include "browser/activex/OleError.h"
#include "browser/component/WebHost.h"
#include "tests/support/DoubleHostTest.h"
#include "toolkit/Component.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <exdispid.h>
#include <mshtmdid.h>
#include <servprov.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace kvx::test {
namespace {

using ::testing::ElementsAre;

// A layer above the component, the way the document host is built: an
// interface of its own on the site (a tear-off) and an ambient property of
// its own.
class TLayeredHost : public TWebHost {
 public:
  static constexpr LONG kDownloadFlags = 0x70;

  explicit TLayeredHost(TWinControl* parent) : TWebHost(parent) {}
  ~TLayeredHost() override { ShutDown(); }

 protected:
  IUnknown* SiteInterface(REFIID iid) noexcept override {
    static const TSiteInterface<TLayeredHost> kInterfaces[] = {
        {&IID_IServiceProvider, [](TLayeredHost& h) noexcept -> IUnknown* { return &h.FServices; }},
    };
    if (IUnknown* found = FindSiteInterface(kInterfaces, *this, iid)) return found;
    return TWebHost::SiteInterface(iid);
  }

  HRESULT InvokeAmbient(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* argError) override {
    if (id == DISPID_AMBIENT_DLCONTROL && (flags & DISPATCH_PROPERTYGET) && result) {
      *result = TVariant(kDownloadFlags).Release();
      return S_OK;
    }
    return TWebHost::InvokeAmbient(id, iid, locale, flags, params, result, exception, argError);
  }

 private:
  class TServices final : public TSiteTearOff<IServiceProvider> {
   public:
    using TSiteTearOff::TSiteTearOff;
    STDMETHODIMP QueryService(REFGUID, REFIID, void** object) noexcept override {
      if (object) *object = nullptr;
      return E_NOINTERFACE;
    }
  };
  TServices FServices{*ClientSite()};
};

class HostLifetimeTest : public DoubleHostTest {};

// What the control got when it turned to its site while the host was ending.
struct TAnswersDuringClose {
  HRESULT AmbientName = S_OK;
  VARTYPE AmbientNameType = VT_EMPTY;
  HRESULT AmbientDownloadFlags = S_OK;
  bool ClientSite = false;
  bool InPlaceSite = false;
  bool ServiceProvider = true;
};

TEST_F(HostLifetimeTest, NoEventOrDerivedSiteCallReachesTheHostOnceItsDestructionBegins) {
  TTestDoubleControl& control = FRegistration.Prepare();
  THostForm form;
  // Handlers write into storage outside the host: it can be read once the host is gone.
  std::vector<std::string> delivered;
  auto host = CreateComponent<TLayeredHost>(&form);
  host->OnCommandStateChange = [&](TObject*, std::int32_t, VARIANT_BOOL) {
    delivered.push_back("CommandState");
  };
  host->OnQuit = [&](TObject*) { delivered.push_back("Quit"); };
  host->OnClick = [&](TObject*) { delivered.push_back("Click"); };
  host->Handle();
  host->UIActivate();
  ASSERT_TRUE(control.UIActive());
  control.FireEvent(DISPID_COMMANDSTATECHANGE, {Int(-1), Bool(true)});
  ASSERT_THAT(delivered, ElementsAre("CommandState"));
  delivered.clear();

  // Inside Close the control does what the platform's does and more: it
  // fires events (Wine's fires CommandStateChange twice there), reports
  // property changes, reads ambient properties and asks its site for interfaces.
  TAnswersDuringClose answers;
  control.OnCall = [&](TDoubleCall method) {
    if (method != TDoubleCall::CloseNoSave) return;
    control.FireEvent(DISPID_COMMANDSTATECHANGE, {Int(-1), Bool(false)});
    control.FireEvent(DISPID_COMMANDSTATECHANGE, {Int(2), Bool(false)});
    control.FireEvent(DISPID_ONQUIT, {});
    control.FireEvent(DISPID_CLICK, {});
    control.NotifyChanged(DISPID_ENABLED);
    TVariant name, flags;
    answers.AmbientName = control.AmbientProperty(DISPID_AMBIENT_DISPLAYNAME, &name);
    answers.AmbientNameType = name.Type();
    answers.AmbientDownloadFlags = control.AmbientProperty(DISPID_AMBIENT_DLCONTROL, &flags);
    answers.ClientSite = control.SiteAs<IOleClientSite>() != nullptr;
    answers.InPlaceSite = control.SiteAs<IOleInPlaceSite>() != nullptr;
    answers.ServiceProvider = control.SiteAs<IServiceProvider>() != nullptr;
  };
  host.reset();

  EXPECT_THAT(delivered, ElementsAre());
  // The host's own site still answers, so the control can finish closing;
  // nothing of the layers above it does.
  EXPECT_TRUE(answers.ClientSite);
  EXPECT_TRUE(answers.InPlaceSite);
  EXPECT_FALSE(answers.ServiceProvider);
  EXPECT_EQ(answers.AmbientDownloadFlags, DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(answers.AmbientName, S_OK);
  EXPECT_EQ(answers.AmbientNameType, VT_BSTR);
  // The control was closed once, let go of, and called no more after that.
  EXPECT_EQ(control.CountOf(TDoubleCall::CloseNoSave), 1u);
  EXPECT_EQ(control.Calls().back(), TDoubleCall::SetClientSiteNull);
  EXPECT_EQ(control.AdvisedEventSinks() + control.AdvisedPropertySinks(), 0u);
  EXPECT_FALSE(control.InPlaceActive());
  EXPECT_EQ(control.OutstandingReferences(), 0);
  EXPECT_EQ(TActiveXHost::ActiveControlHost(&form), nullptr);
}

TEST_F(HostLifetimeTest, TheControlsFirstQuestionsReachTheMostDerivedLayer) {
  // The double asks for its site first, as the platform's control does, and
  // questions the site right away.
  TTestDoubleControl& control = FRegistration.Prepare();
  ASSERT_TRUE(control.MiscStatus & OLEMISC_SETCLIENTSITEFIRST);
  bool servicesOffered = false;
  HRESULT ambient = E_FAIL;
  LONG downloadFlags = 0;
  control.OnCall = [&](TDoubleCall method) {
    if (method != TDoubleCall::SetClientSite) return;
    control.OnCall = nullptr;
    servicesOffered = control.SiteAs<IServiceProvider>() != nullptr;
    TVariant flags;
    ambient = control.AmbientProperty(DISPID_AMBIENT_DLCONTROL, &flags);
    if (flags.Type() == VT_I4) downloadFlags = V_I4(&flags.Get());
  };
  THostForm form;
  auto host = CreateComponent<TLayeredHost>(&form);
  // Sited at creation, before anything completed it.
  EXPECT_EQ(control.CountOf(TDoubleCall::SetClientSite), 1u);
  EXPECT_FALSE(host->Completed());
  EXPECT_TRUE(servicesOffered);
  EXPECT_EQ(ambient, S_OK);
  EXPECT_EQ(downloadFlags, TLayeredHost::kDownloadFlags);
}

TEST_F(HostLifetimeTest, AHostMadeWithoutItsCreationStepRefusesUseWithAClearError) {
  FRegistration.Prepare();
  THostForm form;
  TLayeredHost host(&form);
  EXPECT_EQ(host.OleObject(), nullptr);
  for (auto use : std::initializer_list<std::function<void()>>{
           [&] { host.GetBooleanProperty(dispidBusy); }, [&] { host.Handle(); },
           [&] { host.Navigate(L"about:blank"); }, [&] { host.CompleteControl(); }}) {
    try {
      use();
      ADD_FAILURE() << "used without a control";
    } catch (const Exception& error) {
      EXPECT_THAT(error.Message(), ::testing::HasSubstr("CreateComponent"));
    }
  }
  EXPECT_EQ(FRegistration.Created(), 0u);
}

TEST_F(HostLifetimeTest, ReadingDocumentAndApplicationLeavesNoReferenceBehind) {
  TTestDoubleControl& control = FRegistration.Prepare();
  TTestDoubleControl document;  // the page's document: counts what is held on it
  IDispatch* page = static_cast<IWebBrowser2*>(&document);
  control.SetProperty(dispidDocument, TVariant(page).Get());
  auto host = MakeHost();
  host->CompleteControl();
  const long held = control.OutstandingReferences();
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(host->Document().Get(), page);
    EXPECT_EQ(host->ApplicationObject().Get(),
              static_cast<IDispatch*>(static_cast<IWebBrowser2*>(&control)));
    EXPECT_EQ(host->GetDispatchProperty(dispidApplication).Get(), host->ApplicationObject().Get());
  }
  EXPECT_EQ(document.OutstandingReferences(), 1);  // the control's own
  EXPECT_EQ(control.OutstandingReferences(), held);
  host.reset();
  EXPECT_EQ(control.OutstandingReferences(), 0);
  control.SetProperty(dispidDocument, TVariant().Get());
  EXPECT_EQ(document.OutstandingReferences(), 0);
}

TEST_F(HostLifetimeTest, TheControlComesBackAliveEachTimeItsFormsWindowIsMadeAgain) {
  // Controls differ in what closing does: some leave in-place activation by
  // themselves, others only when told.
  for (bool closeDeactivates : {true, false}) {
    SCOPED_TRACE(closeDeactivates ? "closing deactivates" : "closing keeps in-place activation");
    TTestDoubleControl& control = FRegistration.Prepare();
    control.CloseDeactivates = closeDeactivates;
    control.SetBoolProperty(dispidBusy, false);
    THostForm form;
    auto host = MakeHost(&form);
    host->SetAlign(TAlign::alClient);
    std::vector<std::wstring> navigating;
    host->OnBeforeNavigate2 = [&](TObject*, IDispatch*, VARIANT* url, VARIANT*, VARIANT*, VARIANT*,
                                  VARIANT*,
                                  VARIANT_BOOL*) { navigating.push_back(VariantText(url)); };
    host->Handle();
    host->UIActivate();
    ASSERT_TRUE(control.UIActive());

    for (int round = 1; round <= 2; ++round) {
      SCOPED_TRACE(round);
      const HWND oldForm = form.Handle(), oldWindow = host->Handle();
      form.RecreateWnd();
      EXPECT_FALSE(IsWindow(oldForm));
      EXPECT_FALSE(IsWindow(oldWindow));

      // The control was made active in place again, in the new window.
      const HWND window = host->Handle();
      EXPECT_TRUE(IsWindow(window));
      EXPECT_EQ(window, control.Window());
      EXPECT_EQ(GetParent(window), form.Handle());
      EXPECT_TRUE(control.InPlaceActive());
      EXPECT_EQ(control.DoVerbs.back().Verb, OLEIVERB_INPLACEACTIVATE);
      EXPECT_EQ(control.DoVerbs.back().Parent, form.Handle());
      EXPECT_EQ(TWinControl::FromHandle(window), host.get());
      // Activation, properties, navigation and events work as before.
      EXPECT_EQ(TActiveXHost::ActiveControlHost(&form), nullptr);
      host->UIActivate();
      EXPECT_TRUE(control.UIActive());
      EXPECT_EQ(TActiveXHost::ActiveControlHost(&form), host.get());
      EXPECT_FALSE(host->Busy());
      host->Navigate(L"about:blank");
      EXPECT_EQ(control.Navigations.size(), static_cast<size_t>(round));
      TUniqueBstr url(SysAllocString(L"about:blank"));
      VARIANT address = Bstr(url.Get()), other = Int(0);
      VARIANT_BOOL cancel = VARIANT_FALSE;
      control.FireEvent(DISPID_BEFORENAVIGATE2,
                        {Dispatch(nullptr), ByRef(&address), ByRef(&other), ByRef(&other),
                         ByRef(&other), ByRef(&other), ByRef(&cancel)});
      EXPECT_EQ(navigating.size(), static_cast<size_t>(round));
    }
  }
}

}  // namespace
}  // namespace kvx::test
