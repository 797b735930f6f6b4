#pragma once
// A stand-in for the platform's WebBrowser control, registered for
// CLSID_WebBrowser inside the test process. The test scripts it (which
// interfaces it offers, which calls fail, which events it fires with which
// arguments) and reads back every call it received and how many references
// to it are still held.

#include "toolkit/Win.h"

#include <exdisp.h>
#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvx::test {

class TTestDoubleControl;

// The name under which the double records a call it received (Calls,
// CountOf, IndexOf, OnCall, FailCall, a navigation's Method). Only the names
// below exist, so a test that looks for a misspelt one does not compile
// instead of finding it never called.
class TDoubleCall {
 public:
  constexpr std::string_view Name() const noexcept { return FName; }
  friend constexpr bool operator==(TDoubleCall, TDoubleCall) noexcept = default;
  friend std::ostream& operator<<(std::ostream& out, TDoubleCall call) { return out << call.FName; }

  // IDispatch
  static const TDoubleCall Invoke;
  // IWebBrowser2
  static const TDoubleCall GoBack, GoForward, GoHome, GoSearch, Navigate, Refresh, Refresh2, Stop,
      Quit, Navigate2, ExecWB, PutRegisterAsDropTarget;
  // IOleObject: SetClientSite with a site and with null, Close with and
  // without OLECLOSE_NOSAVE, DoVerb by its verb.
  static const TDoubleCall SetClientSite, SetClientSiteNull, GetClientSite, SetHostNames, Close,
      CloseNoSave, SetExtent, GetExtent, GetMiscStatus;
  static const TDoubleCall DoVerbPrimary, DoVerbShow, DoVerbOpen, DoVerbHide, DoVerbUIActivate,
      DoVerbInPlaceActivate, DoVerbDiscardUndoState, DoVerbProperties, DoVerbOther;
  // IOleInPlaceObject, IOleInPlaceActiveObject
  static const TDoubleCall InPlaceDeactivate, UIDeactivate, SetObjectRects, TranslateAccelerator,
      OnDocWindowActivate;
  // IOleControl
  static const TDoubleCall GetControlInfo, OnMnemonic, OnAmbientPropertyChange;
  // IPersistStreamInit
  static const TDoubleCall Load, Save, InitNew;
  // IConnectionPointContainer, and IConnectionPoint for the events
  // (DWebBrowserEvents2) and for IPropertyNotifySink
  static const TDoubleCall FindConnectionPoint, AdviseEvents, AdvisePropertyNotify, UnadviseEvents,
      UnadvisePropertyNotify;

 private:
  explicit constexpr TDoubleCall(std::string_view name) noexcept : FName(name) {}
  std::string_view FName;
};

inline constexpr TDoubleCall TDoubleCall::Invoke{"IDispatch::Invoke"};
inline constexpr TDoubleCall TDoubleCall::GoBack{"IWebBrowser2::GoBack"};
inline constexpr TDoubleCall TDoubleCall::GoForward{"IWebBrowser2::GoForward"};
inline constexpr TDoubleCall TDoubleCall::GoHome{"IWebBrowser2::GoHome"};
inline constexpr TDoubleCall TDoubleCall::GoSearch{"IWebBrowser2::GoSearch"};
inline constexpr TDoubleCall TDoubleCall::Navigate{"IWebBrowser2::Navigate"};
inline constexpr TDoubleCall TDoubleCall::Refresh{"IWebBrowser2::Refresh"};
inline constexpr TDoubleCall TDoubleCall::Refresh2{"IWebBrowser2::Refresh2"};
inline constexpr TDoubleCall TDoubleCall::Stop{"IWebBrowser2::Stop"};
inline constexpr TDoubleCall TDoubleCall::Quit{"IWebBrowser2::Quit"};
inline constexpr TDoubleCall TDoubleCall::Navigate2{"IWebBrowser2::Navigate2"};
inline constexpr TDoubleCall TDoubleCall::ExecWB{"IWebBrowser2::ExecWB"};
inline constexpr TDoubleCall TDoubleCall::PutRegisterAsDropTarget{
    "IWebBrowser2::put_RegisterAsDropTarget"};
inline constexpr TDoubleCall TDoubleCall::SetClientSite{"IOleObject::SetClientSite"};
inline constexpr TDoubleCall TDoubleCall::SetClientSiteNull{"IOleObject::SetClientSite(null)"};
inline constexpr TDoubleCall TDoubleCall::GetClientSite{"IOleObject::GetClientSite"};
inline constexpr TDoubleCall TDoubleCall::SetHostNames{"IOleObject::SetHostNames"};
inline constexpr TDoubleCall TDoubleCall::Close{"IOleObject::Close"};
inline constexpr TDoubleCall TDoubleCall::CloseNoSave{"IOleObject::Close(NOSAVE)"};
inline constexpr TDoubleCall TDoubleCall::SetExtent{"IOleObject::SetExtent"};
inline constexpr TDoubleCall TDoubleCall::GetExtent{"IOleObject::GetExtent"};
inline constexpr TDoubleCall TDoubleCall::GetMiscStatus{"IOleObject::GetMiscStatus"};
inline constexpr TDoubleCall TDoubleCall::DoVerbPrimary{"IOleObject::DoVerb(PRIMARY)"};
inline constexpr TDoubleCall TDoubleCall::DoVerbShow{"IOleObject::DoVerb(SHOW)"};
inline constexpr TDoubleCall TDoubleCall::DoVerbOpen{"IOleObject::DoVerb(OPEN)"};
inline constexpr TDoubleCall TDoubleCall::DoVerbHide{"IOleObject::DoVerb(HIDE)"};
inline constexpr TDoubleCall TDoubleCall::DoVerbUIActivate{"IOleObject::DoVerb(UIACTIVATE)"};
inline constexpr TDoubleCall TDoubleCall::DoVerbInPlaceActivate{
    "IOleObject::DoVerb(INPLACEACTIVATE)"};
inline constexpr TDoubleCall TDoubleCall::DoVerbDiscardUndoState{
    "IOleObject::DoVerb(DISCARDUNDOSTATE)"};
inline constexpr TDoubleCall TDoubleCall::DoVerbProperties{"IOleObject::DoVerb(PROPERTIES)"};
inline constexpr TDoubleCall TDoubleCall::DoVerbOther{"IOleObject::DoVerb(another verb)"};
inline constexpr TDoubleCall TDoubleCall::InPlaceDeactivate{"IOleInPlaceObject::InPlaceDeactivate"};
inline constexpr TDoubleCall TDoubleCall::UIDeactivate{"IOleInPlaceObject::UIDeactivate"};
inline constexpr TDoubleCall TDoubleCall::SetObjectRects{"IOleInPlaceObject::SetObjectRects"};
inline constexpr TDoubleCall TDoubleCall::TranslateAccelerator{
    "IOleInPlaceActiveObject::TranslateAccelerator"};
inline constexpr TDoubleCall TDoubleCall::OnDocWindowActivate{
    "IOleInPlaceActiveObject::OnDocWindowActivate"};
inline constexpr TDoubleCall TDoubleCall::GetControlInfo{"IOleControl::GetControlInfo"};
inline constexpr TDoubleCall TDoubleCall::OnMnemonic{"IOleControl::OnMnemonic"};
inline constexpr TDoubleCall TDoubleCall::OnAmbientPropertyChange{
    "IOleControl::OnAmbientPropertyChange"};
inline constexpr TDoubleCall TDoubleCall::Load{"IPersistStreamInit::Load"};
inline constexpr TDoubleCall TDoubleCall::Save{"IPersistStreamInit::Save"};
inline constexpr TDoubleCall TDoubleCall::InitNew{"IPersistStreamInit::InitNew"};
inline constexpr TDoubleCall TDoubleCall::FindConnectionPoint{
    "IConnectionPointContainer::FindConnectionPoint"};
inline constexpr TDoubleCall TDoubleCall::AdviseEvents{"IConnectionPoint::Advise(Events)"};
inline constexpr TDoubleCall TDoubleCall::AdvisePropertyNotify{
    "IConnectionPoint::Advise(IPropertyNotifySink)"};
inline constexpr TDoubleCall TDoubleCall::UnadviseEvents{"IConnectionPoint::Unadvise(Events)"};
inline constexpr TDoubleCall TDoubleCall::UnadvisePropertyNotify{
    "IConnectionPoint::Unadvise(IPropertyNotifySink)"};

// A VARIANT copy that owns its contents (for recording).
class TRecordedVariant {
 public:
  TRecordedVariant() noexcept { VariantInit(&FValue); }
  explicit TRecordedVariant(const VARIANT& value) {
    VariantInit(&FValue);
    if (V_VT(&value) == VT_BSTR && !V_BSTR(&value)) {
      V_VT(&FValue) = VT_BSTR;  // keep a null string null
      V_BSTR(&FValue) = nullptr;
    } else {
      VariantCopy(&FValue, const_cast<VARIANT*>(&value));
    }
  }
  TRecordedVariant(const TRecordedVariant& other) : TRecordedVariant(other.FValue) {}
  TRecordedVariant& operator=(const TRecordedVariant& other) {
    if (this != &other) {
      TRecordedVariant copy(other);
      std::swap(FValue, copy.FValue);
    }
    return *this;
  }
  ~TRecordedVariant() { VariantClear(&FValue); }
  const VARIANT& Get() const noexcept { return FValue; }
  VARTYPE Type() const noexcept { return V_VT(&FValue); }
  std::wstring Text() const {
    return V_VT(&FValue) == VT_BSTR && V_BSTR(&FValue) ? V_BSTR(&FValue) : L"";
  }

 private:
  VARIANT FValue;
};

// One connection point of the double; its references count on the double.
class TTestConnectionPoint final : public IConnectionPoint {
 public:
  TTestConnectionPoint(TTestDoubleControl& owner, REFIID iid) : FOwner(owner), FIid(iid) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** object) noexcept override;
  STDMETHODIMP_(ULONG) AddRef() noexcept override;
  STDMETHODIMP_(ULONG) Release() noexcept override;
  STDMETHODIMP GetConnectionInterface(IID* iid) noexcept override;
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) noexcept override;
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) noexcept override;
  STDMETHODIMP Unadvise(DWORD cookie) noexcept override;
  STDMETHODIMP EnumConnections(IEnumConnections** connections) noexcept override;

  const IID& Iid() const noexcept { return FIid; }
  // Advised sinks by cookie.
  std::map<DWORD, Microsoft::WRL::ComPtr<IUnknown>> Sinks;

 private:
  TTestDoubleControl& FOwner;
  IID FIid;
  DWORD FNextCookie = 1;
};

struct TDoVerbCall {
  LONG Verb;
  IOleClientSite* Site;
  HWND Parent;
  RECT Position;
};

struct TPropertyPut {
  DISPID Id;
  WORD Flags;
  TRecordedVariant Value;
};

struct TNavigateCall {
  TDoubleCall Method;  // Navigate, Navigate2 or ExecWB
  TRecordedVariant Url;
  std::vector<TRecordedVariant>
      Arguments;  // Flags, TargetFrameName, PostData, Headers (ExecWB: cmd, option, in)
};

// The double's object is owned by the test (through its registration), not
// by COM references: Release never frees it, so the count can be read after
// the host is gone.
class TTestDoubleControl final : public IWebBrowser2,
                                 public IOleObject,
                                 public IOleInPlaceObject,
                                 public IOleInPlaceActiveObject,
                                 public IOleControl,
                                 public IPersistStreamInit,
                                 public IConnectionPointContainer {
 public:
  TTestDoubleControl();
  ~TTestDoubleControl();
  TTestDoubleControl(const TTestDoubleControl&) = delete;
  TTestDoubleControl& operator=(const TTestDoubleControl&) = delete;

  // --- script ---
  // Interfaces QueryInterface refuses.
  void Refuse(REFIID iid) { FRefused.insert(iid); }
  // QueryInterface refuses `iid` the next `times` times only.
  void RefuseNext(REFIID iid, int times = 1) { FRefuseCounts.emplace_back(iid, times); }
  // The next `times` calls of `method` answer `result`.
  void FailCall(TDoubleCall method, HRESULT result, int times = 1);
  // Property reads/writes of `id` fail: with a description as DISP_E_EXCEPTION, else with `result`.
  void FailProperty(DISPID id, HRESULT result, const std::wstring& description = L"");
  void SetProperty(DISPID id, const VARIANT& value);
  void SetBoolProperty(DISPID id, bool value);
  DWORD MiscStatus = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT |
                     OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE;
  SIZEL Extent{2540 * 2, 2540};                // HIMETRIC
  std::vector<BYTE> SaveBytes{'d', 'b', 'l'};  // what Save writes
  bool ActivateInPlace = true;                 // DoVerb reports OnInPlaceActivate
  bool ProvideWindow = true;                   // IOleInPlaceObject::GetWindow succeeds
  bool CloseDeactivates = true;         // IOleObject::Close leaves in-place activation itself
  HRESULT AcceleratorResult = S_FALSE;  // IOleInPlaceActiveObject::TranslateAccelerator
  HACCEL Accelerators = nullptr;        // GetControlInfo
  // As the platform control does: UI activation gives the keyboard focus to
  // a page window, a child of the control's own window.
  bool FocusPageOnUIActivate = false;
  USHORT AcceleratorCount = 0;
  // Runs inside each recorded call when the test needs to act there; it may
  // clear or replace itself.
  std::function<void(TDoubleCall method)> OnCall;
  // What ExecWB writes into its out-value; without it, a text the caller has to free.
  std::function<void(OLECMDID command, VARIANT& out)> AnswerExecWB;

  // --- acting as the control ---
  // Fires an event on every advised event sink; `arguments` in declaration
  // order (shallow copies: the caller keeps what they point to).
  HRESULT FireEvent(DISPID id, std::vector<VARIANT> arguments);
  void NotifyChanged(DISPID id);
  // The client site as another of its interfaces (IDocHostUIHandler,
  // IServiceProvider, ...), empty when the site does not offer it.
  template <typename T>
  Microsoft::WRL::ComPtr<T> SiteAs() const {
    Microsoft::WRL::ComPtr<T> result;
    if (FSite) FSite.As(&result);
    return result;
  }
  // Reads an ambient property through the client site's IDispatch.
  HRESULT AmbientProperty(DISPID id, VARIANT* result, WORD flags = DISPATCH_PROPERTYGET);
  // Asks the site for credentials as the control does before a login: the
  // authentication service (IAuthenticate) through the site's service
  // provider under `service`, then Authenticate. The texts it is handed are
  // copied and freed here, as the control frees them.
  struct TCredentials {
    HRESULT Result = E_FAIL;
    HWND Window = nullptr;
    bool UserNameGiven = false, PasswordGiven = false;
    std::wstring UserName, Password;
  };
  TCredentials Authenticate(REFGUID service);

  // --- record ---
  const std::vector<TDoubleCall>& Calls() const noexcept { return FCalls; }
  size_t CountOf(TDoubleCall method) const;
  // Position of the first call of `method` in Calls(), or -1.
  int IndexOf(TDoubleCall method) const;
  std::vector<TDoVerbCall> DoVerbs;
  std::vector<TPropertyPut> Puts;
  std::vector<TNavigateCall> Navigations;
  std::vector<DISPID> AmbientChanges;
  std::vector<MSG> Accelerated;
  std::vector<BYTE> LoadedBytes;
  // What the site answered to GetWindowContext at the last activation.
  RECT ContextPosition{}, ContextClip{};
  OLEINPLACEFRAMEINFO ContextFrameInfo{};
  bool ContextHadDocumentWindow = false;
  // Message numbers the control's own window procedure received.
  std::vector<UINT> WindowMessages;
  Microsoft::WRL::ComPtr<IOleClientSite> Site() const { return FSite; }
  HWND Window() const noexcept { return FWindow; }
  HWND PageWindow() const noexcept { return FPageWindow; }
  bool InPlaceActive() const noexcept { return FInPlaceActive; }
  bool UIActive() const noexcept { return FUIActive; }
  size_t AdvisedEventSinks() const { return FEvents.Sinks.size(); }
  size_t AdvisedPropertySinks() const { return FPropertyNotify.Sinks.size(); }
  // References handed out and not yet released.
  long OutstandingReferences() const noexcept { return FRefs; }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** object) noexcept override;
  STDMETHODIMP_(ULONG) AddRef() noexcept override;
  STDMETHODIMP_(ULONG) Release() noexcept override;
  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override;
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) noexcept override;
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argError) noexcept override;
  // IWebBrowser
  STDMETHODIMP GoBack() noexcept override { return Record(TDoubleCall::GoBack, E_NOTIMPL); }
  STDMETHODIMP GoForward() noexcept override { return Record(TDoubleCall::GoForward, E_NOTIMPL); }
  STDMETHODIMP GoHome() noexcept override { return Record(TDoubleCall::GoHome, E_NOTIMPL); }
  STDMETHODIMP GoSearch() noexcept override { return Record(TDoubleCall::GoSearch, E_NOTIMPL); }
  STDMETHODIMP Navigate(BSTR url, VARIANT* flags, VARIANT* target, VARIANT* postData,
                        VARIANT* headers) noexcept override;
  STDMETHODIMP Refresh() noexcept override { return Record(TDoubleCall::Refresh, E_NOTIMPL); }
  STDMETHODIMP Refresh2(VARIANT*) noexcept override {
    return Record(TDoubleCall::Refresh2, E_NOTIMPL);
  }
  STDMETHODIMP Stop() noexcept override { return Record(TDoubleCall::Stop, E_NOTIMPL); }
  STDMETHODIMP get_Application(IDispatch** value) noexcept override;
  STDMETHODIMP get_Parent(IDispatch** value) noexcept override { return NotImpl(value); }
  STDMETHODIMP get_Container(IDispatch** value) noexcept override { return NotImpl(value); }
  STDMETHODIMP get_Document(IDispatch** value) noexcept override;
  STDMETHODIMP get_TopLevelContainer(VARIANT_BOOL*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_Type(BSTR* value) noexcept override { return NotImpl(value); }
  STDMETHODIMP get_Left(LONG*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_Left(LONG) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_Top(LONG*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_Top(LONG) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_Width(LONG*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_Width(LONG) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_Height(LONG*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_Height(LONG) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_LocationName(BSTR* value) noexcept override { return NotImpl(value); }
  STDMETHODIMP get_LocationURL(BSTR* value) noexcept override { return NotImpl(value); }
  STDMETHODIMP get_Busy(VARIANT_BOOL* value) noexcept override;
  // IWebBrowserApp
  STDMETHODIMP Quit() noexcept override { return Record(TDoubleCall::Quit, E_NOTIMPL); }
  STDMETHODIMP ClientToWindow(int*, int*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP PutProperty(BSTR, VARIANT) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetProperty(BSTR, VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_Name(BSTR* value) noexcept override { return NotImpl(value); }
  STDMETHODIMP get_HWND(SHANDLE_PTR*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_FullName(BSTR* value) noexcept override { return NotImpl(value); }
  STDMETHODIMP get_Path(BSTR* value) noexcept override { return NotImpl(value); }
  STDMETHODIMP get_Visible(VARIANT_BOOL*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_Visible(VARIANT_BOOL) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_StatusBar(VARIANT_BOOL*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_StatusBar(VARIANT_BOOL) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_StatusText(BSTR* value) noexcept override { return NotImpl(value); }
  STDMETHODIMP put_StatusText(BSTR) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_ToolBar(int*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_ToolBar(int) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_MenuBar(VARIANT_BOOL*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_MenuBar(VARIANT_BOOL) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_FullScreen(VARIANT_BOOL*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_FullScreen(VARIANT_BOOL) noexcept override { return E_NOTIMPL; }
  // IWebBrowser2
  STDMETHODIMP Navigate2(VARIANT* url, VARIANT* flags, VARIANT* target, VARIANT* postData,
                         VARIANT* headers) noexcept override;
  STDMETHODIMP QueryStatusWB(OLECMDID, OLECMDF*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP ExecWB(OLECMDID cmd, OLECMDEXECOPT option, VARIANT* in,
                      VARIANT* out) noexcept override;
  STDMETHODIMP ShowBrowserBar(VARIANT*, VARIANT*, VARIANT*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_ReadyState(READYSTATE*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_Offline(VARIANT_BOOL*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_Offline(VARIANT_BOOL) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_Silent(VARIANT_BOOL*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_Silent(VARIANT_BOOL) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_RegisterAsBrowser(VARIANT_BOOL*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_RegisterAsBrowser(VARIANT_BOOL) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_RegisterAsDropTarget(VARIANT_BOOL*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_RegisterAsDropTarget(VARIANT_BOOL value) noexcept override;
  STDMETHODIMP get_TheaterMode(VARIANT_BOOL*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_TheaterMode(VARIANT_BOOL) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_AddressBar(VARIANT_BOOL*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_AddressBar(VARIANT_BOOL) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP get_Resizable(VARIANT_BOOL*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP put_Resizable(VARIANT_BOOL) noexcept override { return E_NOTIMPL; }
  // IOleObject
  STDMETHODIMP SetClientSite(IOleClientSite* site) noexcept override;
  STDMETHODIMP GetClientSite(IOleClientSite** site) noexcept override;
  STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) noexcept override {
    return Record(TDoubleCall::SetHostNames, S_OK);
  }
  STDMETHODIMP Close(DWORD option) noexcept override;
  STDMETHODIMP SetMoniker(DWORD, IMoniker*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) noexcept override {
    return NotImpl(moniker);
  }
  STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP GetClipboardData(DWORD, IDataObject** data) noexcept override {
    return NotImpl(data);
  }
  STDMETHODIMP DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index, HWND parent,
                      LPCRECT position) noexcept override;
  STDMETHODIMP EnumVerbs(IEnumOLEVERB** verbs) noexcept override { return NotImpl(verbs); }
  STDMETHODIMP Update() noexcept override { return S_OK; }
  STDMETHODIMP IsUpToDate() noexcept override { return S_OK; }
  STDMETHODIMP GetUserClassID(CLSID* id) noexcept override;
  STDMETHODIMP GetUserType(DWORD, LPOLESTR* type) noexcept override { return NotImpl(type); }
  STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) noexcept override;
  STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) noexcept override;
  STDMETHODIMP Advise(IAdviseSink*, DWORD*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP Unadvise(DWORD) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP EnumAdvise(IEnumSTATDATA** advise) noexcept override { return NotImpl(advise); }
  STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) noexcept override;
  STDMETHODIMP SetColorScheme(LOGPALETTE*) noexcept override { return E_NOTIMPL; }
  // IOleWindow / IOleInPlaceObject / IOleInPlaceActiveObject
  STDMETHODIMP GetWindow(HWND* window) noexcept override;
  STDMETHODIMP ContextSensitiveHelp(BOOL) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP InPlaceDeactivate() noexcept override;
  STDMETHODIMP UIDeactivate() noexcept override;
  STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT clip) noexcept override;
  STDMETHODIMP ReactivateAndUndo() noexcept override { return E_NOTIMPL; }
  STDMETHODIMP TranslateAccelerator(LPMSG msg) noexcept override;
  STDMETHODIMP OnFrameWindowActivate(BOOL) noexcept override { return S_OK; }
  STDMETHODIMP OnDocWindowActivate(BOOL) noexcept override {
    return Record(TDoubleCall::OnDocWindowActivate, S_OK);
  }
  STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) noexcept override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) noexcept override { return S_OK; }
  // IOleControl
  STDMETHODIMP GetControlInfo(CONTROLINFO* info) noexcept override;
  STDMETHODIMP OnMnemonic(MSG* msg) noexcept override;
  STDMETHODIMP OnAmbientPropertyChange(DISPID id) noexcept override;
  STDMETHODIMP FreezeEvents(BOOL) noexcept override { return S_OK; }
  // IPersistStreamInit
  STDMETHODIMP GetClassID(CLSID* id) noexcept override { return GetUserClassID(id); }
  STDMETHODIMP IsDirty() noexcept override { return S_FALSE; }
  STDMETHODIMP Load(IStream* stream) noexcept override;
  STDMETHODIMP Save(IStream* stream, BOOL clearDirty) noexcept override;
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) noexcept override { return E_NOTIMPL; }
  STDMETHODIMP InitNew() noexcept override;
  // IConnectionPointContainer
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) noexcept override {
    return NotImpl(points);
  }
  STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) noexcept override;

 private:
  friend class TTestConnectionPoint;
  // Records the call; answers a scripted failure when one is due, else `result`.
  HRESULT Record(TDoubleCall method, HRESULT result);
  void RunOnCall(TDoubleCall method);
  template <typename T>
  static HRESULT NotImpl(T** out) noexcept {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  HRESULT ActivateInPlaceNow(IOleClientSite* site, HWND parent, LPCRECT position);
  void DestroyOwnWindow() noexcept;

  long FRefs = 0;
  std::set<GUID, bool (*)(const GUID&, const GUID&)> FRefused;
  std::map<std::string_view, std::deque<HRESULT>> FFailures;
  std::vector<std::pair<IID, int>> FRefuseCounts;
  struct TPropertyFailure {
    HRESULT Result;
    std::wstring Description;
  };
  std::map<DISPID, TPropertyFailure> FPropertyFailures;
  std::map<DISPID, TRecordedVariant> FProperties;
  std::vector<TDoubleCall> FCalls;
  Microsoft::WRL::ComPtr<IOleClientSite> FSite;
  Microsoft::WRL::ComPtr<IOleInPlaceSite> FInPlaceSite;
  Microsoft::WRL::ComPtr<IOleInPlaceFrame> FFrame;
  Microsoft::WRL::ComPtr<IOleInPlaceUIWindow> FDocumentWindow;
  TTestConnectionPoint FEvents;
  TTestConnectionPoint FPropertyNotify;
  HWND FWindow = nullptr;
  HWND FPageWindow = nullptr;
  bool FInPlaceActive = false;
  bool FUIActive = false;
  bool FInitialised = false;
};

// Registers the double's class object for CLSID_WebBrowser in this process
// for the registration's lifetime. Each creation hands out the next prepared
// control (Prepare), or a fresh one with the default script.
class TTestDoubleRegistration final : public IClassFactory {
 public:
  TTestDoubleRegistration();
  ~TTestDoubleRegistration();
  TTestDoubleRegistration(const TTestDoubleRegistration&) = delete;
  TTestDoubleRegistration& operator=(const TTestDoubleRegistration&) = delete;

  // A control to script before the host creates it.
  TTestDoubleControl& Prepare();
  // The controls created so far, in order.
  TTestDoubleControl& Last();
  size_t Created() const noexcept { return FCreated; }
  // Creation answers this error instead (e.g. REGDB_E_CLASSNOTREG).
  HRESULT CreateError = S_OK;

  STDMETHODIMP QueryInterface(REFIID iid, void** object) noexcept override;
  STDMETHODIMP_(ULONG) AddRef() noexcept override { return ++FRefs; }
  STDMETHODIMP_(ULONG) Release() noexcept override { return --FRefs; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) noexcept override;
  STDMETHODIMP LockServer(BOOL) noexcept override { return S_OK; }

 private:
  std::vector<std::unique_ptr<TTestDoubleControl>> FControls;
  size_t FCreated = 0;
  DWORD FCookie = 0;
  long FRefs = 0;
};

}  // namespace kvx::test
