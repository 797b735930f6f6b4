// The document host's ambient properties, services, drag and drop, window
// parking and document activation, against the test double: everything is
// asked the way the control asks it, through the client site.
#include "toolkit/Win.h"

#include "browser/activex/OleError.h"
#include "browser/dochost/WebHostCore.h"
#include "tests/support/DoubleHostTest.h"
#include "toolkit/Component.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <exdispid.h>
#include <mshtmdid.h>
#include <servprov.h>

#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace kvx::test {
namespace {

using Microsoft::WRL::ComPtr;
using ::testing::ElementsAre;
using Option = TDownloadControlOption;
using Drop = TDragDropHandlingType;

class DocHostTest : public DoubleHostTest {
 protected:
  std::unique_ptr<TCustomWebHost> MakeDocHost(TWinControl* parent = nullptr) {
    return CreateComponent<TCustomWebHost>(parent);
  }
  // The site's ambient IDispatch::Invoke, as the control calls it.
  HRESULT Ambient(DISPID id, WORD flags, DISPPARAMS& params, VARIANT* result,
                  EXCEPINFO* exception = nullptr, UINT* argError = nullptr, LCID locale = 0x0804) {
    ComPtr<IDispatch> site = Double().SiteAs<IDispatch>();
    return site->Invoke(id, IID_NULL, locale, flags, &params, result, exception, argError);
  }
  HRESULT AmbientGet(DISPID id, TVariant& result, EXCEPINFO* exception = nullptr) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    return Ambient(id, DISPATCH_PROPERTYGET, none, result.Put(), exception);
  }
  HRESULT AmbientPut(DISPID id, VARIANT value, UINT* argError = nullptr) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    return Ambient(id, DISPATCH_PROPERTYPUT, params, nullptr, nullptr, argError);
  }
};

// The strings an EXCEPINFO carries, freed with it.
struct TRaisedInfo : EXCEPINFO {
  TRaisedInfo() noexcept : EXCEPINFO{} {}
  ~TRaisedInfo() {
    SysFreeString(bstrSource);
    SysFreeString(bstrDescription);
    SysFreeString(bstrHelpFile);
  }
  std::wstring Source() const { return bstrSource ? bstrSource : L""; }
  std::wstring Description() const { return bstrDescription ? bstrDescription : L""; }
};

// --- ambient properties
// ------------------------------------------------------------------------------

TEST_F(DocHostTest, DownloadFlagsAndUserModeAreTheHostsOwnAnswers) {
  FRegistration.Prepare();
  auto host = MakeDocHost();
  TVariant flags, userMode;
  ASSERT_EQ(AmbientGet(DISPID_AMBIENT_DLCONTROL, flags), S_OK);
  EXPECT_EQ(flags.Type(), VT_I4);
  EXPECT_EQ(V_I4(&flags.Get()), 0x70);
  ASSERT_EQ(AmbientGet(DISPID_AMBIENT_USERMODE, userMode), S_OK);
  EXPECT_EQ(userMode.Type(), VT_BOOL);
  EXPECT_EQ(V_BOOL(&userMode.Get()), VARIANT_TRUE);

  // Members past 14 jump to the high bits; the control is told to read again
  // once it is completed.
  host->CompleteControl();
  Double().AmbientChanges.clear();
  host->SetDownloadOptions(
      {Option::DontExecuteScripts, Option::ForceOfflineMode, Option::WorkOffline});
  EXPECT_THAT(Double().AmbientChanges, ElementsAre(DISPID_AMBIENT_DLCONTROL));
  ASSERT_EQ(AmbientGet(DISPID_AMBIENT_DLCONTROL, flags), S_OK);
  EXPECT_EQ(static_cast<DWORD>(V_I4(&flags.Get())), 0x90000080u);
}

TEST_F(DocHostTest, AUserModePutIsReadBackAsPut) {
  FRegistration.Prepare();
  auto host = MakeDocHost();
  struct TCase {
    const char* Name;
    std::optional<VARIANT> Value;  // none: no argument at all
    HRESULT Answer;
    bool UserModeAfter;
  };
  TUniqueBstr word(SysAllocString(L"maybe"));
  const TCase cases[] = {
      {"False", TVariant(false).Release(), S_OK, false},
      {"an integer 1", TVariant(1).Release(), S_OK, true},
      {"an integer 0", TVariant(0).Release(), S_OK, false},
      {"text that is no Boolean", Bstr(word.Get()), DISP_E_TYPEMISMATCH, false},
      {"no argument", std::nullopt, DISP_E_BADPARAMCOUNT, false},
      {"True", TVariant(true).Release(), S_OK, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    UINT argError = 99;
    HRESULT answer;
    if (c.Value) {
      answer = AmbientPut(DISPID_AMBIENT_USERMODE, *c.Value, &argError);
    } else {
      DISPPARAMS none{nullptr, nullptr, 0, 0};
      answer = Ambient(DISPID_AMBIENT_USERMODE, DISPATCH_PROPERTYPUT, none, nullptr);
    }
    EXPECT_EQ(answer, c.Answer);
    if (answer == DISP_E_TYPEMISMATCH) {
      EXPECT_EQ(argError, 0u);
    }
    TVariant userMode;
    ASSERT_EQ(AmbientGet(DISPID_AMBIENT_USERMODE, userMode), S_OK);
    EXPECT_EQ(V_BOOL(&userMode.Get()) != VARIANT_FALSE, c.UserModeAfter);
    EXPECT_EQ(host->AmbientDesignMode(), !c.UserModeAfter);
  }
}

TEST_F(DocHostTest, TheUserAgentIsAnsweredOnlyWhenTheSupplierHasOne) {
  FRegistration.Prepare();
  auto host = MakeDocHost();
  std::vector<DISPID> invoked;
  host->OnInvoke = [&](TObject*, DISPID id, REFIID, LCID, WORD, DISPPARAMS&, VARIANT*, EXCEPINFO*,
                       UINT*, HRESULT& rezult) {
    EXPECT_EQ(rezult, DISP_E_MEMBERNOTFOUND);
    invoked.push_back(id);
  };
  struct TCase {
    const char* Name;
    bool Supplier;
    HRESULT Status;
    std::string Agent;  // GBK
    HRESULT Answer;
    std::wstring Text;
  };
  const TCase cases[] = {
      {"no supplier", false, S_OK, "", DISP_E_MEMBERNOTFOUND, L""},
      {"an agent", true, S_OK, "X", S_OK, L"X\r\n"},
      {"a GBK agent", true, S_OK, "\xD6\xD0\xCE\xC4", S_OK, L"\u4E2D\u6587\r\n"},
      {"an empty agent", true, S_OK, "", DISP_E_MEMBERNOTFOUND, L""},
      {"an agent without success", true, S_FALSE, "Y", DISP_E_MEMBERNOTFOUND, L""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    invoked.clear();
    host->SetAmbientAgentSupplier(c.Supplier ? TAmbientAgentSupplier([&](std::string& agent) {
      agent = c.Agent;
      return c.Status;
    })
                                             : TAmbientAgentSupplier());
    TVariant agent;
    EXPECT_EQ(AmbientGet(DISPID_AMBIENT_USERAGENT, agent), c.Answer);
    EXPECT_EQ(VariantText(&agent.Get()), c.Text);
    // Unanswered, it went through the standard ambient answers to OnInvoke.
    EXPECT_EQ(invoked.size(), c.Answer == S_OK ? 0u : 1u);
  }
}

TEST_F(DocHostTest, WhatNoAmbientAnswerCoversGoesToOnInvokeWithItsArguments) {
  FRegistration.Prepare();
  auto host = MakeDocHost();
  host->SetName("WebBrowser1");
  TVariant value;
  // Without a handler: the standard answer.
  EXPECT_EQ(AmbientGet(12345, value), DISP_E_MEMBERNOTFOUND);

  struct TSeen {
    DISPID Id;
    IID Iid;
    LCID Locale;
    WORD Flags;
    DISPPARAMS* Params;
    VARIANT* Result;
    EXCEPINFO* Exception;
    UINT* ArgError;
  };
  std::vector<TSeen> seen;
  host->OnInvoke = [&](TObject* sender, DISPID id, REFIID iid, LCID locale, WORD flags,
                       DISPPARAMS& params, VARIANT* result, EXCEPINFO* exception, UINT* argError,
                       HRESULT& rezult) {
    EXPECT_EQ(sender, host.get());
    EXPECT_EQ(rezult, DISP_E_MEMBERNOTFOUND);
    seen.push_back({id, iid, locale, flags, &params, result, exception, argError});
    if (id == 12345 && result) {
      *result = TVariant(L"mine").Release();
      rezult = S_OK;
    }
  };
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  TRaisedInfo info;
  UINT argError = 0;
  ASSERT_EQ(Ambient(12345, DISPATCH_PROPERTYGET, none, value.Put(), &info, &argError, 0x0409),
            S_OK);
  EXPECT_EQ(VariantText(&value.Get()), L"mine");
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].Id, 12345);
  EXPECT_EQ(seen[0].Iid, IID_NULL);
  EXPECT_EQ(seen[0].Locale, 0x0409u);
  EXPECT_EQ(seen[0].Flags, DISPATCH_PROPERTYGET);
  EXPECT_EQ(seen[0].Params, &none);
  EXPECT_EQ(seen[0].Result, &value.Get());
  EXPECT_EQ(seen[0].Exception, &info);
  EXPECT_EQ(seen[0].ArgError, &argError);

  // The standard ambient properties are answered before it.
  ASSERT_EQ(AmbientGet(DISPID_AMBIENT_DISPLAYNAME, value), S_OK);
  EXPECT_EQ(VariantText(&value.Get()), L"WebBrowser1");
  // A method call the standard answers leave alone reaches it too, unanswered.
  EXPECT_EQ(Ambient(DISPID_AMBIENT_DISPLAYNAME, DISPATCH_METHOD, none, nullptr),
            DISP_E_MEMBERNOTFOUND);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1].Flags, DISPATCH_METHOD);
}

TEST_F(DocHostTest, AnErrorInsideAnAmbientReadIsAnsweredAsAnExceptionAndNeverEscapes) {
  FRegistration.Prepare();
  auto host = MakeDocHost();
  struct TCase {
    const char* Name;
    std::function<void()> Raise;
    std::wstring Source, Description;
    DWORD HelpContext;
  };
  const TCase cases[] = {
      {"the toolkit's error", [] { throw Exception("\xB3\xF6\xB4\xED"); }, L"Exception",
       L"\u51FA\u9519", 0},
      {"an OLE error the control described",
       [] { throw EOleException(E_FAIL, "described", L"Page", L"help.chm", 77); }, L"EOleException",
       L"described", 77},
      {"a standard error", [] { throw std::runtime_error("runtime"); }, L"runtime_error",
       L"runtime", 0},
      {"out of memory", [] { throw std::bad_alloc(); }, L"bad_alloc", L"std::bad_alloc", 0},
      {"something that is no error class", [] { throw 42; }, L"Exception", L"Unknown error", 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    // Once from the event, once from the agent supplier.
    host->OnInvoke = [&](TObject*, DISPID, REFIID, LCID, WORD, DISPPARAMS&, VARIANT*, EXCEPINFO*,
                         UINT*, HRESULT&) { c.Raise(); };
    host->SetAmbientAgentSupplier(nullptr);
    for (DISPID id : {DISPID(12345), DISPID(DISPID_AMBIENT_USERAGENT)}) {
      if (id == DISPID_AMBIENT_USERAGENT) {
        host->OnInvoke = nullptr;
        host->SetAmbientAgentSupplier([&](std::string&) -> HRESULT {
          c.Raise();
          return S_OK;
        });
      }
      TRaisedInfo info;
      TVariant value;
      EXPECT_EQ(AmbientGet(id, value, &info), DISP_E_EXCEPTION);
      EXPECT_EQ(info.wCode, 9999);
      EXPECT_EQ(info.scode, 0);
      EXPECT_EQ(info.Source(), c.Source);
      EXPECT_EQ(info.Description(), c.Description);
      EXPECT_EQ(info.dwHelpContext, c.HelpContext);
      // A caller without an EXCEPINFO gets the answer all the same.
      EXPECT_EQ(AmbientGet(id, value), DISP_E_EXCEPTION);
    }
  }
  EXPECT_THAT(FReported, ElementsAre());  // the control was told, not the user
}

TEST_F(DocHostTest, TypeInformationQuestionsGetTheStandardAnswerUnlessTheirEventChangesIt) {
  FRegistration.Prepare();
  auto host = MakeDocHost();
  ComPtr<IDispatch> site = Double().SiteAs<IDispatch>();
  UINT count = 7;
  ComPtr<ITypeInfo> info;
  OLECHAR name[] = L"anything";
  LPOLESTR names[] = {name};
  DISPID id = 0;
  EXPECT_EQ(site->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(site->GetTypeInfo(0, 0, &info), E_NOTIMPL);
  EXPECT_EQ(site->GetIDsOfNames(IID_NULL, names, 1, 0, &id), E_NOTIMPL);

  // A type information object to hand out.
  INTERFACEDATA nothing{nullptr, 0};
  ComPtr<ITypeInfo> mine;
  ASSERT_EQ(CreateDispTypeInfo(&nothing, LOCALE_SYSTEM_DEFAULT, &mine), S_OK);
  std::vector<HRESULT> presets;
  HRESULT typeInfoAnswer = S_OK;
  host->OnGetTypeInfoCount = [&](TObject*, UINT& n, HRESULT& rezult) {
    presets.push_back(rezult);
    n = 1;
  };
  host->OnGetTypeInfo = [&](TObject*, UINT index, LCID, ComPtr<ITypeInfo>& typeInfo,
                            HRESULT& rezult) {
    presets.push_back(rezult);
    EXPECT_EQ(index, 0u);
    typeInfo = mine;
    rezult = typeInfoAnswer;
  };
  host->OnGetIDsOfNames = [&](TObject*, REFIID, LPOLESTR* given, UINT n, LCID, DISPID* ids,
                              HRESULT& rezult) {
    presets.push_back(rezult);
    EXPECT_EQ(given, names);
    EXPECT_EQ(n, 1u);
    ids[0] = 42;
    rezult = S_OK;
  };
  EXPECT_EQ(site->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  EXPECT_EQ(site->GetTypeInfo(0, 0, &info), S_OK);
  EXPECT_EQ(info, mine);
  EXPECT_EQ(site->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
  EXPECT_EQ(id, 42);
  EXPECT_THAT(presets, ElementsAre(S_OK, E_NOTIMPL, E_NOTIMPL));
  // A failing answer hands nothing out, whatever the handler put there.
  typeInfoAnswer = TYPE_E_ELEMENTNOTFOUND;
  info.Reset();
  EXPECT_EQ(site->GetTypeInfo(0, 0, &info), TYPE_E_ELEMENTNOTFOUND);
  EXPECT_EQ(info, nullptr);
}

// --- services
// -------------------------------------------------------------------------------------------

TEST_F(DocHostTest, EachServiceIsHandedOutOnlyWhileItsRuleHolds) {
  FRegistration.Prepare();
  THostForm form;
  auto host = MakeDocHost(&form);
  TTestDoubleControl& control = Double();
  ComPtr<IServiceProvider> services = control.SiteAs<IServiceProvider>();
  ASSERT_NE(services, nullptr);
  // The host's own object for an interface, as its QueryInterface hands it out.
  auto own = [&](REFIID iid) {
    ComPtr<IUnknown> object;
    control.Site()->QueryInterface(iid, reinterpret_cast<void**>(object.GetAddressOf()));
    return object;
  };
  auto query = [&](REFGUID service, REFIID iid, ComPtr<IUnknown>& object) {
    return services->QueryService(service, iid,
                                  reinterpret_cast<void**>(object.ReleaseAndGetAddressOf()));
  };

  struct TRule {
    const char* Name;
    GUID Service;
    IID Iid;
    std::function<void(bool)> Assign;  // true: the rule's condition holds
  };
  const GUID elsewhere = IID_IStream;  // a service id of no rule
  const TRule rules[] = {
      {"new windows", __uuidof(INewWindowManager), __uuidof(INewWindowManager),
       [&](bool on) {
         host->OnEvaluateNewWindow = on ? TEvaluateNewWindowEvent([](auto&&...) {}) : nullptr;
       }},
      {"downloads", __uuidof(IDownloadManager), __uuidof(IDownloadManager),
       [&](bool on) { host->OnFileDownload = on ? TDownloadEvent([](auto&&...) {}) : nullptr; }},
      {"behaviours", __uuidof(IHostBehaviorInit), __uuidof(IHostBehaviorInit),
       [&](bool on) { host->OnPopulateNSTable = on ? TNotifyEvent([](TObject*) {}) : nullptr; }},
      {"script window moves by FloatingHosting", __uuidof(IHTMLOMWindowServices),
       __uuidof(IHTMLOMWindowServices), [&](bool on) { host->SetFloatingHosting(on); }},
      {"script window moves by OnResizeBy", __uuidof(IHTMLOMWindowServices),
       __uuidof(IHTMLOMWindowServices),
       [&](bool on) { host->OnResizeBy = on ? TOMWindowMoveEvent([](auto&&...) {}) : nullptr; }},
      {"authentication, by the interface asked for", elsewhere, __uuidof(IAuthenticate),
       [&](bool on) {
         host->OnAuthenticate = on ? TAuthenticateEvent([](auto&&...) {}) : nullptr;
       }},
  };
  for (const TRule& rule : rules) {
    SCOPED_TRACE(rule.Name);
    ComPtr<IUnknown> object;
    EXPECT_EQ(query(rule.Service, rule.Iid, object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    rule.Assign(true);
    EXPECT_EQ(query(rule.Service, rule.Iid, object), S_OK);
    EXPECT_EQ(object, own(rule.Iid));
    rule.Assign(false);
    EXPECT_EQ(query(rule.Service, rule.Iid, object), E_NOINTERFACE);
  }

  // Focus protection always; asked for another interface of the host, the
  // same service hands that out.
  ComPtr<IUnknown> object;
  EXPECT_EQ(query(__uuidof(IProtectFocus), __uuidof(IProtectFocus), object), S_OK);
  EXPECT_EQ(object, own(__uuidof(IProtectFocus)));
  EXPECT_EQ(query(__uuidof(IProtectFocus), IID_IOleClientSite, object), S_OK);
  EXPECT_EQ(object, own(IID_IOleClientSite));
  // Authentication goes by the interface, never by the service id alone.
  host->OnAuthenticate = [](auto&&...) {};
  EXPECT_EQ(query(__uuidof(IAuthenticate), IID_IUnknown, object), E_NOINTERFACE);
}

TEST_F(DocHostTest, OnQueryServiceIsAskedLastAndItsObjectIsHandedOutAsTheInterfaceAskedFor) {
  FRegistration.Prepare();
  auto host = MakeDocHost();
  ComPtr<IServiceProvider> services = Double().SiteAs<IServiceProvider>();
  TTestDoubleControl other;  // counts what is held on it
  struct TAsked {
    GUID Service;
    IID Iid;
  };
  std::vector<TAsked> asked;
  bool raise = false;
  host->OnQueryService = [&](TObject* sender, REFGUID service, REFIID iid,
                             ComPtr<IUnknown>& object) {
    EXPECT_EQ(sender, host.get());
    EXPECT_EQ(object, nullptr);
    asked.push_back({service, iid});
    if (raise) throw Exception("no service");
    object = static_cast<IOleObject*>(&other);
  };
  void* object = nullptr;
  // A rule that answers: the event is not asked.
  ASSERT_EQ(services->QueryService(__uuidof(IProtectFocus), __uuidof(IProtectFocus), &object),
            S_OK);
  static_cast<IUnknown*>(object)->Release();
  EXPECT_TRUE(asked.empty());

  // The handler's object, as the interface asked for.
  ASSERT_EQ(services->QueryService(IID_IStream, IID_IOleControl, &object), S_OK);
  EXPECT_EQ(object, static_cast<IOleControl*>(&other));
  static_cast<IUnknown*>(object)->Release();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].Service, IID_IStream);
  EXPECT_EQ(asked[0].Iid, IID_IOleControl);
  // A rule's service the host cannot give as that interface goes on to the event.
  ASSERT_EQ(services->QueryService(__uuidof(IProtectFocus), IID_IWebBrowser2, &object), S_OK);
  EXPECT_EQ(object, static_cast<IWebBrowser2*>(&other));
  static_cast<IUnknown*>(object)->Release();
  // An object without that interface is no answer.
  object = &other;
  EXPECT_EQ(services->QueryService(IID_IStream, IID_IStream, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  // A failing handler is reported, and the control hears there is no service.
  raise = true;
  EXPECT_EQ(services->QueryService(IID_IStream, IID_IOleControl, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_THAT(FReported, ElementsAre("no service"));
  FReported.clear();
  EXPECT_EQ(other.OutstandingReferences(), 0);
}

TEST_F(DocHostTest, EachServiceLetsThePlatformDecideUntilItsEventAnswers) {
  FRegistration.Prepare();
  auto host = MakeDocHost();
  TTestDoubleControl& control = Double();
  std::vector<std::string> raised;

  ComPtr<INewWindowManager> windows = control.SiteAs<INewWindowManager>();
  EXPECT_EQ(windows->EvaluateNewWindow(L"http://a/", L"n", L"http://ctx/", L"f", TRUE, 4, 5),
            E_FAIL);
  host->OnEvaluateNewWindow = [&](TCustomWebHost* sender, const wchar_t* url, const wchar_t* name,
                                  const wchar_t* context, const wchar_t* features, BOOL replace,
                                  DWORD flags, DWORD time, HRESULT& rezult) {
    EXPECT_EQ(sender, host.get());
    EXPECT_EQ(rezult, E_FAIL);
    EXPECT_STREQ(url, L"http://a/");
    EXPECT_STREQ(name, L"n");
    EXPECT_STREQ(context, L"http://ctx/");
    EXPECT_STREQ(features, L"f");
    EXPECT_EQ(replace, TRUE);
    EXPECT_EQ(flags, 4u);
    EXPECT_EQ(time, 5u);
    raised.push_back("EvaluateNewWindow");
    rezult = S_FALSE;  // no new window
  };
  EXPECT_EQ(windows->EvaluateNewWindow(L"http://a/", L"n", L"http://ctx/", L"f", TRUE, 4, 5),
            S_FALSE);

  ComPtr<IProtectFocus> focus = control.SiteAs<IProtectFocus>();
  BOOL allow = 5;
  EXPECT_EQ(focus->AllowFocusChange(&allow), S_OK);
  EXPECT_EQ(allow, -1);  // every bit set
  host->SetFocusChangeAllowed(false);
  EXPECT_EQ(focus->AllowFocusChange(&allow), S_OK);
  EXPECT_EQ(allow, 0);
  host->OnAllowFocusChange = [&](TObject*, BOOL& value) {
    EXPECT_EQ(value, 0);
    raised.push_back("AllowFocusChange");
    value = TRUE;
  };
  EXPECT_EQ(focus->AllowFocusChange(&allow), S_OK);
  EXPECT_EQ(allow, TRUE);
  EXPECT_EQ(focus->AllowFocusChange(nullptr), E_POINTER);

  ComPtr<IDownloadManager> downloads = control.SiteAs<IDownloadManager>();
  EXPECT_EQ(downloads->Download(nullptr, nullptr, 0, 0, nullptr, L"h", L"r", 936), E_NOTIMPL);
  host->OnFileDownload = [&](TCustomWebHost*, IMoniker*, IBindCtx*, DWORD, LONG, BINDINFO*,
                             const wchar_t* headers, const wchar_t*, UINT codePage,
                             HRESULT& rezult) {
    EXPECT_EQ(rezult, E_NOTIMPL);
    EXPECT_STREQ(headers, L"h");
    EXPECT_EQ(codePage, 936u);
    raised.push_back("Download");
    rezult = S_OK;  // the application downloads it
  };
  EXPECT_EQ(downloads->Download(nullptr, nullptr, 0, 0, nullptr, L"h", L"r", 936), S_OK);

  ComPtr<IHostBehaviorInit> behaviours = control.SiteAs<IHostBehaviorInit>();
  EXPECT_EQ(behaviours->PopulateNamespaceTable(), S_OK);
  host->OnPopulateNSTable = [&](TObject*) { raised.push_back("PopulateNSTable"); };
  EXPECT_EQ(behaviours->PopulateNamespaceTable(), S_OK);

  ComPtr<IZoomEvents> zoom = control.SiteAs<IZoomEvents>();
  EXPECT_EQ(zoom->OnZoomPercentChanged(150), S_FALSE);
  host->OnZoomPercentChange = [&](TCustomWebHost*, ULONG percent) {
    EXPECT_EQ(percent, 150u);
    raised.push_back("ZoomPercentChange");
    return S_OK;
  };
  EXPECT_EQ(zoom->OnZoomPercentChanged(150), S_OK);

  EXPECT_THAT(raised, ElementsAre("EvaluateNewWindow", "AllowFocusChange", "Download",
                                  "PopulateNSTable", "ZoomPercentChange"));

  // A failing handler is reported; the control gets the default answer.
  host->OnEvaluateNewWindow = [](auto&&...) { throw Exception("new window"); };
  EXPECT_EQ(windows->EvaluateNewWindow(L"", L"", L"", L"", FALSE, 0, 0), E_FAIL);
  EXPECT_THAT(FReported, ElementsAre("new window"));
  FReported.clear();
}

TEST_F(DocHostTest, ScriptWindowMovesMoveTheFormOnlyWithFloatingHosting) {
  FRegistration.Prepare();
  THostForm form;
  form.SetBounds(100, 100, 400, 300);
  auto host = MakeDocHost(&form);
  form.Handle();
  ComPtr<IHTMLOMWindowServices> window = Double().SiteAs<IHTMLOMWindowServices>();
  std::vector<std::string> raised;
  auto record = [&](const char* name) {
    return [&raised, name](TCustomWebHost*, int cx, int cy) {
      raised.push_back(std::string(name) + " " + std::to_string(cx) + "," + std::to_string(cy));
    };
  };
  host->OnMove = record("Move");
  host->OnMoveBy = record("MoveBy");
  host->OnResize = record("Resize");
  host->OnResizeBy = record("ResizeBy");
  auto bounds = [&] {
    return std::vector<int>{form.Left(), form.Top(), form.Width(), form.Height()};
  };

  EXPECT_EQ(window->moveTo(10, 20), S_OK);
  EXPECT_EQ(window->resizeBy(50, 50), S_OK);
  EXPECT_THAT(bounds(), ElementsAre(100, 100, 400, 300));

  host->SetFloatingHosting(true);
  EXPECT_EQ(window->moveTo(10, 20), S_OK);
  EXPECT_THAT(bounds(), ElementsAre(10, 20, 400, 300));
  EXPECT_EQ(window->moveBy(5, -5), S_OK);
  EXPECT_THAT(bounds(), ElementsAre(15, 15, 400, 300));
  EXPECT_EQ(window->resizeTo(500, 350), S_OK);
  EXPECT_THAT(bounds(), ElementsAre(15, 15, 500, 350));
  EXPECT_EQ(window->resizeBy(-100, 50), S_OK);
  EXPECT_THAT(bounds(), ElementsAre(15, 15, 400, 400));
  EXPECT_THAT(raised, ElementsAre("Move 10,20", "ResizeBy 50,50", "Move 10,20", "MoveBy 5,-5",
                                  "Resize 500,350", "ResizeBy -100,50"));

  // A host without a form: the events only.
  raised.clear();
  host->SetParent(nullptr);
  EXPECT_EQ(window->moveBy(1, 1), S_OK);
  EXPECT_THAT(raised, ElementsAre("MoveBy 1,1"));
  EXPECT_THAT(bounds(), ElementsAre(15, 15, 400, 400));
}

// Counts the task memory handed out and freed while it is registered.
class TMallocSpy final : public IMallocSpy {
 public:
  TMallocSpy() { FRegistered = SUCCEEDED(CoRegisterMallocSpy(this)); }
  ~TMallocSpy() {
    if (FRegistered) CoRevokeMallocSpy();
  }
  bool Registered() const noexcept { return FRegistered; }
  size_t Outstanding() const noexcept { return FLive.size(); }

  STDMETHODIMP QueryInterface(REFIID iid, void** object) noexcept override {
    if (!object) return E_POINTER;
    *object =
        (iid == IID_IUnknown || iid == IID_IMallocSpy) ? static_cast<IMallocSpy*>(this) : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return 2; }
  STDMETHODIMP_(ULONG) Release() noexcept override { return 1; }
  STDMETHODIMP_(SIZE_T) PreAlloc(SIZE_T request) noexcept override { return request; }
  STDMETHODIMP_(void*) PostAlloc(void* actual) noexcept override {
    if (actual) Track(actual);
    return actual;
  }
  STDMETHODIMP_(void*) PreFree(void* request, BOOL spied) noexcept override {
    if (spied) FLive.erase(request);
    return request;
  }
  STDMETHODIMP_(void) PostFree(BOOL) noexcept override {}
  STDMETHODIMP_(SIZE_T)
  PreRealloc(void* request, SIZE_T size, void** newRequest, BOOL spied) noexcept override {
    if (spied) FLive.erase(request);
    *newRequest = request;
    return size;
  }
  STDMETHODIMP_(void*) PostRealloc(void* actual, BOOL spied) noexcept override {
    if (spied && actual) Track(actual);
    return actual;
  }
  STDMETHODIMP_(void*) PreGetSize(void* request, BOOL) noexcept override { return request; }
  STDMETHODIMP_(SIZE_T) PostGetSize(SIZE_T actual, BOOL) noexcept override { return actual; }
  STDMETHODIMP_(void*) PreDidAlloc(void* request, BOOL) noexcept override { return request; }
  STDMETHODIMP_(int) PostDidAlloc(void*, BOOL, int actual) noexcept override { return actual; }
  STDMETHODIMP_(void) PreHeapMinimize() noexcept override {}
  STDMETHODIMP_(void) PostHeapMinimize() noexcept override {}

 private:
  void Track(void* block) noexcept {
    try {
      FLive.insert(block);
    } catch (...) {
    }
  }
  std::set<void*> FLive;
  bool FRegistered = false;
};

TEST_F(DocHostTest, AuthenticationHandsOutTaskMemoryTextsOnlyForSuccess) {
  FRegistration.Prepare();
  THostForm form;
  auto host = MakeDocHost(&form);
  const HWND window = host->Handle();
  TTestDoubleControl& control = Double();
  struct TCase {
    const char* Name;
    std::wstring UserName, Password;
    HRESULT Rezult;
    bool ChangeWindow;
  };
  const TCase cases[] = {
      {"nothing supplied", L"", L"", S_OK, false},
      {"a user and a password", L"user", L"\u5BC6\u7801", S_OK, false},
      {"a user only, another window", L"user", L"", S_OK, true},
      {"a refusal with texts", L"user", L"secret", E_ACCESSDENIED, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    host->OnAuthenticate = [&](TCustomWebHost*, HWND& hwnd, std::wstring& userName,
                               std::wstring& password, HRESULT& rezult) {
      EXPECT_EQ(hwnd, window);
      EXPECT_TRUE(userName.empty() && password.empty());
      EXPECT_EQ(rezult, S_OK);
      userName = c.UserName;
      password = c.Password;
      rezult = c.Rezult;
      if (c.ChangeWindow) hwnd = form.Handle();
    };
    TTestDoubleControl::TCredentials credentials;
    {
      TMallocSpy spy;
      ASSERT_TRUE(spy.Registered());
      // The service id is whatever the control names: the interface decides.
      credentials = control.Authenticate(IID_IStream);
      EXPECT_EQ(spy.Outstanding(), 0u);  // the control freed all it was given
    }
    EXPECT_EQ(credentials.Result, c.Rezult);
    const bool success = SUCCEEDED(c.Rezult);
    EXPECT_EQ(credentials.UserNameGiven, success && !c.UserName.empty());
    EXPECT_EQ(credentials.PasswordGiven, success && !c.Password.empty());
    EXPECT_EQ(credentials.UserName, success ? c.UserName : L"");
    EXPECT_EQ(credentials.Password, success ? c.Password : L"");
    EXPECT_EQ(credentials.Window, c.ChangeWindow ? form.Handle() : window);
  }
}

// --- drag and drop
// ---------------------------------------------------------------------------------------

// A drop target of the application's: counts what is held on it.
class TProbeTarget final : public IDropTarget {
 public:
  long References() const noexcept { return FRefs; }
  STDMETHODIMP QueryInterface(REFIID iid, void** object) noexcept override {
    if (!object) return E_POINTER;
    *object =
        (iid == IID_IUnknown || iid == IID_IDropTarget) ? static_cast<IDropTarget*>(this) : nullptr;
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return static_cast<ULONG>(++FRefs); }
  STDMETHODIMP_(ULONG) Release() noexcept override { return static_cast<ULONG>(--FRefs); }
  STDMETHODIMP DragEnter(IDataObject*, DWORD, POINTL, DWORD*) noexcept override { return S_OK; }
  STDMETHODIMP DragOver(DWORD, POINTL, DWORD*) noexcept override { return S_OK; }
  STDMETHODIMP DragLeave() noexcept override { return S_OK; }
  STDMETHODIMP Drop(IDataObject*, DWORD, POINTL, DWORD*) noexcept override { return S_OK; }

 private:
  long FRefs = 0;
};

// The document's view window, as the control makes it inside its own.
HWND MakeViewWindow(HWND control) {
  static const bool registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"Internet Explorer_Server";
    return RegisterClassW(&wc) != 0;
  }();
  EXPECT_TRUE(registered);
  return CreateWindowExW(0, L"Internet Explorer_Server", L"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100,
                         control, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// Whether a drop target is registered on the window: a second registration is refused.
bool HasDropTarget(HWND window) {
  TProbeTarget probe;
  HRESULT hr = RegisterDragDrop(window, &probe);
  if (hr == S_OK) RevokeDragDrop(window);
  return hr == DRAGDROP_E_ALREADYREGISTERED;
}

TEST_F(DocHostTest, ADropHandlingTypeSetBeforeTheWindowExistsIsStoredAndRegistersNothing) {
  TTestDoubleControl& control = FRegistration.Prepare();
  THostForm form;
  auto host = MakeDocHost(&form);
  EXPECT_EQ(host->DropHandlingType(), Drop::ddtMS);
  bool asked = false;
  host->OnGetDropTarget = [&](TCustomWebHost*, ComPtr<IDropTarget>&) { asked = true; };
  const ULONG held = host->RefCount();
  for (Drop type : {Drop::ddtMy, Drop::ddtCustom}) {
    host->SetDropHandlingType(type);
    EXPECT_EQ(host->DropHandlingType(), type);
    EXPECT_FALSE(host->HandleAllocated());
    EXPECT_EQ(host->RefCount(), held);  // nobody holds the host's target
  }
  EXPECT_FALSE(asked);
  EXPECT_EQ(control.CountOf(TDoubleCall::PutRegisterAsDropTarget), 0u);
  // The window made afterwards carries no registration of the host's: the
  // control asks the UI handler when its view is there.
  const HWND view = MakeViewWindow(host->Handle());
  EXPECT_FALSE(HasDropTarget(view));
}

TEST_F(DocHostTest, ADropHandlingTypeSetWithAViewWindowRegistersItsTargetThere) {
  TTestDoubleControl& control = FRegistration.Prepare();
  THostForm form;
  auto host = MakeDocHost(&form);
  const HWND view = MakeViewWindow(host->Handle());
  ASSERT_EQ(host->FindChildWindowByClass(L"Internet Explorer_Server"), view);
  const ULONG held = host->RefCount();
  TProbeTarget probe;
  host->OnGetDropTarget = [&](TCustomWebHost* sender, ComPtr<IDropTarget>& target) {
    EXPECT_EQ(sender, host.get());
    EXPECT_EQ(target, control.SiteAs<IDropTarget>());  // the host's own, to replace
    target = &probe;
  };
  auto registerAsDropTarget = [&]() -> std::optional<bool> {
    if (control.CountOf(TDoubleCall::PutRegisterAsDropTarget) == 0) return std::nullopt;
    return host->RegisterAsDropTarget();
  };

  host->SetDropHandlingType(Drop::ddtMy);  // the host's own target
  EXPECT_TRUE(HasDropTarget(view));
  EXPECT_GT(host->RefCount(), held);
  EXPECT_EQ(registerAsDropTarget(), std::nullopt);

  host->SetDropHandlingType(Drop::ddtCustom);  // the application's
  EXPECT_TRUE(HasDropTarget(view));
  EXPECT_EQ(host->RefCount(), held);
  EXPECT_GT(probe.References(), 0);

  host->SetDropHandlingType(Drop::ddtNo);  // nobody's
  EXPECT_FALSE(HasDropTarget(view));
  EXPECT_EQ(probe.References(), 0);
  EXPECT_EQ(registerAsDropTarget(), false);

  host->SetDropHandlingType(Drop::ddtMS);  // the control's own
  EXPECT_EQ(registerAsDropTarget(), true);
  EXPECT_EQ(control.CountOf(TDoubleCall::PutRegisterAsDropTarget), 2u);
  host->SetDropHandlingType(Drop::ddtMS);  // the same again does nothing
  EXPECT_EQ(control.CountOf(TDoubleCall::PutRegisterAsDropTarget), 2u);

  // The host's end takes back what it registered.
  host->SetDropHandlingType(Drop::ddtCustom);
  EXPECT_GT(probe.References(), 0);
  host.reset();
  EXPECT_EQ(probe.References(), 0);
}

TEST_F(DocHostTest, TheHostsDropTargetAcceptsNothingUnlessItsEventsSaySo) {
  FRegistration.Prepare();
  auto host = MakeDocHost();
  ComPtr<IDropTarget> target = Double().SiteAs<IDropTarget>();
  ASSERT_NE(target, nullptr);
  ComPtr<IDataObject> data;  // what is dragged: whatever the clipboard holds
  ASSERT_EQ(OleGetClipboard(&data), S_OK);
  IDataObject* const dataObject = data.Get();
  const POINTL at{12, 34};

  DWORD effect = DROPEFFECT_COPY;
  EXPECT_EQ(target->DragEnter(dataObject, MK_LBUTTON, at, &effect), S_OK);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  effect = DROPEFFECT_MOVE;
  EXPECT_EQ(target->DragOver(MK_LBUTTON, at, &effect), S_OK);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_EQ(target->DragLeave(), S_OK);
  effect = DROPEFFECT_COPY;
  EXPECT_EQ(target->Drop(dataObject, MK_LBUTTON, at, &effect), S_OK);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));

  std::vector<std::string> raised;
  auto check = [&](const char* name, DWORD keys, POINTL pt, DWORD& dwEffect, HRESULT& rezult) {
    raised.push_back(name);
    EXPECT_EQ(keys, static_cast<DWORD>(MK_LBUTTON));
    EXPECT_EQ(pt.x, 12);
    EXPECT_EQ(pt.y, 34);
    EXPECT_EQ(dwEffect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(rezult, S_OK);
    dwEffect = DROPEFFECT_COPY;
    rezult = S_FALSE;
  };
  host->OnDragEnter = [&](TObject*, IDataObject* d, DWORD keys, POINTL pt, DWORD& e, HRESULT& r) {
    EXPECT_EQ(d, dataObject);
    check("DragEnter", keys, pt, e, r);
  };
  host->OnDragOver2 = [&](TObject*, DWORD keys, POINTL pt, DWORD& e, HRESULT& r) {
    check("DragOver", keys, pt, e, r);
  };
  host->OnDragLeave = [&](TObject*) { raised.push_back("DragLeave"); };
  host->OnDropEvent = [&](TObject*, IDataObject* d, DWORD keys, POINTL pt, DWORD& e, HRESULT& r) {
    EXPECT_EQ(d, dataObject);
    check("Drop", keys, pt, e, r);
  };
  for (auto call : std::initializer_list<std::function<HRESULT(DWORD&)>>{
           [&](DWORD& e) { return target->DragEnter(dataObject, MK_LBUTTON, at, &e); },
           [&](DWORD& e) { return target->DragOver(MK_LBUTTON, at, &e); },
           [&](DWORD& e) { return target->Drop(dataObject, MK_LBUTTON, at, &e); }}) {
    effect = DROPEFFECT_MOVE;
    EXPECT_EQ(call(effect), S_FALSE);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  }
  EXPECT_EQ(target->DragLeave(), S_OK);
  EXPECT_THAT(raised, ElementsAre("DragEnter", "DragOver", "Drop", "DragLeave"));
  EXPECT_EQ(target->DragOver(0, at, nullptr), E_INVALIDARG);
}

// --- window parking
// ------------------------------------------------------------------------------------

// A form that lets the test look in while its window is being made again.
class TRecreatedForm : public THostForm {
 public:
  std::function<void()> BeforeWindow;

 protected:
  void CreateWnd() override {
    if (BeforeWindow) BeforeWindow();
    THostForm::CreateWnd();
  }
};

TEST_F(DocHostTest, MakingTheFormsWindowAgainKeepsTheControlsWindowAndPage) {
  TTestDoubleControl& control = FRegistration.Prepare();
  TRecreatedForm form;
  auto host = MakeDocHost(&form);
  host->SetAlign(TAlign::alClient);
  form.Show();
  const HWND window = host->Handle();
  host->UIActivate();
  ASSERT_TRUE(control.UIActive());
  host->Navigate(L"http://page/");
  const size_t verbs = control.DoVerbs.size();
  const size_t windows = ProcessWindowCount();

  for (int round = 1; round <= 2; ++round) {
    SCOPED_TRACE(round);
    // While the form has no window, the control's waits on the application's.
    bool looked = false;
    form.BeforeWindow = [&] {
      looked = true;
      EXPECT_FALSE(host->HandleAllocated());
      EXPECT_EQ(host->ParkedWindow(), window);
      EXPECT_TRUE(IsWindow(window));
      EXPECT_EQ(GetParent(window), Application().Handle());
      EXPECT_TRUE(control.InPlaceActive());
      EXPECT_FALSE(control.UIActive());  // the frame it was active in is gone
      EXPECT_NE(host->InPlaceObject(), nullptr);
      // The control showing itself now does not take the window from its waiting place.
      control.Site()->ShowObject();
      EXPECT_FALSE(host->HandleAllocated());
    };
    const HWND oldForm = form.Handle();
    if (round == 2) form.SetBorderStyle(TFormBorderStyle::bsSizeable);  // another client area
    form.RecreateWnd();
    form.BeforeWindow = nullptr;
    EXPECT_TRUE(looked);
    EXPECT_FALSE(IsWindow(oldForm));

    // The same window, the host's again, filling the new client area.
    EXPECT_TRUE(host->HandleAllocated());
    EXPECT_EQ(host->Handle(), window);
    EXPECT_EQ(host->ParkedWindow(), nullptr);
    EXPECT_EQ(GetParent(window), form.Handle());
    EXPECT_EQ(TWinControl::FromHandle(window), host.get());
    RECT client{}, placed{};
    GetClientRect(form.Handle(), &client);
    GetWindowRect(window, &placed);
    MapWindowPoints(HWND_DESKTOP, form.Handle(), reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(placed.left, 0);
    EXPECT_EQ(placed.top, 0);
    EXPECT_EQ(placed.right, client.right);
    EXPECT_EQ(placed.bottom, client.bottom);
    EXPECT_EQ(host->Width(), client.right);
    // Neither closed nor made again: still active in place with its page.
    EXPECT_EQ(control.CountOf(TDoubleCall::CloseNoSave), 0u);
    EXPECT_EQ(control.CountOf(TDoubleCall::InPlaceDeactivate), 0u);
    EXPECT_EQ(control.DoVerbs.size(), verbs + static_cast<size_t>(round - 1));
    EXPECT_EQ(FRegistration.Created(), 1u);
    EXPECT_TRUE(control.InPlaceActive());
    EXPECT_EQ(ProcessWindowCount(), windows);
    // It takes activation and navigates as before.
    host->UIActivate();
    EXPECT_TRUE(control.UIActive());
    EXPECT_EQ(control.DoVerbs.back().Verb, OLEIVERB_UIACTIVATE);
    host->Navigate(L"http://next/");
    EXPECT_EQ(control.Navigations.size(), static_cast<size_t>(round + 1));
  }
}

TEST_F(DocHostTest, AHostThatDoesNotFillItsParentComesBackWhereItStood) {
  FRegistration.Prepare();
  THostForm form;
  auto host = MakeDocHost(&form);
  host->SetBounds(10, 20, 300, 200);
  const HWND window = host->Handle();
  form.RecreateWnd();
  EXPECT_EQ(host->Handle(), window);
  RECT placed{};
  GetWindowRect(window, &placed);
  MapWindowPoints(HWND_DESKTOP, form.Handle(), reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(placed.left, 10);
  EXPECT_EQ(placed.top, 20);
  EXPECT_EQ(placed.right - placed.left, 300);
  EXPECT_EQ(placed.bottom - placed.top, 200);
  EXPECT_THAT((std::vector<int>{host->Left(), host->Top(), host->Width(), host->Height()}),
              ElementsAre(10, 20, 300, 200));
}

TEST_F(DocHostTest, DestroyingTheHostWhileItsWindowWaitsDestroysThatWindowAndHoldsNothing) {
  for (bool closeDeactivates : {true, false}) {
    SCOPED_TRACE(closeDeactivates ? "closing deactivates" : "closing keeps in-place activation");
    TTestDoubleControl& control = FRegistration.Prepare();
    control.CloseDeactivates = closeDeactivates;
    THostForm form;
    auto host = MakeDocHost(&form);
    const HWND window = host->Handle();
    const size_t windows = ProcessWindowCount();
    // The system takes the form's window: the control's goes waiting.
    DestroyWindow(form.Handle());
    ASSERT_EQ(host->ParkedWindow(), window);
    ASSERT_TRUE(IsWindow(window));

    host.reset();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(ProcessWindowCount(), windows - 2);  // neither the form's nor the control's
    EXPECT_FALSE(control.InPlaceActive());
    EXPECT_EQ(control.CountOf(TDoubleCall::CloseNoSave), 1u);
    EXPECT_EQ(control.OutstandingReferences(), 0);
  }
}

// --- document activation
// ------------------------------------------------------------------------------

TEST_F(DocHostTest, ActivatingTheDocumentAllowsFocusChangesForItsDurationAndMakesTheHostActive) {
  TTestDoubleControl& control = FRegistration.Prepare();
  TTestDoubleControl document;
  THostForm form;
  auto host = MakeDocHost(&form);
  host->SetAlign(TAlign::alClient);
  form.Show();
  host->Handle();

  // Without a document nothing happens.
  control.SetProperty(dispidDocument, TVariant(static_cast<IDispatch*>(nullptr)).Get());
  host->ActivateDocumentUI();
  EXPECT_EQ(control.CountOf(TDoubleCall::DoVerbUIActivate), 0u);

  control.SetProperty(
      dispidDocument,
      TVariant(static_cast<IDispatch*>(static_cast<IWebBrowser2*>(&document))).Get());
  std::vector<bool> allowedDuring;
  control.OnCall = [&](TDoubleCall method) {
    if (method == TDoubleCall::DoVerbUIActivate)
      allowedDuring.push_back(host->FocusChangeAllowed());
  };
  for (HRESULT answer : {E_FAIL, S_OK}) {
    SCOPED_TRACE(answer);
    host->SetFocusChangeAllowed(false);
    form.SetActiveControl(nullptr);
    if (FAILED(answer)) control.FailCall(TDoubleCall::DoVerbUIActivate, answer);
    const size_t before = control.DoVerbs.size();
    host->ActivateDocumentUI();
    EXPECT_FALSE(host->FocusChangeAllowed());  // restored
    ASSERT_GT(control.DoVerbs.size(), before);
    const TDoVerbCall& verb = control.DoVerbs[before];
    EXPECT_EQ(verb.Verb, OLEIVERB_UIACTIVATE);
    EXPECT_EQ(verb.Site, host->ClientSite());
    EXPECT_EQ(verb.Parent, host->Handle());
    EXPECT_EQ(verb.Position.right, host->ClientWidth());
    EXPECT_EQ(verb.Position.bottom, host->ClientHeight());
    EXPECT_EQ(form.ActiveControl(), SUCCEEDED(answer) ? host.get() : nullptr);
  }
  // Also while the focus it gives makes the control UI-active once more.
  EXPECT_THAT(allowedDuring, ::testing::Each(true));
  EXPECT_GE(allowedDuring.size(), 2u);
  control.OnCall = nullptr;
  host.reset();
  control.SetProperty(dispidDocument, TVariant().Get());
  EXPECT_EQ(document.OutstandingReferences(), 0);
}

}  // namespace
}  // namespace kvx::test
