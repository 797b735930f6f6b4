// The WebBrowser control wrapper against the test double: events reach the
// slot of their table entry with their arguments handed over directly, and
// the navigation operations pass exactly the variants they should.
#include "toolkit/Win.h"

#include "browser/control/BrowserControl.h"
#include "browser/activex/OleError.h"
#include "tests/support/BrowserTestSupport.h"
#include "tests/support/TestDoubleControl.h"
#include "toolkit/Component.h"
#include "toolkit/Application.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <exdispid.h>

#include <cstring>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace kvx::test {
namespace {

using ::testing::ElementsAre;

class BrowserControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(FOle.Result()));
    FHost = CreateComponent<TBrowserControl>(nullptr);
    FHost->CompleteControl();
  }
  TTestDoubleControl& Double() { return FRegistration.Last(); }

  TOleInitialize FOle;
  TTestDoubleRegistration FRegistration;
  std::unique_ptr<TBrowserControl> FHost;
};

TEST_F(BrowserControlTest, EachEventReachesTheSlotOfItsTableEntry) {
  const DISPID table[34] = {102, 108, 105, 106, 104, 113, 112, 250, 251, 252, 259, 253,
                            254, 255, 256, 257, 258, 260, 261, 262, 264, 265, 266, 267,
                            263, 268, 269, 270, 271, 225, 226, 227, 272, 273};
  EXPECT_TRUE(std::equal(table, table + 34, WebBrowserDescription.EventDispIDs));
  EXPECT_EQ(WebBrowserDescription.EventCount, 34);
  EXPECT_EQ(WebBrowserDescription.Version, 401);
  EXPECT_EQ(WebBrowserDescription.Flags, 0u);

  std::vector<int> hits;
  TBrowserControl& h = *FHost;
  auto mark = [&hits](int slot) { return [&hits, slot](auto&&...) { hits.push_back(slot); }; };
  h.OnStatusTextChange = mark(0);
  h.OnProgressChange = mark(1);
  h.OnCommandStateChange = mark(2);
  h.OnDownloadBegin = mark(3);
  h.OnDownloadComplete = mark(4);
  h.OnTitleChange = mark(5);
  h.OnPropertyChange = mark(6);
  h.OnBeforeNavigate2 = mark(7);
  h.OnNewWindow2 = mark(8);
  h.OnNavigateComplete2 = mark(9);
  h.OnDocumentComplete = mark(10);
  h.OnQuit = mark(11);
  h.OnVisible = mark(12);
  h.OnToolBar = mark(13);
  h.OnMenuBar = mark(14);
  h.OnStatusBar = mark(15);
  h.OnFullScreen = mark(16);
  h.OnTheaterMode = mark(17);
  h.OnAddressBar = mark(18);
  h.OnWindowSetResizable = mark(19);
  h.OnWindowSetLeft = mark(20);
  h.OnWindowSetTop = mark(21);
  h.OnWindowSetWidth = mark(22);
  h.OnWindowSetHeight = mark(23);
  h.OnWindowClosing = mark(24);
  h.OnClientToHostWindow = mark(25);
  h.OnSetSecureLockIcon = mark(26);
  h.OnFileDownload = mark(27);
  h.OnNavigateError = mark(28);
  h.OnPrintTemplateInstantiation = mark(29);
  h.OnPrintTemplateTeardown = mark(30);
  h.OnUpdatePageStatus = mark(31);
  h.OnPrivacyImpactedStateChange = mark(32);
  h.OnNewWindow3 = mark(33);
  for (int slot = 0; slot < 34; ++slot) {
    hits.clear();
    // No arguments at all: references then point at storage of the call.
    EXPECT_EQ(Double().FireEvent(table[slot], {}), S_OK);
    EXPECT_THAT(hits, ElementsAre(slot)) << "DISPID " << table[slot];
  }
  hits.clear();
  Double().FireEvent(999, {});
  EXPECT_TRUE(hits.empty());
}

TEST_F(BrowserControlTest, BeforeNavigate2HandsOverTheControlsStorage) {
  TUniqueBstr url(SysAllocString(L"javascript:banner_closeapp()"));
  VARIANT urlValue = Bstr(url.Get()), flags = Int(0), target = Int(0), postData = Int(0),
          headers = Int(0);
  VARIANT_BOOL cancel = VARIANT_FALSE;
  IDispatch* frame = static_cast<IWebBrowser2*>(&Double());
  int calls = 0;
  FHost->OnBeforeNavigate2 = [&](TObject* sender, IDispatch* pDisp, VARIANT* URL, VARIANT* Flags,
                                 VARIANT* TargetFrameName, VARIANT* PostData, VARIANT* Headers,
                                 VARIANT_BOOL* Cancel) {
    ++calls;
    EXPECT_EQ(sender, FHost.get());
    EXPECT_EQ(pDisp, frame);
    EXPECT_EQ(URL, &urlValue);
    EXPECT_EQ(V_BSTR(URL), url.Get());  // the control's own string, not a copy
    EXPECT_EQ(Flags, &flags);
    EXPECT_EQ(TargetFrameName, &target);
    EXPECT_EQ(PostData, &postData);
    EXPECT_EQ(Headers, &headers);
    EXPECT_EQ(Cancel, &cancel);
    *Cancel = VARIANT_TRUE;
  };
  Double().FireEvent(250, {Dispatch(frame), ByRef(&urlValue), ByRef(&flags), ByRef(&target),
                           ByRef(&postData), ByRef(&headers), ByRef(&cancel)});
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(cancel, VARIANT_TRUE);
}

TEST_F(BrowserControlTest, AnEmptySlotLeavesReferencesAsTheControlSetThem) {
  VARIANT url = Int(0);
  VARIANT_BOOL cancel = VARIANT_TRUE;
  VARIANT_BOOL unchanged = VARIANT_FALSE;
  EXPECT_EQ(Double().FireEvent(250, {Dispatch(nullptr), ByRef(&url), ByRef(&url), ByRef(&url),
                                     ByRef(&url), ByRef(&url), ByRef(&cancel)}),
            S_OK);
  EXPECT_EQ(cancel, VARIANT_TRUE);
  FHost->OnBeforeNavigate2 = [](auto&&...) {};
  Double().FireEvent(250, {Dispatch(nullptr), ByRef(&url), ByRef(&url), ByRef(&url), ByRef(&url),
                           ByRef(&url), ByRef(&unchanged)});
  EXPECT_EQ(unchanged, VARIANT_FALSE);
}

TEST_F(BrowserControlTest, HandlersWriteIntoTheControlsStorageAndReadItsOwnStrings) {
  TTestDoubleControl other;
  IDispatch* newWindow = static_cast<IWebBrowser2*>(&other);
  IDispatch* storedWindow = nullptr;
  VARIANT_BOOL cancel = VARIANT_FALSE;
  FHost->OnNewWindow2 = [&](TObject*, IDispatch** ppDisp, VARIANT_BOOL* Cancel) {
    EXPECT_EQ(ppDisp, &storedWindow);
    *ppDisp = newWindow;
    newWindow->AddRef();  // the control takes this reference over
    *Cancel = VARIANT_FALSE;
  };
  Double().FireEvent(251, {ByRef(&storedWindow), ByRef(&cancel)});
  EXPECT_EQ(storedWindow, newWindow);
  EXPECT_EQ(other.OutstandingReferences(), 1);
  storedWindow->Release();

  TUniqueBstr status(SysAllocString(L"完成"));
  BSTR received = nullptr;
  FHost->OnStatusTextChange = [&](TObject*, BSTR Text) { received = Text; };
  Double().FireEvent(102, {Bstr(status.Get())});
  EXPECT_EQ(received, status.Get());

  std::int32_t command = 0;
  VARIANT_BOOL enable = 0;
  FHost->OnCommandStateChange = [&](TObject*, std::int32_t Command, VARIANT_BOOL Enable) {
    command = Command;
    enable = Enable;
  };
  Double().FireEvent(105, {Int(2), Bool(true)});
  EXPECT_EQ(command, 2);
  EXPECT_EQ(enable, VARIANT_TRUE);

  LONG cx = 100, cy = 50;
  FHost->OnClientToHostWindow = [](TObject*, std::int32_t* CX, std::int32_t* CY) {
    *CX += 10;
    *CY += 20;
  };
  Double().FireEvent(268, {ByRef(&cx), ByRef(&cy)});
  EXPECT_EQ(cx, 110);
  EXPECT_EQ(cy, 70);

  // A newer control puts a document flag before Cancel.
  VARIANT_BOOL downloadCancel = VARIANT_FALSE;
  FHost->OnFileDownload = [](TObject*, VARIANT_BOOL* Cancel) { *Cancel = VARIANT_TRUE; };
  Double().FireEvent(270, {Bool(true), ByRef(&downloadCancel)});
  EXPECT_EQ(downloadCancel, VARIANT_TRUE);

  TUniqueBstr context(SysAllocString(L"http://a/")), target(SysAllocString(L"http://b/"));
  IDispatch* window3 = nullptr;
  VARIANT_BOOL cancel3 = VARIANT_FALSE;
  std::uint32_t flags3 = 0;
  std::wstring texts;
  FHost->OnNewWindow3 = [&](TObject*, IDispatch** ppDisp, VARIANT_BOOL* Cancel,
                            std::uint32_t dwFlags, BSTR bstrUrlContext, BSTR bstrUrl) {
    EXPECT_EQ(ppDisp, &window3);
    *Cancel = VARIANT_TRUE;
    flags3 = dwFlags;
    texts = std::wstring(bstrUrlContext) + L"|" + bstrUrl;
  };
  VARIANT flagsArg;
  V_VT(&flagsArg) = VT_UI4;
  V_UI4(&flagsArg) = 0x80000006u;
  Double().FireEvent(
      273, {ByRef(&window3), ByRef(&cancel3), flagsArg, Bstr(context.Get()), Bstr(target.Get())});
  EXPECT_EQ(cancel3, VARIANT_TRUE);
  EXPECT_EQ(flags3, 0x80000006u);
  EXPECT_EQ(texts, L"http://a/|http://b/");
}

TEST_F(BrowserControlTest, ValuesWhereReferencesAreDeclaredNeverReachHandlersAsPointers) {
  // A control passing plain values (or too few arguments) for references:
  // the handler writes into storage of the call, and nothing crashes.
  IDispatch* leaked = nullptr;
  TTestDoubleControl other;
  FHost->OnNewWindow2 = [&](TObject*, IDispatch** ppDisp, VARIANT_BOOL* Cancel) {
    ASSERT_NE(ppDisp, nullptr);
    ASSERT_NE(Cancel, nullptr);
    *ppDisp = static_cast<IWebBrowser2*>(&other);
    (*ppDisp)->AddRef();
    leaked = *ppDisp;
    *Cancel = VARIANT_TRUE;
  };
  EXPECT_EQ(Double().FireEvent(251, {Int(5)}), S_OK);
  EXPECT_NE(leaked, nullptr);
  EXPECT_EQ(other.OutstandingReferences(), 0);  // released with the call's storage
}

TEST_F(BrowserControlTest, HandlerErrorsGoToTheApplicationNotTheControl) {
  std::string reported;
  Application().OnException = [&](TObject*, const std::exception& error) {
    reported = error.what();
  };
  VARIANT_BOOL cancel = VARIANT_FALSE;
  FHost->OnFileDownload = [](TObject*, VARIANT_BOOL* Cancel) {
    *Cancel = VARIANT_TRUE;
    throw Exception("handler failed");
  };
  EXPECT_EQ(Double().FireEvent(270, {ByRef(&cancel)}), S_OK);
  EXPECT_EQ(cancel, VARIANT_TRUE);  // what was written before the error stays
  EXPECT_EQ(reported, "handler failed");
  reported.clear();
  FHost->OnQuit = [](TObject*) { Abort(); };
  EXPECT_EQ(Double().FireEvent(253, {}), S_OK);
  EXPECT_EQ(reported, "");  // the silent abort is not reported
  Application().OnException = nullptr;
}

TEST_F(BrowserControlTest, AnEventHandlersErrorIsReportedWithTheHostAsSender) {
  std::vector<TObject*> senders;
  Application().OnException = [&](TObject* sender, const std::exception&) {
    senders.push_back(sender);
  };
  FHost->OnQuit = [](TObject*) { throw Exception("handler failed"); };
  FHost->OnClick = [](TObject*) { throw Exception("stock handler failed"); };
  Double().FireEvent(DISPID_ONQUIT, {});
  Double().FireEvent(DISPID_CLICK, {});
  EXPECT_EQ(senders, (std::vector<TObject*>{FHost.get(), FHost.get()}));
  Application().OnException = nullptr;
}

TEST_F(BrowserControlTest, TheToolkitsVisibilityNeverReachesTheControlsVisibleProperty) {
  THostForm form;
  FHost->SetParent(&form);
  const HWND window = FHost->Handle();
  Double().Puts.clear();
  FHost->Hide();
  EXPECT_FALSE(GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE);
  FHost->Show();
  EXPECT_TRUE(GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE);
  EXPECT_TRUE(Double().Puts.empty());
  // The control's own property has a name of its own.
  FHost->SetBrowserVisible(true);
  ASSERT_EQ(Double().Puts.size(), 1u);
  EXPECT_EQ(Double().Puts[0].Id, dispidVisible);
  EXPECT_EQ(V_BOOL(&Double().Puts[0].Value.Get()), VARIANT_TRUE);
  EXPECT_TRUE(GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE);
}

TEST_F(BrowserControlTest, ShortAndFullNavigatePassTheirOwnVariants) {
  FHost->Navigate(L"http://127.0.0.1/a");
  VARIANT zero = Int(0);
  FHost->Navigate(L"", zero, zero, zero, zero);
  ASSERT_EQ(Double().Navigations.size(), 2u);
  const TNavigateCall& shortForm = Double().Navigations[0];
  EXPECT_EQ(shortForm.Url.Text(), L"http://127.0.0.1/a");
  ASSERT_EQ(shortForm.Arguments.size(), 4u);
  for (int i : {0, 1, 3}) {
    EXPECT_EQ(shortForm.Arguments[i].Type(), VT_ERROR);
    EXPECT_EQ(V_ERROR(&shortForm.Arguments[i].Get()), DISP_E_PARAMNOTFOUND);
  }
  EXPECT_EQ(shortForm.Arguments[2].Type(), VT_EMPTY);
  const TNavigateCall& fullForm = Double().Navigations[1];
  EXPECT_EQ(fullForm.Url.Type(), VT_BSTR);  // an empty address still reaches the control
  EXPECT_EQ(fullForm.Url.Text(), L"");
  for (const TRecordedVariant& argument : fullForm.Arguments) {
    EXPECT_EQ(argument.Type(), VT_I4);
    EXPECT_EQ(V_I4(&argument.Get()), 0);
  }
}

TEST_F(BrowserControlTest, Navigate2AndExecWBHandTheCallersVariantsToTheControlUnchanged) {
  TUniqueBstr url(SysAllocString(L"about:blank"));
  VARIANT address = Bstr(url.Get()), zero = Int(0), empty;
  VariantInit(&empty);
  FHost->Navigate2(address, zero, zero, empty, zero);
  VARIANT in = Int(2);
  FHost->ExecWB(OLECMDID_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, in);
  ASSERT_EQ(Double().Navigations.size(), 2u);
  EXPECT_EQ(Double().Navigations[0].Method, TDoubleCall::Navigate2);
  EXPECT_EQ(Double().Navigations[0].Url.Text(), L"about:blank");
  EXPECT_EQ(Double().Navigations[0].Arguments[2].Type(), VT_EMPTY);
  const TNavigateCall& exec = Double().Navigations[1];
  EXPECT_EQ(exec.Method, TDoubleCall::ExecWB);
  EXPECT_EQ(V_I4(&exec.Arguments[0].Get()), OLECMDID_ZOOM);
  EXPECT_EQ(V_I4(&exec.Arguments[1].Get()), OLECMDEXECOPT_DONTPROMPTUSER);
  EXPECT_EQ(V_I4(&exec.Arguments[2].Get()), 2);
}

TEST_F(BrowserControlTest, OperationFailuresRaiseTheOleError) {
  Double().FailCall(TDoubleCall::Navigate, E_ACCESSDENIED);
  try {
    FHost->Navigate(L"http://x/");
    FAIL();
  } catch (const EOleError& error) {
    EXPECT_EQ(error.ErrorCode(), E_ACCESSDENIED);
    EXPECT_EQ(error.Message(), OleErrorMessage(E_ACCESSDENIED));
  }
}

// The error information a control leaves for its caller, counting the
// references held on it.
class TErrorInfo final : public IErrorInfo {
 public:
  long References = 0;
  STDMETHODIMP QueryInterface(REFIID iid, void** object) noexcept override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IErrorInfo) return E_NOINTERFACE;
    *object = static_cast<IErrorInfo*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return static_cast<ULONG>(++References); }
  STDMETHODIMP_(ULONG) Release() noexcept override { return static_cast<ULONG>(--References); }
  STDMETHODIMP GetGUID(GUID* guid) noexcept override {
    *guid = GUID_NULL;
    return S_OK;
  }
  STDMETHODIMP GetSource(BSTR* source) noexcept override {
    *source = SysAllocString(L"TestDouble");
    return S_OK;
  }
  STDMETHODIMP GetDescription(BSTR* description) noexcept override {
    *description = SysAllocString(L"Navigation refused by policy.");
    return S_OK;
  }
  STDMETHODIMP GetHelpFile(BSTR* file) noexcept override {
    *file = nullptr;
    return S_OK;
  }
  STDMETHODIMP GetHelpContext(DWORD* context) noexcept override {
    *context = 0;
    return S_OK;
  }
};

TEST_F(BrowserControlTest, AControlsOwnDescriptionIsRaisedAndItsErrorInformationReleased) {
  TErrorInfo info;
  Double().FailCall(TDoubleCall::Navigate, E_ACCESSDENIED);
  Double().OnCall = [&](TDoubleCall method) {
    if (method == TDoubleCall::Navigate) SetErrorInfo(0, &info);
  };
  try {
    FHost->Navigate(L"http://x/");
    FAIL();
  } catch (const EOleException& error) {
    EXPECT_EQ(error.ErrorCode(), E_ACCESSDENIED);
    EXPECT_EQ(error.Message(), "Navigation refused by policy");
    EXPECT_EQ(error.Source(), L"TestDouble");
  }
  EXPECT_EQ(info.References, 0);
}

TEST(BrowserInterfaceTest, IsCachedAndRefusedWithInterfaceNotSupported) {
  TOleInitialize ole;
  TTestDoubleRegistration registration;
  {
    auto host = CreateComponent<TBrowserControl>(nullptr);
    auto first = host->BrowserInterface();
    EXPECT_EQ(first.Get(), host->BrowserInterface().Get());
    EXPECT_EQ(registration.Last().CountOf(TDoubleCall::Invoke), 0u);
  }
  registration.Prepare().Refuse(IID_IWebBrowser2);
  auto host = CreateComponent<TBrowserControl>(nullptr);
  try {
    host->Navigate(L"about:blank");
    FAIL();
  } catch (const EIntfCastError& error) {
    EXPECT_EQ(error.Message(), "Interface not supported");
  }
}

// A host of its own description: a DISPID listed twice feeds only its first slot.
constexpr DISPID kTwiceTable[] = {7, 7, 9};
std::vector<int> gTwiceHits;
const TEventSlot kTwiceSlots[3] = {
    [](TActiveXHost&, TEventArgs&) { return gTwiceHits.push_back(0), true; },
    [](TActiveXHost&, TEventArgs&) { return gTwiceHits.push_back(1), true; },
    [](TActiveXHost&, TEventArgs&) { return gTwiceHits.push_back(2), true; },
};
TControlDescription gTwiceDescription{.ClassID = CLSID_WebBrowser,
                                      .EventIID = DIID_DWebBrowserEvents2,
                                      .EventCount = std::size(kTwiceTable),
                                      .EventDispIDs = kTwiceTable,
                                      .Version = 401,
                                      .FirstEventSlot = kTwiceSlots};

class TTwiceHost : public TActiveXHost {
 public:
  TTwiceHost() : TActiveXHost(nullptr, gTwiceDescription) {}
};

TEST(EventTableTest, ADispidListedTwiceFeedsTheFirstSlot) {
  TOleInitialize ole;
  TTestDoubleRegistration registration;
  auto host = CreateComponent<TTwiceHost>();
  host->CompleteControl();
  gTwiceHits.clear();
  registration.Last().FireEvent(7, {});
  registration.Last().FireEvent(9, {});
  EXPECT_THAT(gTwiceHits, ElementsAre(0, 2));
}

TEST(EventArgsTest, ArgumentsComeInDeclarationOrderAsRawWords) {
  TUniqueBstr text(SysAllocString(L"t"));
  LONG number = 5;
  VARIANT args[6];  // DISPPARAMS order: last argument first
  V_VT(&args[5]) = VT_BOOL;
  V_BOOL(&args[5]) = VARIANT_TRUE;
  V_VT(&args[4]) = VT_R8;
  V_R8(&args[4]) = 2.5;
  V_VT(&args[3]) = VT_BSTR;
  V_BSTR(&args[3]) = text.Get();
  args[2] = ByRef(&number);
  V_VT(&args[1]) = VT_ARRAY | VT_I4;
  V_ARRAY(&args[1]) = nullptr;
  V_VT(&args[0]) = VT_CY;
  V_CY(&args[0]).int64 = -3;
  DISPPARAMS params{args, nullptr, 6, 0};
  TEventArgs a(params);
  ASSERT_EQ(a.Count(), 6);
  EXPECT_EQ(a.Raw(0), 0xFFFFu);  // a boolean as its 16 bits
  double r8 = 0;
  std::uint64_t bits = a.Raw(1);
  std::memcpy(&r8, &bits, sizeof r8);
  EXPECT_EQ(r8, 2.5);                                                 // 8-byte types whole
  EXPECT_EQ(a.Raw(2), reinterpret_cast<std::uintptr_t>(text.Get()));  // the BSTR itself
  EXPECT_EQ(a.Raw(3), reinterpret_cast<std::uintptr_t>(&number));     // by reference: the pointer
  EXPECT_EQ(a.Raw(4), reinterpret_cast<std::uintptr_t>(&args[1]));    // an array: its VARIANT
  EXPECT_EQ(static_cast<std::int64_t>(a.Raw(5)), -3);
  EXPECT_EQ(a.Raw(6), 0u);  // past the end
  *a.IntegerRef(3) = 9;
  EXPECT_EQ(number, 9);
  EXPECT_EQ(a.Boolean(0), VARIANT_TRUE);
  EXPECT_EQ(a.Text(2), text.Get());
}

}  // namespace
}  // namespace kvx::test
