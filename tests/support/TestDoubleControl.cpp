#include "toolkit/Win.h"

#include "tests/support/TestDoubleControl.h"

#include "toolkit/Handles.h"

#include <servprov.h>
#include <urlmon.h>

#include <algorithm>
#include <cstring>

using Microsoft::WRL::ComPtr;

namespace kvx::test {
namespace {

bool GuidLess(const GUID& a, const GUID& b) {
  return std::memcmp(&a, &b, sizeof(GUID)) < 0;
}

TDoubleCall DoVerbCall(LONG verb) noexcept {
  switch (verb) {
    case OLEIVERB_PRIMARY:
      return TDoubleCall::DoVerbPrimary;
    case OLEIVERB_SHOW:
      return TDoubleCall::DoVerbShow;
    case OLEIVERB_OPEN:
      return TDoubleCall::DoVerbOpen;
    case OLEIVERB_HIDE:
      return TDoubleCall::DoVerbHide;
    case OLEIVERB_UIACTIVATE:
      return TDoubleCall::DoVerbUIActivate;
    case OLEIVERB_INPLACEACTIVATE:
      return TDoubleCall::DoVerbInPlaceActivate;
    case OLEIVERB_DISCARDUNDOSTATE:
      return TDoubleCall::DoVerbDiscardUndoState;
    case OLEIVERB_PROPERTIES:
      return TDoubleCall::DoVerbProperties;
    default:
      return TDoubleCall::DoVerbOther;  // DoVerbs holds its number
  }
}

const wchar_t kWindowClass[] = L"KorvexaTestDoubleControl";
const wchar_t kPageWindowClass[] = L"KorvexaTestDoublePage";

LRESULT CALLBACK ControlWindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  if (auto* control =
          reinterpret_cast<TTestDoubleControl*>(GetWindowLongPtrW(window, GWLP_USERDATA))) {
    try {
      control->WindowMessages.push_back(msg);
    } catch (...) {
    }
  }
  return DefWindowProcW(window, msg, wParam, lParam);
}

void RegisterWindowClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSW wc{};
  wc.lpfnWndProc = ControlWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kWindowClass;
  RegisterClassW(&wc);
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = kPageWindowClass;
  RegisterClassW(&wc);
  registered = true;
}

}  // namespace

// --- TTestConnectionPoint ---------------------------------------------------------

STDMETHODIMP TTestConnectionPoint::QueryInterface(REFIID iid, void** object) noexcept {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid != IID_IUnknown && iid != IID_IConnectionPoint) return E_NOINTERFACE;
  *object = static_cast<IConnectionPoint*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) TTestConnectionPoint::AddRef() noexcept {
  return FOwner.AddRef();
}
STDMETHODIMP_(ULONG) TTestConnectionPoint::Release() noexcept {
  return FOwner.Release();
}

STDMETHODIMP TTestConnectionPoint::GetConnectionInterface(IID* iid) noexcept {
  if (!iid) return E_POINTER;
  *iid = FIid;
  return S_OK;
}

STDMETHODIMP TTestConnectionPoint::GetConnectionPointContainer(
    IConnectionPointContainer** container) noexcept {
  if (!container) return E_POINTER;
  *container = &FOwner;
  FOwner.AddRef();
  return S_OK;
}

STDMETHODIMP TTestConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) noexcept {
  if (!sink || !cookie) return E_POINTER;
  *cookie = 0;
  HRESULT hr = FOwner.Record(FIid == IID_IPropertyNotifySink ? TDoubleCall::AdvisePropertyNotify
                                                             : TDoubleCall::AdviseEvents,
                             S_OK);
  if (FAILED(hr)) return hr;
  // A real control keeps the sink as the interface it was advised for.
  ComPtr<IUnknown> held;
  if (FAILED(sink->QueryInterface(FIid, reinterpret_cast<void**>(held.GetAddressOf()))))
    return CONNECT_E_CANNOTCONNECT;
  *cookie = FNextCookie++;
  Sinks[*cookie] = held;
  return S_OK;
}

STDMETHODIMP TTestConnectionPoint::Unadvise(DWORD cookie) noexcept {
  FOwner.Record(FIid == IID_IPropertyNotifySink ? TDoubleCall::UnadvisePropertyNotify
                                                : TDoubleCall::UnadviseEvents,
                S_OK);
  return Sinks.erase(cookie) ? S_OK : CONNECT_E_NOCONNECTION;
}

STDMETHODIMP TTestConnectionPoint::EnumConnections(IEnumConnections** connections) noexcept {
  if (connections) *connections = nullptr;
  return E_NOTIMPL;
}

// --- TTestDoubleControl: script and record ------------------------------------------

TTestDoubleControl::TTestDoubleControl()
    : FRefused(GuidLess),
      FEvents(*this, DIID_DWebBrowserEvents2),
      FPropertyNotify(*this, IID_IPropertyNotifySink) {}

TTestDoubleControl::~TTestDoubleControl() {
  DestroyOwnWindow();
}

void TTestDoubleControl::FailCall(TDoubleCall method, HRESULT result, int times) {
  auto& queue = FFailures[method.Name()];
  for (int i = 0; i < times; ++i) queue.push_back(result);
}

void TTestDoubleControl::FailProperty(DISPID id, HRESULT result, const std::wstring& description) {
  FPropertyFailures[id] = {result, description};
}

void TTestDoubleControl::SetProperty(DISPID id, const VARIANT& value) {
  FProperties[id] = TRecordedVariant(value);
}

void TTestDoubleControl::SetBoolProperty(DISPID id, bool value) {
  SetProperty(id, TVariant(value).Get());
}

HRESULT TTestDoubleControl::Record(TDoubleCall method, HRESULT result) {
  FCalls.push_back(method);
  RunOnCall(method);
  auto found = FFailures.find(method.Name());
  if (found != FFailures.end() && !found->second.empty()) {
    HRESULT failure = found->second.front();
    found->second.pop_front();
    return failure;
  }
  return result;
}

void TTestDoubleControl::RunOnCall(TDoubleCall method) {
  // A copy runs: the hook may replace or clear itself while it runs.
  if (auto hook = OnCall) hook(method);
}

size_t TTestDoubleControl::CountOf(TDoubleCall method) const {
  return static_cast<size_t>(std::count(FCalls.begin(), FCalls.end(), method));
}

int TTestDoubleControl::IndexOf(TDoubleCall method) const {
  auto found = std::find(FCalls.begin(), FCalls.end(), method);
  return found == FCalls.end() ? -1 : static_cast<int>(found - FCalls.begin());
}

HRESULT TTestDoubleControl::FireEvent(DISPID id, std::vector<VARIANT> arguments) {
  std::reverse(arguments.begin(), arguments.end());  // DISPPARAMS holds them last-first
  DISPPARAMS params{arguments.data(), nullptr, static_cast<UINT>(arguments.size()), 0};
  HRESULT result = S_OK;
  auto sinks = FEvents.Sinks;  // a handler may unadvise
  for (auto& [cookie, sink] : sinks) {
    ComPtr<IDispatch> dispatch;
    if (FAILED(sink.As(&dispatch))) continue;
    HRESULT hr =
        dispatch->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    if (FAILED(hr)) result = hr;
  }
  return result;
}

void TTestDoubleControl::NotifyChanged(DISPID id) {
  auto sinks = FPropertyNotify.Sinks;
  for (auto& [cookie, sink] : sinks) {
    ComPtr<IPropertyNotifySink> notify;
    if (SUCCEEDED(sink.As(&notify))) notify->OnChanged(id);
  }
}

HRESULT TTestDoubleControl::AmbientProperty(DISPID id, VARIANT* result, WORD flags) {
  if (!FSite) return E_UNEXPECTED;
  ComPtr<IDispatch> ambient;
  HRESULT hr = FSite.As(&ambient);
  if (FAILED(hr)) return hr;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  return ambient->Invoke(id, IID_NULL, 0, flags, &none, result, nullptr, nullptr);
}

TTestDoubleControl::TCredentials TTestDoubleControl::Authenticate(REFGUID service) {
  TCredentials credentials;
  ComPtr<IServiceProvider> services = SiteAs<IServiceProvider>();
  if (!services) return credentials;
  ComPtr<IAuthenticate> authenticate;
  credentials.Result = services->QueryService(service, IID_PPV_ARGS(&authenticate));
  if (FAILED(credentials.Result)) return credentials;
  LPWSTR userName = nullptr, password = nullptr;
  credentials.Result = authenticate->Authenticate(&credentials.Window, &userName, &password);
  credentials.UserNameGiven = userName != nullptr;
  credentials.PasswordGiven = password != nullptr;
  if (userName) credentials.UserName = userName;
  if (password) credentials.Password = password;
  CoTaskMemFree(userName);
  CoTaskMemFree(password);
  return credentials;
}

// --- IUnknown ----------------------------------------------------------------------------

STDMETHODIMP TTestDoubleControl::QueryInterface(REFIID iid, void** object) noexcept {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (FRefused.count(iid)) return E_NOINTERFACE;
  for (auto& [refused, times] : FRefuseCounts) {
    if (refused == iid && times > 0) {
      --times;
      return E_NOINTERFACE;
    }
  }
  IUnknown* found = nullptr;
  if (iid == IID_IUnknown || iid == IID_IOleObject) {
    found = static_cast<IOleObject*>(this);
  } else if (iid == IID_IDispatch || iid == IID_IWebBrowser || iid == IID_IWebBrowserApp ||
             iid == IID_IWebBrowser2) {
    found = static_cast<IWebBrowser2*>(this);
  } else if (iid == IID_IOleInPlaceObject || iid == IID_IOleWindow) {
    found = static_cast<IOleInPlaceObject*>(this);
  } else if (iid == IID_IOleInPlaceActiveObject) {
    found = static_cast<IOleInPlaceActiveObject*>(this);
  } else if (iid == IID_IOleControl) {
    found = static_cast<IOleControl*>(this);
  } else if (iid == IID_IPersistStreamInit || iid == IID_IPersist) {
    found = static_cast<IPersistStreamInit*>(this);
  } else if (iid == IID_IConnectionPointContainer) {
    found = static_cast<IConnectionPointContainer*>(this);
  }
  if (!found) return E_NOINTERFACE;
  found->AddRef();
  *object = found;
  return S_OK;
}

STDMETHODIMP_(ULONG) TTestDoubleControl::AddRef() noexcept {
  return static_cast<ULONG>(++FRefs);
}
STDMETHODIMP_(ULONG) TTestDoubleControl::Release() noexcept {
  return static_cast<ULONG>(--FRefs);
}

// --- IDispatch: properties by DISPID ----------------------------------------------------------

STDMETHODIMP TTestDoubleControl::GetTypeInfoCount(UINT* count) noexcept {
  if (count) *count = 0;
  return S_OK;
}
STDMETHODIMP TTestDoubleControl::GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept {
  return NotImpl(info);
}
STDMETHODIMP TTestDoubleControl::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept {
  return E_NOTIMPL;
}

STDMETHODIMP TTestDoubleControl::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                        VARIANT* result, EXCEPINFO* exception, UINT*) noexcept {
  FCalls.push_back(TDoubleCall::Invoke);
  RunOnCall(TDoubleCall::Invoke);
  auto failure = FPropertyFailures.find(id);
  if (failure != FPropertyFailures.end()) {
    if (failure->second.Description.empty()) return failure->second.Result;
    if (exception) {
      *exception = EXCEPINFO{};
      exception->scode = failure->second.Result;
      exception->bstrDescription = SysAllocString(failure->second.Description.c_str());
      exception->bstrSource = SysAllocString(L"TestDouble");
    }
    return DISP_E_EXCEPTION;
  }
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    if (!params || params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    Puts.push_back({id, flags, TRecordedVariant(params->rgvarg[0])});
    FProperties[id] = TRecordedVariant(params->rgvarg[0]);
    return S_OK;
  }
  if (flags & DISPATCH_PROPERTYGET) {
    if (!result) return E_POINTER;
    VariantInit(result);
    if (id == 200) {  // Application: the control's own automation object
      V_VT(result) = VT_DISPATCH;
      V_DISPATCH(result) = static_cast<IWebBrowser2*>(this);
      AddRef();
      return S_OK;
    }
    auto found = FProperties.find(id);
    if (found == FProperties.end()) return DISP_E_MEMBERNOTFOUND;
    return VariantCopy(result, const_cast<VARIANT*>(&found->second.Get()));
  }
  return DISP_E_MEMBERNOTFOUND;
}

// --- IWebBrowser2 --------------------------------------------------------------------------------

STDMETHODIMP TTestDoubleControl::Navigate(BSTR url, VARIANT* flags, VARIANT* target,
                                          VARIANT* postData, VARIANT* headers) noexcept {
  TNavigateCall call{TDoubleCall::Navigate, {}, {}};
  VARIANT address;
  V_VT(&address) = VT_BSTR;
  V_BSTR(&address) = url;
  call.Url = TRecordedVariant(address);
  for (VARIANT* v : {flags, target, postData, headers})
    call.Arguments.push_back(v ? TRecordedVariant(*v) : TRecordedVariant());
  Navigations.push_back(call);
  return Record(TDoubleCall::Navigate, S_OK);
}

STDMETHODIMP TTestDoubleControl::Navigate2(VARIANT* url, VARIANT* flags, VARIANT* target,
                                           VARIANT* postData, VARIANT* headers) noexcept {
  TNavigateCall call{TDoubleCall::Navigate2, {}, {}};
  if (url) call.Url = TRecordedVariant(*url);
  for (VARIANT* v : {flags, target, postData, headers})
    call.Arguments.push_back(v ? TRecordedVariant(*v) : TRecordedVariant());
  Navigations.push_back(call);
  return Record(TDoubleCall::Navigate2, S_OK);
}

STDMETHODIMP TTestDoubleControl::ExecWB(OLECMDID cmd, OLECMDEXECOPT option, VARIANT* in,
                                        VARIANT* out) noexcept {
  TNavigateCall call{TDoubleCall::ExecWB, {}, {}};
  call.Arguments.emplace_back(TVariant(static_cast<int>(cmd)).Get());
  call.Arguments.emplace_back(TVariant(static_cast<int>(option)).Get());
  call.Arguments.push_back(in ? TRecordedVariant(*in) : TRecordedVariant());
  Navigations.push_back(call);
  if (out) {
    VariantClear(out);
    if (AnswerExecWB) {
      AnswerExecWB(cmd, *out);
    } else {
      // Something the caller has to free.
      V_VT(out) = VT_BSTR;
      V_BSTR(out) = SysAllocString(L"out");
    }
  }
  return Record(TDoubleCall::ExecWB, S_OK);
}

STDMETHODIMP TTestDoubleControl::get_Application(IDispatch** value) noexcept {
  if (!value) return E_POINTER;
  *value = static_cast<IWebBrowser2*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP TTestDoubleControl::get_Document(IDispatch** value) noexcept {
  if (!value) return E_POINTER;
  *value = nullptr;
  auto found = FProperties.find(203);
  if (found != FProperties.end() && found->second.Type() == VT_DISPATCH &&
      V_DISPATCH(&found->second.Get())) {
    *value = V_DISPATCH(&found->second.Get());
    (*value)->AddRef();
  }
  return S_OK;
}

STDMETHODIMP TTestDoubleControl::get_Busy(VARIANT_BOOL* value) noexcept {
  if (!value) return E_POINTER;
  auto found = FProperties.find(212);
  *value = found != FProperties.end() && found->second.Type() == VT_BOOL
               ? V_BOOL(&found->second.Get())
               : VARIANT_FALSE;
  return S_OK;
}

STDMETHODIMP TTestDoubleControl::put_RegisterAsDropTarget(VARIANT_BOOL value) noexcept {
  SetBoolProperty(553, value != VARIANT_FALSE);
  return Record(TDoubleCall::PutRegisterAsDropTarget, S_OK);
}

// --- IOleObject
// ---------------------------------------------------------------------------------------

STDMETHODIMP TTestDoubleControl::SetClientSite(IOleClientSite* site) noexcept {
  // The site is kept first, so that a test acting inside this call can ask it
  // questions, as a control does as soon as it has a site.
  ComPtr<IOleClientSite> previous = std::exchange(FSite, site);
  HRESULT hr = Record(site ? TDoubleCall::SetClientSite : TDoubleCall::SetClientSiteNull, S_OK);
  if (FAILED(hr)) {
    FSite = previous;
    return hr;
  }
  if (!site) FInPlaceSite.Reset();
  return S_OK;
}

STDMETHODIMP TTestDoubleControl::GetClientSite(IOleClientSite** site) noexcept {
  if (!site) return E_POINTER;
  *site = FSite.Get();
  if (*site) (*site)->AddRef();
  return Record(TDoubleCall::GetClientSite, S_OK);
}

STDMETHODIMP TTestDoubleControl::Close(DWORD option) noexcept {
  HRESULT hr =
      Record(option == OLECLOSE_NOSAVE ? TDoubleCall::CloseNoSave : TDoubleCall::Close, S_OK);
  if (FInPlaceActive && CloseDeactivates) InPlaceDeactivate();
  return hr;
}

HRESULT TTestDoubleControl::ActivateInPlaceNow(IOleClientSite* site, HWND parent,
                                               LPCRECT position) {
  if (FInPlaceActive) return S_OK;
  if (!site) return E_INVALIDARG;
  if (FAILED(site->QueryInterface(IID_PPV_ARGS(&FInPlaceSite)))) return E_NOINTERFACE;
  if (FInPlaceSite->CanInPlaceActivate() != S_OK) return E_FAIL;
  if (!ActivateInPlace) return S_OK;  // a control that never reports activation
  FInPlaceSite->OnInPlaceActivate();
  FInPlaceActive = true;
  HWND siteWindow = nullptr;
  FInPlaceSite->GetWindow(&siteWindow);
  RECT pos{}, clip{};
  OLEINPLACEFRAMEINFO info{};
  info.cb = sizeof info;
  FFrame.Reset();
  FDocumentWindow.Reset();
  FInPlaceSite->GetWindowContext(&FFrame, &FDocumentWindow, &pos, &clip, &info);
  ContextPosition = pos;
  ContextClip = clip;
  ContextFrameInfo = info;
  ContextHadDocumentWindow = FDocumentWindow != nullptr;
  if (position) pos = *position;
  if (!FWindow) {
    RegisterWindowClass();
    HWND owner = parent ? parent : siteWindow;
    FWindow = CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                              pos.left, pos.top, pos.right - pos.left, pos.bottom - pos.top, owner,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  site->ShowObject();
  return S_OK;
}

STDMETHODIMP TTestDoubleControl::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                                        LPCRECT position) noexcept {
  DoVerbs.push_back({verb, site, parent, position ? *position : RECT{}});
  HRESULT hr = Record(DoVerbCall(verb), S_OK);
  if (FAILED(hr)) return hr;
  switch (verb) {
    case OLEIVERB_INPLACEACTIVATE:
    case OLEIVERB_SHOW:
      return ActivateInPlaceNow(site, parent, position);
    case OLEIVERB_UIACTIVATE:
      hr = ActivateInPlaceNow(site, parent, position);
      if (SUCCEEDED(hr) && FInPlaceActive && !FUIActive) {
        FUIActive = true;
        FInPlaceSite->OnUIActivate();
        if (FFrame) FFrame->SetActiveObject(this, nullptr);
      }
      if (SUCCEEDED(hr) && FUIActive && FocusPageOnUIActivate && FWindow) {
        if (!FPageWindow) {
          RECT client;
          GetClientRect(FWindow, &client);
          FPageWindow =
              CreateWindowExW(0, kPageWindowClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, client.right,
                              client.bottom, FWindow, nullptr, GetModuleHandleW(nullptr), nullptr);
        }
        SetFocus(FPageWindow);
      }
      return hr;
    default:
      return S_OK;
  }
}

STDMETHODIMP TTestDoubleControl::GetUserClassID(CLSID* id) noexcept {
  if (!id) return E_POINTER;
  *id = CLSID_WebBrowser;
  return S_OK;
}

STDMETHODIMP TTestDoubleControl::SetExtent(DWORD, SIZEL* size) noexcept {
  if (!size) return E_POINTER;
  HRESULT hr = Record(TDoubleCall::SetExtent, S_OK);
  if (SUCCEEDED(hr)) Extent = *size;
  return hr;
}

STDMETHODIMP TTestDoubleControl::GetExtent(DWORD, SIZEL* size) noexcept {
  if (!size) return E_POINTER;
  HRESULT hr = Record(TDoubleCall::GetExtent, S_OK);
  if (SUCCEEDED(hr)) *size = Extent;
  return hr;
}

STDMETHODIMP TTestDoubleControl::GetMiscStatus(DWORD, DWORD* status) noexcept {
  if (!status) return E_POINTER;
  *status = MiscStatus;
  return Record(TDoubleCall::GetMiscStatus, S_OK);
}

// --- in place
// -----------------------------------------------------------------------------------------------

STDMETHODIMP TTestDoubleControl::GetWindow(HWND* window) noexcept {
  if (!window) return E_POINTER;
  *window = ProvideWindow ? FWindow : nullptr;
  return *window ? S_OK : E_FAIL;
}

void TTestDoubleControl::DestroyOwnWindow() noexcept {
  if (FWindow && IsWindow(FWindow)) {
    SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
    DestroyWindow(FWindow);  // the page window with it
  }
  FWindow = nullptr;
  FPageWindow = nullptr;
}

STDMETHODIMP TTestDoubleControl::InPlaceDeactivate() noexcept {
  FCalls.push_back(TDoubleCall::InPlaceDeactivate);
  if (!FInPlaceActive) return S_OK;
  if (FUIActive) UIDeactivate();
  FInPlaceActive = false;
  DestroyOwnWindow();
  FFrame.Reset();
  FDocumentWindow.Reset();
  if (ComPtr<IOleInPlaceSite> site = FInPlaceSite) site->OnInPlaceDeactivate();
  return S_OK;
}

STDMETHODIMP TTestDoubleControl::UIDeactivate() noexcept {
  FCalls.push_back(TDoubleCall::UIDeactivate);
  if (!FUIActive) return S_OK;
  FUIActive = false;
  if (FFrame) FFrame->SetActiveObject(nullptr, nullptr);
  if (FInPlaceSite) FInPlaceSite->OnUIDeactivate(FALSE);
  return S_OK;
}

STDMETHODIMP TTestDoubleControl::SetObjectRects(LPCRECT position, LPCRECT) noexcept {
  FCalls.push_back(TDoubleCall::SetObjectRects);
  if (position && FWindow)
    MoveWindow(FWindow, position->left, position->top, position->right - position->left,
               position->bottom - position->top, TRUE);
  return S_OK;
}

STDMETHODIMP TTestDoubleControl::TranslateAccelerator(LPMSG msg) noexcept {
  if (msg) Accelerated.push_back(*msg);
  return Record(TDoubleCall::TranslateAccelerator, AcceleratorResult);
}

// --- IOleControl
// -------------------------------------------------------------------------------------------------

STDMETHODIMP TTestDoubleControl::GetControlInfo(CONTROLINFO* info) noexcept {
  if (!info) return E_POINTER;
  info->hAccel = Accelerators;
  info->cAccel = AcceleratorCount;
  info->dwFlags = 0;
  return Record(TDoubleCall::GetControlInfo, S_OK);
}

STDMETHODIMP TTestDoubleControl::OnMnemonic(MSG* msg) noexcept {
  if (msg) Accelerated.push_back(*msg);
  return Record(TDoubleCall::OnMnemonic, S_OK);
}

STDMETHODIMP TTestDoubleControl::OnAmbientPropertyChange(DISPID id) noexcept {
  AmbientChanges.push_back(id);
  return Record(TDoubleCall::OnAmbientPropertyChange, S_OK);
}

// --- IPersistStreamInit
// -------------------------------------------------------------------------------------------

STDMETHODIMP TTestDoubleControl::Load(IStream* stream) noexcept {
  HRESULT hr = Record(TDoubleCall::Load, S_OK);
  if (FAILED(hr)) return hr;
  if (!stream) return E_POINTER;
  LoadedBytes.clear();
  BYTE buffer[256];
  ULONG read = 0;
  while (SUCCEEDED(stream->Read(buffer, sizeof buffer, &read)) && read > 0)
    LoadedBytes.insert(LoadedBytes.end(), buffer, buffer + read);
  FInitialised = true;
  return S_OK;
}

STDMETHODIMP TTestDoubleControl::Save(IStream* stream, BOOL) noexcept {
  HRESULT hr = Record(TDoubleCall::Save, S_OK);
  if (FAILED(hr)) return hr;
  if (!stream) return E_POINTER;
  ULONG written = 0;
  return stream->Write(SaveBytes.data(), static_cast<ULONG>(SaveBytes.size()), &written);
}

STDMETHODIMP TTestDoubleControl::InitNew() noexcept {
  HRESULT hr = Record(TDoubleCall::InitNew, S_OK);
  if (SUCCEEDED(hr)) FInitialised = true;
  return hr;
}

// --- IConnectionPointContainer
// ---------------------------------------------------------------------------------

STDMETHODIMP TTestDoubleControl::FindConnectionPoint(REFIID iid,
                                                     IConnectionPoint** point) noexcept {
  if (!point) return E_POINTER;
  *point = nullptr;
  HRESULT hr = Record(TDoubleCall::FindConnectionPoint, S_OK);
  if (FAILED(hr)) return hr;
  if (iid == DIID_DWebBrowserEvents2) {
    *point = &FEvents;
  } else if (iid == IID_IPropertyNotifySink) {
    *point = &FPropertyNotify;
  } else {
    return CONNECT_E_NOCONNECTION;
  }
  (*point)->AddRef();
  return S_OK;
}

// --- TTestDoubleRegistration
// -------------------------------------------------------------------------------------

TTestDoubleRegistration::TTestDoubleRegistration() {
  CoRegisterClassObject(CLSID_WebBrowser, static_cast<IClassFactory*>(this), CLSCTX_INPROC_SERVER,
                        REGCLS_MULTIPLEUSE, &FCookie);
}

TTestDoubleRegistration::~TTestDoubleRegistration() {
  if (FCookie) CoRevokeClassObject(FCookie);
}

TTestDoubleControl& TTestDoubleRegistration::Prepare() {
  FControls.push_back(std::make_unique<TTestDoubleControl>());
  return *FControls.back();
}

TTestDoubleControl& TTestDoubleRegistration::Last() {
  return *FControls.at(FCreated - 1);
}

STDMETHODIMP TTestDoubleRegistration::QueryInterface(REFIID iid, void** object) noexcept {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
  *object = static_cast<IClassFactory*>(this);
  AddRef();
  return S_OK;
}

STDMETHODIMP TTestDoubleRegistration::CreateInstance(IUnknown* outer, REFIID iid,
                                                     void** object) noexcept {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  if (FAILED(CreateError)) return CreateError;
  try {
    if (FCreated == FControls.size()) Prepare();
    TTestDoubleControl& control = *FControls[FCreated++];
    return control.QueryInterface(iid, object);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

}  // namespace kvx::test
