#include "toolkit/Win.h"

#include "browser/control/BrowserControl.h"

#include "browser/activex/OleError.h"
#include "toolkit/Handles.h"

#include <exdispid.h>

#include <iterator>

using Microsoft::WRL::ComPtr;

namespace kvx {
namespace {

// DWebBrowserEvents2 in the order of the handler slots (not numeric order).
constexpr DISPID kWebBrowserEvents[] = {
    DISPID_STATUSTEXTCHANGE,
    DISPID_PROGRESSCHANGE,
    DISPID_COMMANDSTATECHANGE,
    DISPID_DOWNLOADBEGIN,
    DISPID_DOWNLOADCOMPLETE,
    DISPID_TITLECHANGE,
    DISPID_PROPERTYCHANGE,
    DISPID_BEFORENAVIGATE2,
    DISPID_NEWWINDOW2,
    DISPID_NAVIGATECOMPLETE2,
    DISPID_DOCUMENTCOMPLETE,
    DISPID_ONQUIT,
    DISPID_ONVISIBLE,
    DISPID_ONTOOLBAR,
    DISPID_ONMENUBAR,
    DISPID_ONSTATUSBAR,
    DISPID_ONFULLSCREEN,
    DISPID_ONTHEATERMODE,
    DISPID_ONADDRESSBAR,
    DISPID_WINDOWSETRESIZABLE,
    DISPID_WINDOWSETLEFT,
    DISPID_WINDOWSETTOP,
    DISPID_WINDOWSETWIDTH,
    DISPID_WINDOWSETHEIGHT,
    DISPID_WINDOWCLOSING,
    DISPID_CLIENTTOHOSTWINDOW,
    DISPID_SETSECURELOCKICON,
    DISPID_FILEDOWNLOAD,
    DISPID_NAVIGATEERROR,
    DISPID_PRINTTEMPLATEINSTANTIATION,
    DISPID_PRINTTEMPLATETEARDOWN,
    DISPID_UPDATEPAGESTATUS,
    DISPID_PRIVACYIMPACTEDSTATECHANGE,
    DISPID_NEWWINDOW3,
};

// Calls `Slot` of the wrapper with the event's arguments; false when empty.
template <auto Slot, typename Call>
bool Deliver(TActiveXHost& host, Call call) {
  auto& self = static_cast<TBrowserControl&>(host);
  auto& handler = self.*Slot;
  if (!handler) return false;
  call(self, handler);
  return true;
}

#define KVX_SLOT(member, ...)                                                                 \
  [](TActiveXHost& host, TEventArgs& a) -> bool {                                             \
    return Deliver<&TBrowserControl::member>(                                                 \
        host, [&a](TBrowserControl& self, auto& handler) { handler(&self, ##__VA_ARGS__); }); \
  }

const TEventSlot kWebBrowserSlots[] = {
    KVX_SLOT(OnStatusTextChange, a.Text(0)),
    KVX_SLOT(OnProgressChange, a.Integer(0), a.Integer(1)),
    KVX_SLOT(OnCommandStateChange, a.Integer(0), a.Boolean(1)),
    KVX_SLOT(OnDownloadBegin),
    KVX_SLOT(OnDownloadComplete),
    KVX_SLOT(OnTitleChange, a.Text(0)),
    KVX_SLOT(OnPropertyChange, a.Text(0)),
    KVX_SLOT(OnBeforeNavigate2, a.Dispatch(0), a.VariantRef(1), a.VariantRef(2), a.VariantRef(3),
             a.VariantRef(4), a.VariantRef(5), a.BooleanRef(6)),
    KVX_SLOT(OnNewWindow2, a.DispatchRef(0), a.BooleanRef(1)),
    KVX_SLOT(OnNavigateComplete2, a.Dispatch(0), a.VariantRef(1)),
    KVX_SLOT(OnDocumentComplete, a.Dispatch(0), a.VariantRef(1)),
    KVX_SLOT(OnQuit),
    KVX_SLOT(OnVisible, a.Boolean(0)),
    KVX_SLOT(OnToolBar, a.Boolean(0)),
    KVX_SLOT(OnMenuBar, a.Boolean(0)),
    KVX_SLOT(OnStatusBar, a.Boolean(0)),
    KVX_SLOT(OnFullScreen, a.Boolean(0)),
    KVX_SLOT(OnTheaterMode, a.Boolean(0)),
    KVX_SLOT(OnAddressBar, a.Boolean(0)),
    KVX_SLOT(OnWindowSetResizable, a.Boolean(0)),
    KVX_SLOT(OnWindowSetLeft, a.Integer(0)),
    KVX_SLOT(OnWindowSetTop, a.Integer(0)),
    KVX_SLOT(OnWindowSetWidth, a.Integer(0)),
    KVX_SLOT(OnWindowSetHeight, a.Integer(0)),
    KVX_SLOT(OnWindowClosing, a.Boolean(0), a.BooleanRef(1)),
    KVX_SLOT(OnClientToHostWindow, a.IntegerRef(0), a.IntegerRef(1)),
    KVX_SLOT(OnSetSecureLockIcon, a.Integer(0)),
    // Newer controls put a document flag before Cancel: Cancel is the last one.
    KVX_SLOT(OnFileDownload, a.BooleanRef(a.Count() > 0 ? a.Count() - 1 : 0)),
    KVX_SLOT(OnNavigateError, a.Dispatch(0), a.VariantRef(1), a.VariantRef(2), a.VariantRef(3),
             a.BooleanRef(4)),
    KVX_SLOT(OnPrintTemplateInstantiation, a.Dispatch(0)),
    KVX_SLOT(OnPrintTemplateTeardown, a.Dispatch(0)),
    KVX_SLOT(OnUpdatePageStatus, a.Dispatch(0), a.VariantRef(1), a.VariantRef(2)),
    KVX_SLOT(OnPrivacyImpactedStateChange, a.Boolean(0)),
    KVX_SLOT(OnNewWindow3, a.DispatchRef(0), a.BooleanRef(1), a.Cardinal(2), a.Text(3), a.Text(4)),
};

#undef KVX_SLOT

static_assert(std::size(kWebBrowserSlots) == std::size(kWebBrowserEvents),
              "one handler slot per event");

// A BSTR for the control; empty text still makes a (zero-length) string.
TUniqueBstr MakeBstr(const std::wstring& text) {
  TUniqueBstr result(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
  if (!result) OleError(E_OUTOFMEMORY);
  return result;
}

}  // namespace

// No stock-property synchronisation, no font or picture properties; the
// site is set early only when the control asks for it.
TControlDescription WebBrowserDescription{
    .ClassID = CLSID_WebBrowser,
    .EventIID = DIID_DWebBrowserEvents2,
    .EventCount = std::size(kWebBrowserEvents),
    .EventDispIDs = kWebBrowserEvents,
    .Version = 401,
};

TControlDescription& TBrowserControl::AttachDescription() {
  WebBrowserDescription.FirstEventSlot = kWebBrowserSlots;
  return WebBrowserDescription;
}

TBrowserControl::TBrowserControl(TWinControl* parent) : TActiveXHost(parent, AttachDescription()) {}

TBrowserControl::~TBrowserControl() {
  ShutDown();
}

ComPtr<IWebBrowser2> TBrowserControl::BrowserInterface() {
  if (!FBrowserInterface) {
    ComPtr<IDispatch> dispatch = DefaultDispatch();
    ComPtr<IWebBrowser2> browser;
    if (FAILED(dispatch.As(&browser)) || !browser) throw EIntfCastError();
    FBrowserInterface = std::move(browser);
  }
  return FBrowserInterface;
}

void TBrowserControl::Navigate(const std::wstring& url) {
  ComPtr<IWebBrowser2> browser = BrowserInterface();
  TUniqueBstr address = MakeBstr(url);
  TVariant flags = TVariant::Missing(), targetFrameName = TVariant::Missing(),
           headers = TVariant::Missing();
  TVariant postData;
  ClearErrorInfo();
  OleCallCheck(browser->Navigate(address.Get(), &flags, &targetFrameName, &postData, &headers));
}

void TBrowserControl::Navigate(const std::wstring& url, VARIANT& flags, VARIANT& targetFrameName,
                               VARIANT& postData, VARIANT& headers) {
  ComPtr<IWebBrowser2> browser = BrowserInterface();
  TUniqueBstr address = MakeBstr(url);
  ClearErrorInfo();
  OleCallCheck(browser->Navigate(address.Get(), &flags, &targetFrameName, &postData, &headers));
}

void TBrowserControl::Navigate2(VARIANT& url, VARIANT& flags, VARIANT& targetFrameName,
                                VARIANT& postData, VARIANT& headers) {
  ComPtr<IWebBrowser2> browser = BrowserInterface();
  ClearErrorInfo();
  OleCallCheck(browser->Navigate2(&url, &flags, &targetFrameName, &postData, &headers));
}

void TBrowserControl::ExecWB(OLECMDID cmdID, OLECMDEXECOPT cmdexecopt, VARIANT& pvaIn) {
  ComPtr<IWebBrowser2> browser = BrowserInterface();
  TVariant out;
  ClearErrorInfo();
  OleCallCheck(browser->ExecWB(cmdID, cmdexecopt, &pvaIn, &out));
}

}  // namespace kvx
