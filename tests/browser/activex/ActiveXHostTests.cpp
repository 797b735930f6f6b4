// The generic ActiveX host against the test double control: completion and
// its retry rules, event routing and argument passing, properties, ambient
// properties, persisted state, window adoption and a clean end.
#include "toolkit/Win.h"

#include "browser/control/BrowserControl.h"
#include "browser/activex/OleError.h"
#include "tests/support/DoubleHostTest.h"
#include "toolkit/Component.h"
#include "toolkit/Application.h"

#include <mshtmdid.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace kvx::test {
namespace {

using ::testing::ElementsAre;

class ActiveXHostTest : public DoubleHostTest {};

// Reports from its destructor, once the end has run, how many references
// the control still holds on the host and the wrapper still holds on the
// control (its cached BrowserInterface, released with its members).
class TEndReportingHost : public TBrowserControl {
 public:
  struct TReport {
    ULONG HostReferences = 99;
    long ControlReferences = 99;
  };
  TEndReportingHost(TWinControl* parent, TTestDoubleControl& control, TReport& report)
      : TBrowserControl(parent), FControl(control), FReport(report) {}
  ~TEndReportingHost() override {
    ShutDown();
    FReport = {RefCount(), FControl.OutstandingReferences()};
  }

 private:
  TTestDoubleControl& FControl;
  TReport& FReport;
};

TEST_F(ActiveXHostTest, CompletesOnFirstPropertyReadInOrder) {
  TTestDoubleControl& control = FRegistration.Prepare();
  control.MiscStatus = 0;  // does not ask for its site first
  control.SetBoolProperty(dispidBusy, true);
  auto host = MakeHost();
  EXPECT_EQ(control.CountOf(TDoubleCall::SetClientSite), 0u);
  EXPECT_FALSE(host->Completed());

  EXPECT_TRUE(host->GetBooleanProperty(dispidBusy));
  EXPECT_TRUE(host->Completed());
  std::vector<TDoubleCall> order;
  for (TDoubleCall call : control.Calls())
    if (call != TDoubleCall::GetExtent && call != TDoubleCall::Invoke &&
        call != TDoubleCall::FindConnectionPoint)
      order.push_back(call);
  EXPECT_THAT(order, ElementsAre(TDoubleCall::GetMiscStatus, TDoubleCall::GetClientSite,
                                 TDoubleCall::SetClientSite, TDoubleCall::InitNew,
                                 TDoubleCall::AdvisePropertyNotify, TDoubleCall::AdviseEvents,
                                 TDoubleCall::OnAmbientPropertyChange));
  EXPECT_THAT(control.AmbientChanges, ElementsAre(DISPID_UNKNOWN));
  EXPECT_EQ(control.Site().Get(), host->ClientSite());

  // Completion happens once.
  host->GetBooleanProperty(dispidBusy);
  EXPECT_EQ(control.CountOf(TDoubleCall::InitNew), 1u);
}

TEST_F(ActiveXHostTest, SiteIsSetInTheConstructorWhenTheControlAsksForIt) {
  TTestDoubleControl& control = FRegistration.Prepare();  // default: OLEMISC_SETCLIENTSITEFIRST
  auto host = MakeHost();
  EXPECT_EQ(control.CountOf(TDoubleCall::SetClientSite), 1u);
  host->CompleteControl();
  EXPECT_EQ(control.CountOf(TDoubleCall::SetClientSite), 1u);  // already sited
}

TEST_F(ActiveXHostTest, SavedStateIsLoadedAndFreedAfterASuccessfulLoad) {
  const std::vector<BYTE> state{1, 2, 3, 4, 5};
  TTestDoubleControl& control = FRegistration.Prepare();
  auto host = MakeHost();
  host->SetControlData(state.data(), state.size());
  EXPECT_EQ(host->ControlData(), state);  // pending state is written as it is
  host->CompleteControl();
  EXPECT_EQ(control.CountOf(TDoubleCall::Load), 1u);
  EXPECT_EQ(control.CountOf(TDoubleCall::InitNew), 0u);
  ASSERT_GE(control.LoadedBytes.size(), state.size());
  EXPECT_TRUE(std::equal(state.begin(), state.end(), control.LoadedBytes.begin()));
  EXPECT_FALSE(host->HasSavedState());
  // From now on the control saves its own state.
  EXPECT_EQ(host->ControlData(), control.SaveBytes);
  EXPECT_EQ(control.CountOf(TDoubleCall::Save), 1u);
}

TEST_F(ActiveXHostTest, CompletionRetriesFollowWhereItFailed) {
  const std::vector<BYTE> state{9, 8, 7};
  struct Case {
    const char* name;
    bool failInLoad;
    size_t loads;
    size_t initNews;
  };
  for (const Case& c :
       {Case{"failure after the load", false, 1, 1}, Case{"failure in the load", true, 2, 0}}) {
    SCOPED_TRACE(c.name);
    TTestDoubleControl& control = FRegistration.Prepare();
    if (c.failInLoad) {
      control.FailCall(TDoubleCall::Load, E_FAIL);
    } else {
      control.RefuseNext(IID_IOleControl);
    }
    auto host = MakeHost();
    host->SetControlData(state.data(), state.size());
    EXPECT_THROW(host->GetBooleanProperty(dispidBusy), EOleError);
    EXPECT_FALSE(host->Completed());
    EXPECT_EQ(control.AdvisedEventSinks(), 0u);
    EXPECT_EQ(host->HasSavedState(), c.failInLoad);

    control.SetBoolProperty(dispidBusy, false);
    EXPECT_NO_THROW(host->GetBooleanProperty(dispidBusy));
    EXPECT_TRUE(host->Completed());
    EXPECT_EQ(control.CountOf(TDoubleCall::Load), c.loads);
    EXPECT_EQ(control.CountOf(TDoubleCall::InitNew), c.initNews);
    EXPECT_EQ(control.AdvisedEventSinks(), 1u);
    EXPECT_FALSE(host->HasSavedState());
  }
}

TEST_F(ActiveXHostTest, ControlWithoutConnectionPointsIsHostedWithoutEvents) {
  TTestDoubleControl& control = FRegistration.Prepare();
  control.Refuse(IID_IConnectionPointContainer);
  THostForm form;
  auto host = MakeHost(&form);
  bool fired = false;
  host->OnQuit = [&](TObject*) { fired = true; };
  EXPECT_NO_THROW(host->Handle());
  EXPECT_TRUE(host->Completed());
  EXPECT_EQ(control.FireEvent(253, {}), S_OK);
  EXPECT_FALSE(fired);
}

TEST_F(ActiveXHostTest, ConstructionFailureRaisesAndLeavesNothing) {
  FRegistration.CreateError = REGDB_E_CLASSNOTREG;
  const int before = WebBrowserDescription.InstanceCount;
  THostForm form;
  std::unique_ptr<TBrowserControl> host;
  try {
    host = MakeHost(&form);
    ADD_FAILURE() << "created without a control";
  } catch (const EOleError& error) {
    EXPECT_EQ(error.ErrorCode(), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(error.Message(), OleErrorMessage(REGDB_E_CLASSNOTREG));
  }
  EXPECT_EQ(host, nullptr);
  EXPECT_TRUE(form.Controls().empty());  // destroyed, not left in its parent
  EXPECT_EQ(WebBrowserDescription.InstanceCount, before);
}

TEST_F(ActiveXHostTest, InstancesAreCountedOnTheDescription) {
  int before = WebBrowserDescription.InstanceCount;
  {
    auto first = MakeHost();
    auto second = MakeHost();
    EXPECT_EQ(WebBrowserDescription.InstanceCount, before + 2);
  }
  EXPECT_EQ(WebBrowserDescription.InstanceCount, before);
}

// --- properties ---------------------------------------------------------------

TEST_F(ActiveXHostTest, PropertyWritesSendTrueAsMinusOneEmptyTextAsNullAndObjectsByReference) {
  TTestDoubleControl& control = FRegistration.Prepare();
  auto host = MakeHost();
  host->SetBooleanProperty(dispidVisible, 1);
  host->SetBooleanProperty(dispidSilent, 0);
  host->SetIntegerProperty(dispidToolBar, -7);
  host->SetTextProperty(dispidStatusText, L"");
  host->SetTextProperty(dispidStatusText, L"状态");
  host->SetDispatchProperty(300, static_cast<IWebBrowser2*>(&control));
  host->SetStatusBar(true);
  ASSERT_EQ(control.Puts.size(), 7u);
  auto& puts = control.Puts;
  EXPECT_EQ(puts[0].Id, dispidVisible);
  EXPECT_EQ(puts[0].Value.Type(), VT_BOOL);
  EXPECT_EQ(V_BOOL(&puts[0].Value.Get()), VARIANT_TRUE);
  EXPECT_EQ(puts[0].Flags, DISPATCH_PROPERTYPUT);
  EXPECT_EQ(V_BOOL(&puts[1].Value.Get()), VARIANT_FALSE);
  EXPECT_EQ(puts[2].Value.Type(), VT_I4);
  EXPECT_EQ(V_I4(&puts[2].Value.Get()), -7);
  EXPECT_EQ(puts[3].Value.Type(), VT_BSTR);
  EXPECT_EQ(V_BSTR(&puts[3].Value.Get()), nullptr);
  EXPECT_EQ(puts[4].Value.Text(), L"状态");
  EXPECT_EQ(puts[5].Flags, DISPATCH_PROPERTYPUTREF);
  EXPECT_EQ(puts[5].Value.Type(), VT_DISPATCH);
  EXPECT_EQ(puts[6].Id, dispidStatusBar);
  EXPECT_EQ(V_BOOL(&puts[6].Value.Get()), VARIANT_TRUE);
}

TEST_F(ActiveXHostTest, TypedReadsReturnTheControlsValueAndNoObjectForAnEmptyOne) {
  TTestDoubleControl& control = FRegistration.Prepare();
  auto host = MakeHost();
  VARIANT v;
  V_VT(&v) = VT_I4;
  V_I4(&v) = 3;
  control.SetProperty(dispidReadyState, v);
  TUniqueBstr text(SysAllocString(L"准备好"));
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = text.Get();
  control.SetProperty(dispidStatusText, v);
  EXPECT_EQ(host->ReadyState(), 3);
  EXPECT_EQ(host->StatusText(), L"准备好");
  EXPECT_EQ(host->ApplicationObject().Get(),
            static_cast<IDispatch*>(static_cast<IWebBrowser2*>(&control)));
  // No document yet: an empty reference, no error.
  V_VT(&v) = VT_EMPTY;
  control.SetProperty(dispidDocument, v);
  EXPECT_EQ(host->GetDispatchProperty(dispidDocument), nullptr);
  TVariant whole;
  host->GetVariantProperty(dispidStatusText, whole.Get());
  EXPECT_EQ(VariantText(&whole.Get()), L"准备好");
}

TEST_F(ActiveXHostTest, PropertyErrorsCarryTheControlsTextOrTheSystems) {
  TTestDoubleControl& control = FRegistration.Prepare();
  auto host = MakeHost();
  control.FailProperty(dispidBusy, E_FAIL);
  control.FailProperty(dispidStatusText, E_ACCESSDENIED, L"Denied by the page. \r\n");
  control.FailProperty(dispidToolBar, static_cast<HRESULT>(0xA0001234));
  try {
    host->GetBooleanProperty(dispidBusy);
    FAIL();
  } catch (const EOleSysError& error) {
    EXPECT_EQ(error.ErrorCode(), E_FAIL);
    EXPECT_EQ(error.Message(), OleErrorMessage(E_FAIL));
    EXPECT_FALSE(error.Message().empty());
    EXPECT_NE(error.Message().back(), '\n');
  }
  try {
    host->SetTextProperty(dispidStatusText, L"x");
    FAIL();
  } catch (const EOleException& error) {
    EXPECT_EQ(error.ErrorCode(), E_ACCESSDENIED);
    EXPECT_EQ(error.Message(), "Denied by the page");
    EXPECT_EQ(error.Source(), L"TestDouble");
  }
  try {
    host->ToolBar();
    FAIL();
  } catch (const EOleError& error) {
    EXPECT_EQ(error.Message(), "OLE error a0001234");
  }
}

TEST_F(ActiveXHostTest, ReadsAndWritesBeforeTheWindowCompleteWithoutActivating) {
  TTestDoubleControl& control = FRegistration.Prepare();
  THostForm form;
  auto host = MakeHost(&form);
  host->SetOffline(true);
  EXPECT_TRUE(host->Completed());
  EXPECT_FALSE(host->HandleAllocated());
  EXPECT_TRUE(control.DoVerbs.empty());
}

// --- ambient properties -------------------------------------------------------

TEST_F(ActiveXHostTest, AmbientReadsAnswerTheHostsColoursNameFontAndRunModeAndNothingElse) {
  TTestDoubleControl& control = FRegistration.Prepare();
  THostForm form;
  auto host = MakeHost(&form);
  host->SetName("WebBrowser1");
  host->SetColor(0x00123456);
  struct Case {
    DISPID id;
    VARTYPE type;
    LONG value;
  };
  const Case cases[] = {
      {DISPID_AMBIENT_BACKCOLOR, VT_I4, 0x00123456},
      {DISPID_AMBIENT_LOCALEID, VT_I4, static_cast<LONG>(GetUserDefaultLCID())},
      {DISPID_AMBIENT_FORECOLOR, VT_I4, static_cast<LONG>(host->Font().Color)},
      {DISPID_AMBIENT_MESSAGEREFLECT, VT_BOOL, VARIANT_TRUE},
      {DISPID_AMBIENT_USERMODE, VT_BOOL, VARIANT_TRUE},
      {DISPID_AMBIENT_UIDEAD, VT_BOOL, VARIANT_FALSE},
      {DISPID_AMBIENT_SHOWGRABHANDLES, VT_BOOL, VARIANT_FALSE},
      {DISPID_AMBIENT_SHOWHATCHING, VT_BOOL, VARIANT_FALSE},
      {DISPID_AMBIENT_SUPPORTSMNEMONICS, VT_BOOL, VARIANT_TRUE},
      {DISPID_AMBIENT_AUTOCLIP, VT_BOOL, VARIANT_TRUE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    TVariant result;
    ASSERT_EQ(control.AmbientProperty(c.id, &result.Get()), S_OK);
    EXPECT_EQ(V_VT(&result.Get()), c.type);
    EXPECT_EQ(c.type == VT_BOOL ? V_BOOL(&result.Get()) : V_I4(&result.Get()), c.value);
  }
  TVariant name;
  ASSERT_EQ(control.AmbientProperty(DISPID_AMBIENT_DISPLAYNAME, &name.Get()), S_OK);
  EXPECT_EQ(VariantText(&name.Get()), L"WebBrowser1");
  TVariant font;
  ASSERT_EQ(control.AmbientProperty(DISPID_AMBIENT_FONT, &font.Get()), S_OK);
  ASSERT_EQ(V_VT(&font.Get()), VT_DISPATCH);
  Microsoft::WRL::ComPtr<IFont> oleFont;
  ASSERT_TRUE(SUCCEEDED(V_DISPATCH(&font.Get())->QueryInterface(IID_PPV_ARGS(&oleFont))));

  TVariant other;
  EXPECT_EQ(control.AmbientProperty(DISPID_AMBIENT_USERAGENT, &other.Get()), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(control.AmbientProperty(DISPID_AMBIENT_USERMODE, &other.Get(), DISPATCH_PROPERTYPUT),
            DISP_E_MEMBERNOTFOUND);
  // Renaming tells the control.
  host->CompleteControl();
  host->SetName("WebBrowser2");
  EXPECT_EQ(control.AmbientChanges.back(), DISPID_AMBIENT_DISPLAYNAME);
}

TEST_F(ActiveXHostTest, SiteAnswersOnlyItsInterfacesAndTransformsCoordinates) {
  FRegistration.Prepare();
  auto host = MakeHost();
  IOleClientSite* site = host->ClientSite();
  for (REFIID iid :
       {IID_IUnknown, IID_IOleClientSite, IID_IOleControlSite, IID_IOleInPlaceSite,
        IID_IOleInPlaceFrame, IID_IDispatch, IID_IPropertyNotifySink, IID_ISimpleFrameSite}) {
    Microsoft::WRL::ComPtr<IUnknown> found;
    EXPECT_EQ(site->QueryInterface(iid, reinterpret_cast<void**>(found.GetAddressOf())), S_OK);
  }
  Microsoft::WRL::ComPtr<IUnknown> none;
  EXPECT_EQ(
      site->QueryInterface(IID_IServiceProvider, reinterpret_cast<void**>(none.GetAddressOf())),
      E_NOINTERFACE);

  Microsoft::WRL::ComPtr<IOleControlSite> controlSite;
  ASSERT_EQ(site->QueryInterface(IID_PPV_ARGS(&controlSite)), S_OK);
  TWindowDC dc(nullptr);
  int ppi = GetDeviceCaps(dc.Get(), LOGPIXELSX);
  POINTL himetric{2540, 2540};
  POINTF pixels{};
  ASSERT_EQ(controlSite->TransformCoords(&himetric, &pixels, XFORMCOORDS_HIMETRICTOCONTAINER),
            S_OK);
  EXPECT_FLOAT_EQ(pixels.x, static_cast<float>(ppi));
  pixels = POINTF{static_cast<float>(ppi) / 2, static_cast<float>(ppi)};
  ASSERT_EQ(controlSite->TransformCoords(&himetric, &pixels, XFORMCOORDS_CONTAINERTOHIMETRIC),
            S_OK);
  EXPECT_EQ(himetric.x, 1270);
  EXPECT_EQ(himetric.y, 2540);

  Microsoft::WRL::ComPtr<IOleInPlaceFrame> frame;
  ASSERT_EQ(site->QueryInterface(IID_PPV_ARGS(&frame)), S_OK);
  RECT border{};
  EXPECT_EQ(frame->GetBorder(&border), INPLACE_E_NOTOOLSPACE);
  EXPECT_EQ(frame->TranslateAccelerator(nullptr, 0), S_FALSE);
  Microsoft::WRL::ComPtr<IUnknown> identity;
  ASSERT_EQ(frame->QueryInterface(IID_PPV_ARGS(&identity)), S_OK);
  EXPECT_EQ(identity.Get(), static_cast<IUnknown*>(site));
}

// --- window ---------------------------------------------------------------------

TEST_F(ActiveXHostTest, WindowCreationActivatesInPlaceAndAdoptsTheControlsWindow) {
  TTestDoubleControl& control = FRegistration.Prepare();
  THostForm form;
  auto host = MakeHost(&form);
  host->SetBounds(10, 20, 300, 200);
  HWND window = host->Handle();
  ASSERT_EQ(control.DoVerbs.size(), 1u);
  const TDoVerbCall& verb = control.DoVerbs.front();
  EXPECT_EQ(verb.Verb, OLEIVERB_INPLACEACTIVATE);
  EXPECT_EQ(verb.Site, host->ClientSite());
  EXPECT_EQ(verb.Parent, form.Handle());
  EXPECT_EQ(verb.Position.left, 10);
  EXPECT_EQ(verb.Position.bottom, 220);
  EXPECT_EQ(window, control.Window());
  EXPECT_EQ(TWinControl::FromHandle(window), host.get());
  // The window context: the host's bounds, no clipping, the form as frame window.
  EXPECT_EQ(control.ContextPosition.left, 10);
  EXPECT_EQ(control.ContextPosition.right, 310);
  EXPECT_EQ(control.ContextClip.right, 0x7FFF);
  EXPECT_EQ(control.ContextClip.bottom, 0x7FFF);
  EXPECT_EQ(control.ContextFrameInfo.hwndFrame, form.Handle());
  EXPECT_FALSE(control.ContextFrameInfo.fMDIApp);
  EXPECT_EQ(control.ContextFrameInfo.cAccelEntries, 0u);
  EXPECT_FALSE(control.ContextHadDocumentWindow);
  EXPECT_NE(host->InPlaceObject(), nullptr);

  // Reflected keys go to the in-place object as the original key message.
  control.AcceleratorResult = S_OK;
  EXPECT_EQ(host->Perform(CN_BASE + WM_KEYDOWN, VK_TAB, 0x000F0001), 1);
  ASSERT_EQ(control.Accelerated.size(), 1u);
  EXPECT_EQ(control.Accelerated[0].message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(control.Accelerated[0].wParam, static_cast<WPARAM>(VK_TAB));
  EXPECT_EQ(control.Accelerated[0].hwnd, window);
  EXPECT_EQ(control.Accelerated[0].pt.x, 0x115DE1F1);

  // Unhandled messages reach the control's own procedure; reflected
  // notifications arrive renumbered into the OLE control range.
  control.WindowMessages.clear();
  host->Perform(CN_COMMAND, 0, 0);
  host->Perform(CN_LAST, 0, 0);
  host->Perform(WM_USER + 7, 0, 0);
  const UINT registered = RegisterWindowMessageW(L"KorvexaHostTest");
  ASSERT_GE(registered, 0xC000u);
  SendMessageW(window, registered, 0, 0);  // registered messages are never taken for reflected ones
  EXPECT_THAT(control.WindowMessages,
              ElementsAre(OCM_COMMAND, OCM__BASE + 0x3FF, WM_USER + 7, registered));

  // Resizing tells the control its extent in HIMETRIC; a refusal keeps the size.
  TWindowDC dc(nullptr);
  int ppi = GetDeviceCaps(dc.Get(), LOGPIXELSX);
  host->SetBounds(10, 20, ppi, 200);
  EXPECT_EQ(control.Extent.cx, 2540);
  control.FailCall(TDoubleCall::SetExtent, E_FAIL);
  host->SetBounds(0, 0, 50, 50);
  EXPECT_EQ(host->Width(), ppi);
  EXPECT_EQ(host->Left(), 0);
}

TEST_F(ActiveXHostTest, ActivationFailuresRaiseTheirMessages) {
  struct Case {
    bool activate;
    bool window;
    const char* message;
  };
  for (const Case& c : {Case{false, true, "OLE control activation failed"},
                        Case{true, false, "Could not obtain OLE control window handle"}}) {
    TTestDoubleControl& control = FRegistration.Prepare();
    control.ActivateInPlace = c.activate;
    control.ProvideWindow = c.window;
    THostForm form;
    auto host = MakeHost(&form);
    try {
      host->Handle();
      ADD_FAILURE() << "no error for: " << c.message;
    } catch (const Exception& error) {
      EXPECT_EQ(error.Message(), c.message);
    }
  }
}

TEST_F(ActiveXHostTest, DestructionUndoesEverythingAndLeavesNoReference) {
  TTestDoubleControl& control = FRegistration.Prepare();
  THostForm form;
  TEndReportingHost::TReport report;
  auto host = CreateComponent<TEndReportingHost>(&form, control, report);
  host->Handle();
  host->BrowserInterface();
  host->UIActivate();
  EXPECT_TRUE(control.UIActive());
  EXPECT_EQ(TActiveXHost::ActiveControlHost(&form), host.get());
  EXPECT_GT(control.OutstandingReferences(), 0);
  EXPECT_GT(host->RefCount(), 0u);

  host.reset();
  EXPECT_EQ(report.HostReferences, 0u);
  EXPECT_EQ(report.ControlReferences, 1);  // the wrapper's BrowserInterface, released with it
  EXPECT_EQ(control.OutstandingReferences(), 0);
  EXPECT_EQ(control.AdvisedEventSinks() + control.AdvisedPropertySinks(), 0u);
  EXPECT_FALSE(control.InPlaceActive());
  EXPECT_FALSE(control.UIActive());
  EXPECT_EQ(TActiveXHost::ActiveControlHost(&form), nullptr);
  EXPECT_LT(control.IndexOf(TDoubleCall::CloseNoSave),
            control.IndexOf(TDoubleCall::UnadviseEvents));
  EXPECT_LT(control.IndexOf(TDoubleCall::UnadviseEvents),
            control.IndexOf(TDoubleCall::SetClientSiteNull));
}

// --- stock properties, names, keys and activation --------------------------------

// A control whose description keeps enabled state, back colour and caption in step with the host.
TControlDescription gStockDescription{.ClassID = CLSID_WebBrowser,
                                      .EventIID = DIID_DWebBrowserEvents2,
                                      .Flags = cfEnabled | cfBackColor | cfCaption,
                                      .Version = 401};

class TStockHost : public TActiveXHost {
 public:
  explicit TStockHost(TWinControl* parent) : TActiveXHost(parent, gStockDescription) {}
};

TEST_F(ActiveXHostTest, StockPropertiesFollowTheControlWithoutPingPong) {
  TTestDoubleControl& control = FRegistration.Prepare();
  control.SetBoolProperty(DISPID_ENABLED, false);
  VARIANT colour;
  V_VT(&colour) = VT_I4;
  V_I4(&colour) = 0x00ABCDEF;
  control.SetProperty(DISPID_BACKCOLOR, colour);
  THostForm form;
  auto host = CreateComponent<TStockHost>(&form);
  host->CompleteControl();
  EXPECT_FALSE(host->Enabled());
  EXPECT_EQ(host->Color(), 0x00ABCDEFu);

  host->Handle();
  // The control announces the change while the host pushes it: it must not
  // bounce back with the control's old value.
  control.OnCall = [&](TDoubleCall method) {
    if (method == TDoubleCall::Invoke && !control.Puts.empty()) {
      control.OnCall = nullptr;
      control.NotifyChanged(DISPID_ENABLED);
    }
  };
  control.Puts.clear();
  host->SetEnabled(true);
  ASSERT_FALSE(control.Puts.empty());
  EXPECT_EQ(control.Puts.back().Id, DISPID_ENABLED);
  EXPECT_EQ(V_BOOL(&control.Puts.back().Value.Get()), VARIANT_TRUE);
  EXPECT_TRUE(host->Enabled());

  // A change the control makes itself reaches the host; read errors are swallowed.
  control.SetBoolProperty(DISPID_ENABLED, false);
  control.NotifyChanged(DISPID_ENABLED);
  EXPECT_FALSE(host->Enabled());
  control.FailProperty(DISPID_BACKCOLOR, E_FAIL);
  control.NotifyChanged(DISPID_BACKCOLOR);
  EXPECT_EQ(host->Color(), 0x00ABCDEFu);
}

TEST_F(ActiveXHostTest, AFailedNestedReadKeepsTheGuardOfThePushStillUnderWay) {
  TTestDoubleControl& control = FRegistration.Prepare();
  control.SetBoolProperty(DISPID_ENABLED, false);
  control.FailProperty(DISPID_BACKCOLOR, E_FAIL);
  THostForm form;
  auto host = CreateComponent<TStockHost>(&form);
  host->CompleteControl();
  host->Handle();
  ASSERT_FALSE(host->Enabled());
  // While the host pushes "enabled", the control reports a colour change it
  // cannot answer for, then the change of "enabled" itself, still holding
  // its old value: the host must not take that old value back.
  control.OnCall = [&](TDoubleCall method) {
    if (method != TDoubleCall::Invoke || control.Puts.size() != 0) return;
    control.OnCall = nullptr;
    control.NotifyChanged(DISPID_BACKCOLOR);
    control.NotifyChanged(DISPID_ENABLED);
  };
  host->SetEnabled(true);
  EXPECT_TRUE(host->Enabled());
  ASSERT_EQ(control.Puts.size(), 1u);
  EXPECT_EQ(control.Puts[0].Id, DISPID_ENABLED);
  EXPECT_EQ(V_BOOL(&control.Puts[0].Value.Get()), VARIANT_TRUE);
}

TEST_F(ActiveXHostTest, ReflectedKeyMessagesAreOfferedToTheControlButNotUnicodeCharacters) {
  TTestDoubleControl& control = FRegistration.Prepare();
  control.AcceleratorResult = S_OK;
  THostForm form;
  auto host = MakeHost(&form);
  host->Handle();
  for (UINT key = WM_KEYDOWN; key <= CN_KEYLAST - CN_BASE; ++key) {
    SCOPED_TRACE(key);
    control.Accelerated.clear();
    EXPECT_EQ(host->Perform(CN_BASE + key, 'A', 0), 1);
    ASSERT_EQ(control.Accelerated.size(), 1u);
    EXPECT_EQ(control.Accelerated[0].message, key);
  }
  control.Accelerated.clear();
  host->Perform(CN_BASE + WM_KEYDOWN - 1, 'A', 0);
  host->Perform(CN_BASE + WM_UNICHAR, 'A', 0);
  EXPECT_TRUE(control.Accelerated.empty());
}

TEST_F(ActiveXHostTest, RenamingCarriesTheCaptionOnlyWhileItStillShowsTheOldName) {
  TTestDoubleControl& control = FRegistration.Prepare();
  auto host = CreateComponent<TStockHost>(nullptr);
  host->SetName("Browser1");
  TUniqueBstr caption(SysAllocString(L"Browser1"));
  VARIANT v;
  V_VT(&v) = VT_BSTR;
  V_BSTR(&v) = caption.Get();
  control.SetProperty(DISPID_CAPTION, v);
  host->CompleteControl();
  host->SetName("Browser2");
  ASSERT_FALSE(control.Puts.empty());
  EXPECT_EQ(control.Puts.back().Id, DISPID_CAPTION);
  EXPECT_EQ(control.Puts.back().Value.Text(), L"Browser2");

  TUniqueBstr own(SysAllocString(L"My caption"));
  V_BSTR(&v) = own.Get();
  control.SetProperty(DISPID_CAPTION, v);
  control.Puts.clear();
  host->SetName("Browser3");
  EXPECT_TRUE(control.Puts.empty());
  EXPECT_EQ(control.AmbientChanges.back(), DISPID_AMBIENT_DISPLAYNAME);
}

// A description whose stock-property flags each case sets before building its host.
TControlDescription gPushDescription{
    .ClassID = CLSID_WebBrowser, .EventIID = DIID_DWebBrowserEvents2, .Version = 401};

class TPushHost : public TActiveXHost {
 public:
  explicit TPushHost(TWinControl* parent) : TActiveXHost(parent, gPushDescription) {}
};

TEST_F(ActiveXHostTest, HostChangesArePushedOnlyForFlaggedPropertiesWhileTheWindowExists) {
  TFont font;
  font.Name = L"Arial";
  font.Color = 0x00102030;
  struct Case {
    const char* name;
    std::uint32_t flags;
    bool window;
    std::function<void(TActiveXHost&)> change;
    std::vector<DISPID> pushed;
  };
  const Case cases[] = {
      {"colour",
       cfBackColor,
       true,
       [](TActiveXHost& h) { h.SetColor(0x00123456); },
       {DISPID_BACKCOLOR}},
      {"enabled", cfEnabled, true, [](TActiveXHost& h) { h.SetEnabled(false); }, {DISPID_ENABLED}},
      {"font",
       cfFont | cfForeColor,
       true,
       [&](TActiveXHost& h) { h.SetFont(font); },
       {DISPID_FORECOLOR, DISPID_FONT}},
      {"fore colour only",
       cfForeColor,
       true,
       [&](TActiveXHost& h) { h.SetFont(font); },
       {DISPID_FORECOLOR}},
      {"colour unflagged",
       cfEnabled | cfFont | cfForeColor,
       true,
       [](TActiveXHost& h) { h.SetColor(0x00123456); },
       {}},
      {"enabled unflagged",
       cfBackColor | cfFont,
       true,
       [](TActiveXHost& h) { h.SetEnabled(false); },
       {}},
      {"font unflagged",
       cfBackColor | cfEnabled,
       true,
       [&](TActiveXHost& h) { h.SetFont(font); },
       {}},
      {"colour without window",
       cfBackColor,
       false,
       [](TActiveXHost& h) { h.SetColor(0x00123456); },
       {}},
      {"font without window",
       cfFont | cfForeColor,
       false,
       [&](TActiveXHost& h) { h.SetFont(font); },
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TTestDoubleControl& control = FRegistration.Prepare();
    gPushDescription.Flags = c.flags;
    THostForm form;
    auto host = CreateComponent<TPushHost>(&form);
    host->CompleteControl();
    if (c.window) host->Handle();
    control.Puts.clear();
    c.change(*host);
    std::vector<DISPID> pushed;
    for (const auto& put : control.Puts) pushed.push_back(put.Id);
    EXPECT_EQ(pushed, c.pushed);
    for (const auto& put : control.Puts) {
      if (put.Id == DISPID_BACKCOLOR) {
        EXPECT_EQ(V_I4(&put.Value.Get()), 0x00123456);
      } else if (put.Id == DISPID_ENABLED) {
        EXPECT_EQ(V_BOOL(&put.Value.Get()), VARIANT_FALSE);
      } else if (put.Id == DISPID_FORECOLOR) {
        EXPECT_EQ(V_I4(&put.Value.Get()), 0x00102030);
      } else if (put.Id == DISPID_FONT) {
        EXPECT_EQ(put.Value.Type(), VT_DISPATCH);
      }
    }
  }
  gPushDescription.Flags = 0;
}

TEST_F(ActiveXHostTest, ParentChangesReachTheControlAsAmbientChanges) {
  TTestDoubleControl& control = FRegistration.Prepare();
  control.MiscStatus = 0;  // leaves its site to completion
  THostForm form;
  THostForm other;
  auto host = CreateComponent<TPushHost>(&form);
  // Moving a control that was never completed sites it, and says nothing yet.
  host->SetParent(&other);
  EXPECT_NE(control.Site().Get(), nullptr);
  EXPECT_TRUE(control.AmbientChanges.empty());
  EXPECT_EQ(other.Controls().back(), host.get());
  EXPECT_TRUE(form.Controls().empty());

  host->Handle();
  control.AmbientChanges.clear();
  TFont font;
  font.Name = L"Arial";
  other.SetFont(font);
  EXPECT_THAT(control.AmbientChanges, ElementsAre(DISPID_AMBIENT_FONT, DISPID_AMBIENT_FORECOLOR));

  // The parent's colour matters only while the host uses it.
  control.AmbientChanges.clear();
  other.SetColor(0x00010203);
  EXPECT_TRUE(control.AmbientChanges.empty());
  host->SetParentColor(true);
  EXPECT_EQ(host->Color(), 0x00010203u);
  control.AmbientChanges.clear();
  other.SetColor(0x00040506);
  EXPECT_THAT(control.AmbientChanges, ElementsAre(DISPID_AMBIENT_BACKCOLOR));
  EXPECT_EQ(host->Color(), 0x00040506u);
  // An own font ends the parent's: its changes are no longer the control's ambient.
  host->SetFont(font);
  control.AmbientChanges.clear();
  other.SetFont(TFont{});
  EXPECT_TRUE(control.AmbientChanges.empty());

  // The live control window moves along, and the completed control hears of it.
  host->SetParent(&form);
  EXPECT_EQ(GetParent(control.Window()), form.Handle());
  EXPECT_EQ(host->Handle(), control.Window());
  ASSERT_FALSE(control.AmbientChanges.empty());
  EXPECT_EQ(control.AmbientChanges.back(), DISPID_UNKNOWN);
}

TEST_F(ActiveXHostTest, StockEventsReachTheHostsEvents) {
  FRegistration.Prepare();
  auto host = MakeHost();
  host->CompleteControl();
  TTestDoubleControl& control = Double();
  std::vector<std::string> seen;
  host->OnClick = [&](TObject* sender) {
    EXPECT_EQ(sender, host.get());
    seen.push_back("click");
  };
  host->OnKeyDown = [&](TObject*, WORD& key, UINT shift) {
    seen.push_back("keydown " + std::to_string(key) + " " + std::to_string(shift));
    key = 0;
  };
  host->OnMouseDown = [&](TObject*, TMouseButton button, UINT shift, int x, int y) {
    seen.push_back("mousedown " + std::to_string(static_cast<int>(button)) + " " +
                   std::to_string(shift) + " " + std::to_string(x) + "," + std::to_string(y));
  };
  SHORT key = 'A';
  VARIANT keyArg, shiftArg;
  V_VT(&keyArg) = VT_BYREF | VT_I2;
  V_I2REF(&keyArg) = &key;
  V_VT(&shiftArg) = VT_I2;
  V_I2(&shiftArg) = 2;  // Ctrl
  auto i2 = [](SHORT value) {
    VARIANT v;
    V_VT(&v) = VT_I2;
    V_I2(&v) = value;
    return v;
  };
  control.FireEvent(DISPID_CLICK, {});
  control.FireEvent(DISPID_KEYDOWN, {keyArg, shiftArg});
  control.FireEvent(DISPID_MOUSEDOWN, {i2(2), i2(1), i2(10), i2(20)});
  control.FireEvent(DISPID_MOUSEDOWN, {i2(2), i2(1)});  // too few arguments: ignored
  EXPECT_THAT(seen, ElementsAre("click", "keydown 65 " + std::to_string(MK_CONTROL),
                                "mousedown 1 " + std::to_string(MK_SHIFT) + " 10,20"));
  EXPECT_EQ(key, 0);  // written back through the reference
}

TEST_F(ActiveXHostTest, DialogKeysMatchingTheControlsMnemonicsAreTaken) {
  TTestDoubleControl& control = FRegistration.Prepare();
  ACCEL accel{FVIRTKEY, 'A', 1};
  HACCEL table = CreateAcceleratorTableW(&accel, 1);
  control.Accelerators = table;
  control.AcceleratorCount = 1;
  THostForm form;
  form.Show();
  auto host = MakeHost(&form);
  host->Handle();
  EXPECT_EQ(host->Perform(CM_DIALOGKEY, 'A', 0), 1);
  EXPECT_EQ(control.CountOf(TDoubleCall::OnMnemonic), 1u);
  EXPECT_EQ(host->Perform(CM_DIALOGKEY, 'B', 0), 0);
  EXPECT_EQ(control.CountOf(TDoubleCall::OnMnemonic), 1u);
  host.reset();
  DestroyAcceleratorTable(table);
}

TEST_F(ActiveXHostTest, ActivatingAHostDeactivatesTheOneActiveBeforeItInItsForm) {
  TTestDoubleControl& first = FRegistration.Prepare();
  TTestDoubleControl& second = FRegistration.Prepare();
  THostForm form;
  auto a = MakeHost(&form);
  auto b = MakeHost(&form);
  a->Handle();
  b->Handle();
  a->UIActivate();
  EXPECT_EQ(TActiveXHost::ActiveControlHost(&form), a.get());
  EXPECT_EQ(first.DoVerbs.back().Verb, OLEIVERB_UIACTIVATE);
  b->UIActivate();
  EXPECT_EQ(TActiveXHost::ActiveControlHost(&form), b.get());
  EXPECT_FALSE(first.UIActive());
  EXPECT_TRUE(second.UIActive());
  b->UIDeactivate();
  EXPECT_EQ(TActiveXHost::ActiveControlHost(&form), nullptr);
  EXPECT_FALSE(second.UIActive());
}

TEST_F(ActiveXHostTest, SavingFailuresRaiseAtRunTimeOnly) {
  TTestDoubleControl& control = FRegistration.Prepare();
  auto host = MakeHost();
  control.FailCall(TDoubleCall::Save, STG_E_MEDIUMFULL, 2);
  EXPECT_THROW(host->ControlData(), EOleSysError);
  host->SetDesigning(true);
  EXPECT_TRUE(host->ControlData().empty());
  TVariant userMode;
  ASSERT_EQ(control.AmbientProperty(DISPID_AMBIENT_USERMODE, &userMode.Get()), S_OK);
  EXPECT_EQ(V_BOOL(&userMode.Get()), VARIANT_FALSE);
}

// Font and picture properties of a description get an object each, written through by reference.
constexpr DISPID kFontIds[] = {DISPID_FONT};
constexpr DISPID kPictureIds[] = {1001};
TControlDescription gMediaDescription{.ClassID = CLSID_WebBrowser,
                                      .EventIID = DIID_DWebBrowserEvents2,
                                      .Version = 401,
                                      .FontCount = std::size(kFontIds),
                                      .FontDispIDs = kFontIds,
                                      .PictureCount = std::size(kPictureIds),
                                      .PictureDispIDs = kPictureIds};

class TMediaHost : public TActiveXHost {
 public:
  TMediaHost() : TActiveXHost(nullptr, gMediaDescription) {}
};

TEST_F(ActiveXHostTest, FontAndPicturePropertiesAreWrittenByReference) {
  TTestDoubleControl picture;  // outlives the host, which holds it
  TTestDoubleControl& control = FRegistration.Prepare();
  auto host = CreateComponent<TMediaHost>();
  TFont font;
  font.Name = L"SimSun";
  font.Bold = true;
  host->SetFontProperty(0, font);
  EXPECT_EQ(host->FontProperty(0).Name, L"SimSun");
  host->SetPictureProperty(0, static_cast<IWebBrowser2*>(&picture));
  ASSERT_EQ(control.Puts.size(), 2u);
  EXPECT_EQ(control.Puts[0].Id, DISPID_FONT);
  EXPECT_EQ(control.Puts[0].Flags, DISPATCH_PROPERTYPUTREF);
  Microsoft::WRL::ComPtr<IFont> written;
  ASSERT_TRUE(
      SUCCEEDED(V_DISPATCH(&control.Puts[0].Value.Get())->QueryInterface(IID_PPV_ARGS(&written))));
  BOOL bold = FALSE;
  written->get_Bold(&bold);
  EXPECT_TRUE(bold);
  EXPECT_EQ(control.Puts[1].Id, 1001);
  EXPECT_EQ(V_DISPATCH(&control.Puts[1].Value.Get()),
            static_cast<IDispatch*>(static_cast<IWebBrowser2*>(&picture)));
  EXPECT_EQ(host->PictureProperty(0),
            static_cast<IDispatch*>(static_cast<IWebBrowser2*>(&picture)));
  control.Puts.clear();  // the records hold the picture too
}

}  // namespace
}  // namespace kvx::test
