#pragma once
// The document host between the WebBrowser control wrapper and the
// component: what the control and its HTML engine ask their host about the
// document window (flags, keys, context menus, script errors, commands, URL
// translation, help), the ambient properties they read, the services handed
// out to them, drag and drop, and the parking of the control's window while
// the form's window is made again.
//
// The class is one; its concerns live in files of their own:
//   WebHostCore.cpp       construction, options, document commands, zoom,
//                         document activation
//   DocHostUIHandler.cpp  IDocHostUIHandler2, IDocHostShowUI
//   DocHostCommands.cpp   IOleCommandTarget, script errors
//   DocHostAmbient.cpp    the ambient properties (IDispatch)
//   DocHostServices.cpp   IServiceProvider and the services
//   DocHostDrop.cpp       IDropTarget and the drop handling types
//   WindowParking.cpp     the control's window kept while the form's is made again

#include "toolkit/Win.h"

#include "browser/control/BrowserControl.h"
#include "browser/dochost/DocHostInterfaces.h"
#include "core/EnumSet.h"
#include "toolkit/Application.h"

#include <wrl/client.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace kvx {

class TPopupMenu;

// The host's user-interface options; each member stands for one DOCHOSTUIFLAG
// bit (UIOptionFlagTable).
enum class TUserInterfaceOption {
  DisableTextSelect,
  DisableHelpMenu,
  DontUse3DBorders,
  DontUseScrollBars,
  PostponeScriptUntilActive,
  ForceOpenNewWindow,
  Reserved_OFFSCREEN,
  ForceFlatScrollBars,
  InsertDivTagOnEditMode,
  ActivateUIOnlyOnDocClick,
  ConsultBeforeRetrievingBehavior,
  CheckFontSupportsCodePage,
  DisableSubmitUrlInUTF8,
  EnableSubmitUrlInUTF8,
  EnablesFormsAutoComplete,
  ForceSameWindowNavigation,
  EmableImeLocalLanguages,
  EnableThemes,
  DisableThemes,
  DisablePicsRatings,
  DisableFrameSetBorder,
  DisablesAutoNameSpaceCorrection,
  DisableLocalFileAccess,
  DisableUntrustedProtocol,
  CheckNavigationDelegatedToHost,
  EnableRedirectNotification,
  EnableDomWindlessControls,
  EnableWindowedControls,
  ForceUserActivationOnActiveXJava,
};
using TUserInterfaceOptions = TEnumSet<TUserInterfaceOption>;
inline constexpr std::size_t kUserInterfaceOptionCount =
    static_cast<std::size_t>(TUserInterfaceOption::ForceUserActivationOnActiveXJava) + 1;
extern const DWORD UIOptionFlagTable[kUserInterfaceOptionCount];

// Context-menu kinds: member i stands for the menu whose identifier is i;
// rcmAll for every kind.
enum class TIEPopupMenus {
  rcmDefault,
  rcmImage,
  rcmControl,
  rcmTable,
  rcmSelText,
  rcmAnchor,
  rcmUnKnown,
  rcmImageArt,
  rcmImgDynSrc,
  rcmDebug,
  rcmAll,
};
using TIEPopupMenuSet = TEnumSet<TIEPopupMenus>;

enum class TScriptErrorAction : std::uint8_t { eaContinue, eaCancel, eaAskUser };

// The control's download options; each member stands for one DLCTL bit
// (DownloadOptionFlagTable).
enum class TDownloadControlOption {
  DownloadImages,
  DownloadVideos,
  DownloadBGSounds,
  DontExecuteScripts,
  DontExecuteJava,
  DontExecuteActiveX,
  DontDownloadActiveX,
  DownloadButDontDisplay,
  DontDownloadFrame,
  CheckPageResynchronize,
  DownloadAndIgnoreCache,
  DontDownloadBehaviors,
  SuppressedMetaCharset,
  DisableUrlIfEncodingUTF8,
  EnableUrlIfEncodingUTF8,
  ForceOfflineMode,
  DontPerformClientPull,
  DownloadInSilentMode,
  WorkOffline,
};
using TDownloadControlOptions = TEnumSet<TDownloadControlOption>;
inline constexpr std::size_t kDownloadControlOptionCount =
    static_cast<std::size_t>(TDownloadControlOption::WorkOffline) + 1;
extern const DWORD DownloadOptionFlagTable[kDownloadControlOptionCount];

// Who handles what is dropped on the document.
enum class TDragDropHandlingType : std::uint8_t { ddtMS, ddtMy, ddtCustom, ddtNo };

// --- events (sender first, answers through references)
using TGetHostInfoEvent = std::function<void(TCustomWebHost* Sender, DOCHOSTUIINFO& pInfo)>;
using TShowContextMenuEvent =
    std::function<void(TCustomWebHost* Sender, DWORD dwID, const POINT* ppt,
                       IUnknown* CommandTarget, IDispatch* Context, HRESULT& Result)>;
using TShowUIEvent =
    std::function<void(TCustomWebHost* Sender, DWORD dwID, IOleInPlaceActiveObject* pActiveObject,
                       IOleCommandTarget* pCommandTarget, IOleInPlaceFrame* pFrame,
                       IOleInPlaceUIWindow* pDoc, HRESULT& Rezult)>;
using TBrowserNotifyEvent = std::function<void(TObject* Sender, HRESULT& Rezult)>;
using TEnableModelessEvent = std::function<void(TCustomWebHost* Sender, BOOL fEnable)>;
using TOnActivateEvent = std::function<void(TCustomWebHost* Sender, BOOL fActivate)>;
using TResizeBorderEvent = std::function<void(TCustomWebHost* Sender, const RECT* prcBorder,
                                              IOleInPlaceUIWindow* pUIWindow, BOOL fRameWindow)>;
using TTranslateAcceleratorEvent = std::function<void(
    TCustomWebHost* Sender, const MSG* lpMsg, const GUID* pguidCmdGroup, DWORD nCmdID, bool& Done)>;
using TMaskedCtrlCharEvent = std::function<void(TCustomWebHost* Sender, char MaskedChar)>;
using TTranslateUrlEvent =
    std::function<void(TCustomWebHost* Sender, const wchar_t* pchURLIn, std::wstring& ppchURLOut)>;
using TGetExternalEvent =
    std::function<void(TCustomWebHost* Sender, Microsoft::WRL::ComPtr<IDispatch>& ppDispatch)>;
using TFilterDataObjectEvent = std::function<void(TCustomWebHost* Sender, IDataObject* pDO,
                                                  Microsoft::WRL::ComPtr<IDataObject>& ppDORet)>;
using TMenuPreprocess =
    std::function<void(TObject* Sender, DWORD ID, HMENU Menu, IDispatch* Context)>;
using TShowMessageEvent = std::function<HRESULT(
    TObject* Sender, HWND hwnd, const wchar_t* lpstrText, const wchar_t* lpstrCaption, DWORD dwType,
    const wchar_t* lpstrHelpFile, DWORD dwHelpContext, LRESULT& plResult)>;
using TShowHelpEvent = std::function<HRESULT(
    TObject* Sender, HWND hwnd, const wchar_t* pszHelpFile, UINT uCommand, DWORD dwData,
    POINT ptMouse, Microsoft::WRL::ComPtr<IDispatch>& pDispatchObjectHit)>;
// The texts of a script error, 8-bit (GBK).
using TScriptErrorEvent = std::function<void(
    TObject* Sender, const std::string& ErrorLine, const std::string& ErrorCharacter,
    const std::string& ErrorCode, const std::string& ErrorMessage, const std::string& ErrorUrl,
    TScriptErrorAction& ScriptErrorAction)>;
using TRefreshEvent = std::function<void(TCustomWebHost* Sender, int CmdID, bool& Cancel)>;
using TComTargetExecEvent =
    std::function<void(TObject* Sender, const GUID* CmdGroup, DWORD nCmdID, DWORD nCmdexecopt,
                       const VARIANT* vaIn, VARIANT* vaOut, HRESULT& Rezult)>;

using TBoolQueryEvent = std::function<void(TObject* Sender, BOOL& Value)>;
using TGetIDsOfNamesEvent =
    std::function<void(TObject* Sender, REFIID IID, LPOLESTR* Names, UINT NameCount, LCID LocaleID,
                       DISPID* DispIDs, HRESULT& Rezult)>;
using TGetTypeInfoEvent =
    std::function<void(TObject* Sender, UINT Index, LCID LocaleID,
                       Microsoft::WRL::ComPtr<ITypeInfo>& TypeInfo, HRESULT& Rezult)>;
using TGetTypeInfoCountEvent = std::function<void(TObject* Sender, UINT& Count, HRESULT& Rezult)>;
using TInvokeEvent = std::function<void(TObject* Sender, DISPID DispID, REFIID IID, LCID LocaleID,
                                        WORD Flags, DISPPARAMS& Params, VARIANT* VarResult,
                                        EXCEPINFO* ExcepInfo, UINT* ArgErr, HRESULT& Rezult)>;
using TZoomPercentChangedEvent =
    std::function<HRESULT(TCustomWebHost* Sender, ULONG ulZoomPercent)>;
using TGetDropTargetEvent =
    std::function<void(TCustomWebHost* Sender, Microsoft::WRL::ComPtr<IDropTarget>& DropTarget)>;
using TOnDragEnterEvent =
    std::function<void(TObject* Sender, IDataObject* dataObj, DWORD grfKeyState, POINTL pt,
                       DWORD& dwEffect, HRESULT& Rezult)>;
using TOnDragOverEvent = std::function<void(TObject* Sender, DWORD grfKeyState, POINTL pt,
                                            DWORD& dwEffect, HRESULT& Rezult)>;
using TOnDropEvent = TOnDragEnterEvent;
using TQueryServiceEvent = std::function<void(TObject* Sender, REFGUID rsid, REFIID iid,
                                              Microsoft::WRL::ComPtr<IUnknown>& Obj)>;
using TEvaluateNewWindowEvent =
    std::function<void(TCustomWebHost* Sender, const wchar_t* pszUrl, const wchar_t* pszName,
                       const wchar_t* pszUrlContext, const wchar_t* pszFeatures, BOOL fReplace,
                       DWORD dwFlags, DWORD dwUserActionTime, HRESULT& Rezult)>;
using TDownloadEvent =
    std::function<void(TCustomWebHost* Sender, IMoniker* pmk, IBindCtx* pbc, DWORD dwBindVerb,
                       LONG grfBINDF, BINDINFO* pBindInfo, const wchar_t* pszHeaders,
                       const wchar_t* pszRedir, UINT uiCP, HRESULT& Rezult)>;
using TOMWindowMoveEvent = std::function<void(TCustomWebHost* Sender, int cx, int cy)>;
using TAuthenticateEvent =
    std::function<void(TCustomWebHost* Sender, HWND& hwnd, std::wstring& szUserName,
                       std::wstring& szPassWord, HRESULT& Rezult)>;
// The ambient user agent's supplier: answers S_OK with the agent (8-bit) or
// anything else for none.
using TAmbientAgentSupplier = std::function<HRESULT(std::string& agent)>;

class TCustomWebHost : public TBrowserControl {
 public:
  explicit TCustomWebHost(TWinControl* parent);
  ~TCustomWebHost() override;

  // --- options of the UI handler
  const std::string& HelpFile() const noexcept { return FHelpFile; }
  void SetHelpFile(const std::string& value) { FHelpFile = value; }
  const std::string& OptionKeyPath() const noexcept { return FOptionKeyPath; }
  void SetOptionKeyPath(const std::string& value) { FOptionKeyPath = value; }
  bool OverrideOptionKeyPath() const noexcept { return FOverrideOptionKeyPath; }
  void SetOverrideOptionKeyPath(bool value) noexcept { FOverrideOptionKeyPath = value; }
  TUserInterfaceOptions UserInterfaceOptions() const noexcept { return FUserInterfaceOptions; }
  // Recomputes HostUIFlags and tells the control its download flags changed
  // (the one notice it re-reads the host's flags on).
  void SetUserInterfaceOptions(TUserInterfaceOptions value);
  DWORD HostUIFlags() const noexcept { return FHostUIFlags; }
  TScriptErrorAction ScriptErrorAction() const noexcept { return FScriptErrorAction; }
  void SetScriptErrorAction(TScriptErrorAction value) noexcept { FScriptErrorAction = value; }
  TIEPopupMenuSet DisabledPopupMenus() const noexcept { return FDisabledPopupMenus; }
  void SetDisabledPopupMenus(TIEPopupMenuSet value) noexcept { FDisabledPopupMenus = value; }
  const std::string& DisableCtrlShortcuts() const noexcept { return FDisableCtrlShortcuts; }
  void SetDisableCtrlShortcuts(const std::string& value) { FDisableCtrlShortcuts = value; }
  // Called on the Explorer pre-refresh command while an inner document window exists.
  void SetInnerWindowHook(TNotifyEvent hook) { FInnerWindowHook = std::move(hook); }

  // --- options of the services and ambient properties
  TDownloadControlOptions DownloadOptions() const noexcept { return FDownloadOptions; }
  // Recomputes DownloadControlFlags and tells the control to read them again.
  void SetDownloadOptions(TDownloadControlOptions value);
  DWORD DownloadControlFlags() const noexcept { return FDownloadControlFlags; }
  TDragDropHandlingType DropHandlingType() const noexcept { return FDropHandlingType; }
  void SetDropHandlingType(TDragDropHandlingType value);
  bool FloatingHosting() const noexcept { return FFloatingHosting; }
  void SetFloatingHosting(bool value) noexcept { FFloatingHosting = value; }
  bool FocusChangeAllowed() const noexcept { return FFocusChangeAllowed; }
  void SetFocusChangeAllowed(bool value) noexcept { FFocusChangeAllowed = value; }
  bool AmbientDesignMode() const noexcept { return FAmbientDesignMode; }
  HWND ParkedWindow() const noexcept { return FParkedWindow; }
  void SetAmbientAgentSupplier(TAmbientAgentSupplier supplier) {
    FAmbientAgentSupplier = std::move(supplier);
  }

  // --- operations
  // The first window of the given class down the chain of first children of
  // the component's window (never across siblings); null when none.
  HWND FindChildWindowByClass(const wchar_t* className);
  // Exec on the current document's command target; E_UNEXPECTED without one.
  HRESULT ExecDocumentCommand(const GUID* group, DWORD command, DWORD option, VARIANT* vaIn,
                              VARIANT* vaOut);
  // Sets the document's zoom, held to the range the document reports; without
  // a document that can be read, nothing happens and nothing is raised.
  void SetZoomLevel(int level);
  // Gives the document the user-interface focus.
  void ActivateDocumentUI();
  // Expires when the host is freed. Code that raises an event and then goes
  // on with the host holds one across the event and stops when it expired:
  // a handler may free the component (a launcher-bar close answered inside a
  // nested message loop does).
  std::weak_ptr<const void> LifeToken() const noexcept { return FLife; }

  // --- events of the UI handler, the show-UI and the command target
  TGetHostInfoEvent OnGetHostInfo;
  TShowContextMenuEvent OnShowContextMenu;
  TShowUIEvent OnShowUI;
  TBrowserNotifyEvent OnHideUI;
  TBrowserNotifyEvent OnUpdateUI;
  TEnableModelessEvent OnEnableModeless;
  TOnActivateEvent OnOnDocWindowActivate;
  TOnActivateEvent OnOnFrameWindowActivate;
  TResizeBorderEvent OnResizeBorder;
  TTranslateAcceleratorEvent OnTranslateAccelerator;
  TMaskedCtrlCharEvent OnMaskedCtrlChar;
  TTranslateUrlEvent OnTranslateUrl;
  TGetExternalEvent OnGetExternal;
  TFilterDataObjectEvent OnFilterDataObject;
  TMenuPreprocess OnFilterPopupMenu;
  TShowMessageEvent OnShowMessage;
  TShowHelpEvent OnShowHelpRequest;
  TScriptErrorEvent OnScriptError;
  TRefreshEvent OnRefresh;
  TNotifyEvent OnUnload;
  TComTargetExecEvent OnCommandExec;

  // --- events of the ambient properties, services and drag and drop
  TBoolQueryEvent OnAllowFocusChange;
  TGetIDsOfNamesEvent OnGetIDsOfNames;
  TGetTypeInfoEvent OnGetTypeInfo;
  TGetTypeInfoCountEvent OnGetTypeInfoCount;
  TInvokeEvent OnInvoke;
  TZoomPercentChangedEvent OnZoomPercentChange;
  TGetDropTargetEvent OnGetDropTarget;
  TOnDragEnterEvent OnDragEnter;
  TOnDragOverEvent OnDragOver2;
  TNotifyEvent OnDragLeave;
  TOnDropEvent OnDropEvent;
  TQueryServiceEvent OnQueryService;
  TEvaluateNewWindowEvent OnEvaluateNewWindow;
  TDownloadEvent OnFileDownload;
  TOMWindowMoveEvent OnMove;
  TOMWindowMoveEvent OnMoveBy;
  TOMWindowMoveEvent OnResize;
  TOMWindowMoveEvent OnResizeBy;
  TNotifyEvent OnPopulateNSTable;
  TAuthenticateEvent OnAuthenticate;

  // IDispatch: the host's own type information questions go to the events.
  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) noexcept override;
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                             DISPID* ids) noexcept override;

 protected:
  // Whether a key message is a Ctrl shortcut the host swallows.
  virtual bool IsMaskedCtrlShortcut(const MSG& message);
  // Answers a script error the browser reports (vaIn carries the document).
  virtual HRESULT HandleScriptError(const VARIANT* vaIn, VARIANT* vaOut);
  // Hands out the host itself as a service when one of its rules says so.
  virtual bool QueryHostService(REFGUID guidService, REFIID riid, void** object);
  // Whether the host shows the platform's context menu itself, to filter it.
  virtual bool NeedsMenuFilter();
  virtual void FilterContextMenu(TObject* Sender, DWORD ID, HMENU Menu, IDispatch* Context);
  // The host information the UI handler answers; a derived component adds to it.
  virtual HRESULT GetHostInfo(DOCHOSTUIINFO& info);

  IUnknown* SiteInterface(REFIID iid) noexcept override;
  // The host's own ambient properties (download flags, user agent, user
  // mode), then the standard ones, then OnInvoke. Never raises: an error
  // inside is answered DISP_E_EXCEPTION with the caller's EXCEPINFO filled.
  HRESULT InvokeAmbient(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* exception, UINT* argError) override;
  // While the form's window is made again, the control's window waits on the
  // application window (ParkedWindow) and comes back as the host's window:
  // the control stays in place with its page. The host's end destroys it.
  void CreateWnd() override;
  void DestroyControlWindow() override;
  // A parked window is taken back only by window creation.
  STDMETHODIMP ShowObject() noexcept override;

 private:
  friend class TDocHostUIHandler;
  friend class TDocHostShowUI;
  friend class TDocHostCommandTarget;
  friend class TDocHostServiceProvider;
  friend class TDocHostNewWindowManager;
  friend class TDocHostProtectFocus;
  friend class TDocHostDownloadManager;
  friend class TDocHostBehaviorInit;
  friend class TDocHostWindowServices;
  friend class TDocHostZoomEvents;
  friend class TDocHostAuthenticate;
  friend class TDocHostDropTarget;

  // The context menu the host shows itself (the platform's, filtered).
  HRESULT ShowFilteredContextMenu(DWORD dwID, const POINT* ppt, IUnknown* commandTarget,
                                  IDispatch* context);
  // Asks the control to read one ambient property again.
  void AnnounceAmbientChange(DISPID id);
  // The drop target DropHandlingType gives, or none (the control's own for
  // ddtMS, none at all for ddtNo; the UI handler's GetDropTarget tells them
  // apart by DropHandlingType). ddtMS and ddtNo set the control's
  // RegisterAsDropTarget; ddtCustom gives a target only when the document's
  // view window exists, the host's own unless OnGetDropTarget replaces it.
  Microsoft::WRL::ComPtr<IDropTarget> DropTargetForType(bool viewWindowFound);
  // Takes back a drop target the host registered on the view window itself
  // (the registration would hold its reference past the window).
  void RevokeDropTarget() noexcept;
  // Runs the events of one call of the control through a document-host
  // interface: while the host ends none runs, and an error of a handler goes
  // to the application's report (the host as sender); both answer `fallback`.
  template <class Body>
  HRESULT AnswerControl(HRESULT fallback, Body&& body) noexcept;

  std::string FHelpFile;
  std::string FOptionKeyPath;
  bool FOverrideOptionKeyPath = false;
  TUserInterfaceOptions FUserInterfaceOptions;
  DWORD FHostUIFlags = 0;
  TScriptErrorAction FScriptErrorAction = TScriptErrorAction::eaContinue;
  TIEPopupMenuSet FDisabledPopupMenus;
  std::string FDisableCtrlShortcuts;
  TNotifyEvent FInnerWindowHook;

  TDownloadControlOptions FDownloadOptions;
  DWORD FDownloadControlFlags = 0;
  TDragDropHandlingType FDropHandlingType = TDragDropHandlingType::ddtMS;
  bool FFloatingHosting = false;
  bool FFocusChangeAllowed = true;
  bool FAmbientDesignMode = false;
  HWND FParkedWindow = nullptr;
  HWND FDropView = nullptr;  // the view window the host registered a drop target on
  TAmbientAgentSupplier FAmbientAgentSupplier;
  std::shared_ptr<const int> FLife = std::make_shared<const int>(0);

  TDocHostUIHandler FUIHandler{*this};
  TDocHostShowUI FShowUI{*this};
  TDocHostCommandTarget FCommandTarget{*this};
  TDocHostServiceProvider FServiceProvider{*this};
  TDocHostNewWindowManager FNewWindowManager{*this};
  TDocHostProtectFocus FProtectFocus{*this};
  TDocHostDownloadManager FDownloadManager{*this};
  TDocHostBehaviorInit FBehaviorInit{*this};
  TDocHostWindowServices FWindowServices{*this};
  TDocHostZoomEvents FZoomEvents{*this};
  TDocHostAuthenticate FAuthenticate{*this};
  TDocHostDropTarget FDropTarget{*this};
};

template <class Interface>
TDocHostTearOff<Interface>::TDocHostTearOff(TCustomWebHost& host) noexcept
    : TSiteTearOff<Interface>(*host.ClientSite()), FHost(host) {}

template <class Body>
HRESULT TCustomWebHost::AnswerControl(HRESULT fallback, Body&& body) noexcept {
  if (ShuttingDown()) return fallback;
  try {
    return body();
  } catch (...) {
    Application().HandleException(this);
    return fallback;
  }
}

}  // namespace kvx
