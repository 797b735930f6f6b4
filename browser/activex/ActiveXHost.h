#pragma once
// The generic host that puts one ActiveX control into a windowed control of
// the toolkit: it creates the control, is its container site, activates it in
// place so that the control's window becomes the host's window, persists its
// state, reads and writes its properties by DISPID and delivers its events to
// the handler slots named by the control description.
//
// The class is one; its concerns live in files of their own:
//   ActiveXHost.cpp         creation, completion and end, the window, UI activation
//   ActiveXProperties.cpp   properties by DISPID, fonts and pictures, stock
//                           properties, ambient changes
//   ActiveXPersistence.cpp  the persisted state
//   ActiveXSite.cpp         the site interfaces and ambient properties
//   ActiveXEventSink.cpp    the connection points and event routing

#include "toolkit/Win.h"

#include "browser/activex/ActiveXEventSink.h"
#include "browser/activex/ActiveXSite.h"
#include "browser/activex/ControlDescription.h"
#include "browser/activex/EventArgs.h"
#include "toolkit/Control.h"
#include "toolkit/Form.h"
#include "toolkit/Handles.h"

#include <ocidl.h>
#include <olectl.h>
#include <wrl/client.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kvx {

// The stock events' shift state is the toolkit's: MK_SHIFT, MK_CONTROL and
// MK_ALT for the keys, MK_LBUTTON, MK_RBUTTON and MK_MBUTTON for the buttons.
enum class TMouseButton { mbLeft, mbRight, mbMiddle };
using TMouseEvent =
    std::function<void(TObject* sender, TMouseButton button, UINT shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, UINT shift, int x, int y)>;

// Its AddRef and Release only count: the host's lifetime belongs to its owner
// in the toolkit, never to COM references.
class TActiveXHost : public TWinControl,
                     public IOleClientSite,
                     public IOleControlSite,
                     public IOleInPlaceSite,
                     public IDispatch,
                     public IPropertyNotifySink,
                     public ISimpleFrameSite {
 public:
  ~TActiveXHost() override;

  const TControlDescription& Description() const noexcept { return *FDescription; }
  // The site the control talks to (no reference is handed over).
  IOleClientSite* ClientSite() noexcept { return this; }
  IOleObject* OleObject() const noexcept { return FOleObject.Get(); }
  IOleControl* OleControl() const noexcept { return FOleControl.Get(); }
  IOleInPlaceObject* InPlaceObject() const noexcept { return FOleInPlaceObject.Get(); }
  IOleInPlaceActiveObject* InPlaceActiveObject() const noexcept {
    return FOleInPlaceActiveObject.Get();
  }
  DWORD MiscStatus() const noexcept { return FMiscStatus; }
  bool Completed() const noexcept { return FOleControl != nullptr; }
  ULONG RefCount() const noexcept { return FRefCount; }

  // Sites, loads and connects the control once; a failure leaves it
  // uncompleted, and the next access tries again.
  void CompleteControl();
  // The control's automation object (completes the control first).
  Microsoft::WRL::ComPtr<IDispatch> DefaultDispatch();

  // Typed property access by DISPID; failures raise the OLE error.
  Microsoft::WRL::ComPtr<IDispatch> GetDispatchProperty(DISPID id);
  std::int32_t GetIntegerProperty(DISPID id);
  std::int32_t GetEnumProperty(DISPID id) { return GetIntegerProperty(id); }
  bool GetBooleanProperty(DISPID id);
  std::wstring GetTextProperty(DISPID id);
  void GetVariantProperty(DISPID id, VARIANT& result);
  void SetDispatchProperty(DISPID id, IDispatch* value);
  void SetIntegerProperty(DISPID id, std::int32_t value);
  void SetBooleanProperty(DISPID id, int value);
  void SetTextProperty(DISPID id, const std::wstring& value);
  void SetVariantProperty(DISPID id, const VARIANT& value);

  // The control's persisted state, stored with the form in the control's own
  // format. Reading it back keeps it until the control is completed.
  std::vector<BYTE> ControlData();
  void SetControlData(const void* data, size_t size) noexcept;
  bool HasSavedState() const noexcept { return static_cast<bool>(FSavedState); }

  // Enumeration-property values the control describes (cached per class).
  const TEnumPropDesc* EnumPropDescription(DISPID id);

  // Font and picture properties of the description, one object each.
  const TFont& FontProperty(int index) const { return FFonts.at(static_cast<size_t>(index)); }
  void SetFontProperty(int index, const TFont& font);
  IDispatch* PictureProperty(int index) const {
    return FPictures.at(static_cast<size_t>(index)).Get();
  }
  void SetPictureProperty(int index, IDispatch* picture);

  // The component's name, the control's ambient display name.
  const std::string& Name() const noexcept { return FName; }
  void SetName(const std::string& name);
  // The component runs inside a form designer.
  bool Designing() const noexcept { return FDesigning; }
  void SetDesigning(bool value) noexcept { FDesigning = value; }

  // User-interface activation within the form (one active control host per form).
  void UIActivate();
  void UIDeactivate() noexcept;
  static TActiveXHost* ActiveControlHost(TWinControl* form) noexcept;

  void SetBounds(int left, int top, int width, int height) override;
  void SetEnabled(bool enabled) override;

  // Stock events.
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** object) noexcept override;
  STDMETHODIMP_(ULONG) AddRef() noexcept override;
  STDMETHODIMP_(ULONG) Release() noexcept override;
  // IOleClientSite
  STDMETHODIMP SaveObject() noexcept override;
  STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) noexcept override;
  STDMETHODIMP GetContainer(IOleContainer** container) noexcept override;
  STDMETHODIMP ShowObject() noexcept override;
  STDMETHODIMP OnShowWindow(BOOL show) noexcept override;
  STDMETHODIMP RequestNewObjectLayout() noexcept override;
  // IOleControlSite
  STDMETHODIMP OnControlInfoChanged() noexcept override;
  STDMETHODIMP LockInPlaceActive(BOOL lock) noexcept override;
  STDMETHODIMP GetExtendedControl(IDispatch** control) noexcept override;
  STDMETHODIMP TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) noexcept override;
  STDMETHODIMP TranslateAccelerator(MSG* msg, DWORD modifiers) noexcept override;
  STDMETHODIMP OnFocus(BOOL gotFocus) noexcept override;
  STDMETHODIMP ShowPropertyFrame() noexcept override;
  // IOleWindow / IOleInPlaceSite
  STDMETHODIMP GetWindow(HWND* window) noexcept override;
  STDMETHODIMP ContextSensitiveHelp(BOOL enterMode) noexcept override;
  STDMETHODIMP CanInPlaceActivate() noexcept override;
  STDMETHODIMP OnInPlaceActivate() noexcept override;
  STDMETHODIMP OnUIActivate() noexcept override;
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                LPRECT position, LPRECT clip,
                                LPOLEINPLACEFRAMEINFO frameInfo) noexcept override;
  STDMETHODIMP Scroll(SIZE extent) noexcept override;
  STDMETHODIMP OnUIDeactivate(BOOL undoable) noexcept override;
  STDMETHODIMP OnInPlaceDeactivate() noexcept override;
  STDMETHODIMP DiscardUndoState() noexcept override;
  STDMETHODIMP DeactivateAndUndo() noexcept override;
  STDMETHODIMP OnPosRectChange(LPCRECT position) noexcept override;
  // IDispatch: the ambient properties
  STDMETHODIMP GetTypeInfoCount(UINT* count) noexcept override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) noexcept override;
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                             DISPID* ids) noexcept override;
  // Answers through InvokeAmbient.
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argError) noexcept final;
  // IPropertyNotifySink
  STDMETHODIMP OnChanged(DISPID id) noexcept override;
  STDMETHODIMP OnRequestEdit(DISPID id) noexcept override;
  // ISimpleFrameSite
  STDMETHODIMP PreMessageFilter(HWND window, UINT msg, WPARAM wParam, LPARAM lParam,
                                LRESULT* result, DWORD* cookie) noexcept override;
  STDMETHODIMP PostMessageFilter(HWND window, UINT msg, WPARAM wParam, LPARAM lParam,
                                 LRESULT* result, DWORD cookie) noexcept override;

 protected:
  // A wrapper class passes the description it attaches (its AttachDescription,
  // which in C++ cannot be a virtual call from this constructor). The control
  // itself is created by AfterConstruction: make hosts with CreateComponent.
  // A host made otherwise has no control and refuses every use that needs
  // one with an error saying so.
  TActiveXHost(TWinControl* parent, TControlDescription& description);

  // Creates the control: CoCreateInstance, its site when it asks for it
  // first, its persistence, its extent. A failure raises.
  void AfterConstruction() override;

  // The site's interface for `iid`, or null (no reference added). Each class
  // of the chain answers from its own table and falls back to its base's.
  virtual IUnknown* SiteInterface(REFIID iid) noexcept;
  // Events: stock DISPIDs -600 to -607, and every other DISPID.
  virtual void DeliverStockEvent(DISPID id, const DISPPARAMS& params);
  virtual void DeliverEvent(DISPID id, const DISPPARAMS& params);
  // Runs with the new control object as soon as it is created, before it is
  // asked anything (the whole object stands by then: overrides are reached).
  virtual void InitControlInterface(IOleObject* control);
  // Errors swallowed while the component is designed: OLE system errors only.
  virtual bool SuppressDesignError(const std::exception& error) const noexcept;
  virtual void PropertyChanged(DISPID id);
  // The ambient properties the control reads from its site, with the
  // arguments of its IDispatch::Invoke; a derived class answers its own and
  // leaves the rest to its base. May raise.
  virtual HRESULT InvokeAmbient(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                VARIANT* result, EXCEPINFO* exception, UINT* argError);
  virtual bool PropertyRequestEdit(DISPID id);

  void CreateWnd() override;
  void DestroyWnd() override;
  // The control's window goes with the host's (as when the form's window is
  // made again): the control leaves in-place activation and is closed, and
  // the next window creation activates it again in the new parent. A layer
  // that keeps the control's window alive across its parent's re-creation
  // (parking it elsewhere) replaces this; while the host shuts down
  // (ShuttingDown()) the window must go as here.
  virtual void DestroyControlWindow();
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void FontChanged() override;
  void ColorChanged() override;
  void ParentColorChanged() override;
  void ParentFontChanged() override;
  void ParentChanged() override;

  // Makes the control's window the host's window, if not done yet.
  void AdoptControlWindow();
  void AmbientPropertyChanged(DISPID id) noexcept;
  // Applies the size the control reports. A failing GetExtent raises its OLE
  // error from the first and leaves the size; the second answers GetExtent's
  // HRESULT either way.
  void TakeControlExtent();
  HRESULT TakeControlExtentNoThrow() noexcept;
  void EnsureClientSite();
  RECT BoundsRect() const noexcept;
  TWinControl* Form() noexcept { return TopLevel(); }
  // The end of the control's life, one step that every class of the host
  // chain runs first in its destructor (the most-derived one does the work,
  // the others find it done): no more deliveries, user-interface
  // deactivation, the window destroyed, the control closed, its sinks
  // disconnected, its interfaces and its site released.
  void ShutDown() noexcept;
  bool ShuttingDown() const noexcept { return FShutDown; }

 private:
  friend class TActiveXEventSink;
  friend class TActiveXFrame;

  void CreateControl();
  void RequireControl() const;
  void ReleaseCompletion() noexcept;
  void InvokeProperty(DISPID id, WORD flags, DISPPARAMS& params, VARIANT* result);
  void ReadProperty(DISPID id, VARIANT& result);
  void WriteProperty(DISPID id, const VARIANT& value);
  void PushProperty(bool& guard, DISPID id, const TVariant& value);
  LRESULT TranslateReflectedKey(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled);
  bool DialogKey(WPARAM key, LPARAM keyData);
  // The form's active control host becomes this one; no form has it as such any more.
  void MarkActiveHost() noexcept;
  void ForgetActiveHost() noexcept;
  void ForgetInPlaceObjects() noexcept;

  TControlDescription* FDescription;
  Microsoft::WRL::ComPtr<IOleObject> FOleObject;
  Microsoft::WRL::ComPtr<IPersistStreamInit> FPersistStream;
  Microsoft::WRL::ComPtr<IOleControl> FOleControl;
  Microsoft::WRL::ComPtr<IDispatch> FControlDispatch;
  Microsoft::WRL::ComPtr<IPerPropertyBrowsing> FPropBrowsing;
  Microsoft::WRL::ComPtr<IOleInPlaceObject> FOleInPlaceObject;
  Microsoft::WRL::ComPtr<IOleInPlaceActiveObject> FOleInPlaceActiveObject;
  DWORD FMiscStatus = 0;
  TUniqueHGlobal FSavedState;
  TActiveXEventSink FEventSink{*this};
  TOleConnection FEventsConnection;
  TOleConnection FPropConnection;
  bool FUpdatingEnabled = false;
  bool FUpdatingFont = false;
  bool FUpdatingColor = false;
  std::vector<TFont> FFonts;
  std::vector<Microsoft::WRL::ComPtr<IDispatch>> FPictures;
  TActiveXFrame FFrame;
  ULONG FRefCount = 0;
  std::string FName;
  bool FDesigning = false;
  bool FAttached = false;
  bool FShutDown = false;
  bool FClosed = false;
};

}  // namespace kvx
