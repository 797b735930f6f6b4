#pragma once
// The toolkit's windowed controls: one C++ object per window. The window is
// created on first use of Handle() from the virtual CreateParams/CreateWnd, so
// derived classes shape it; a foreign window (an ActiveX control's own) can be
// adopted instead by subclassing it.

#include "toolkit/Win.h"

#include "core/Alignment.h"
#include "core/Colour.h"
#include "toolkit/Handles.h"
#include "toolkit/KeyState.h"
#include "toolkit/Messages.h"
#include "toolkit/SystemColours.h"
#include "toolkit/WindowSubclass.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kvx {

class TObject {
 public:
  virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* sender)>;

// Key events carry the shift state as MK_SHIFT, MK_CONTROL and MK_ALT bits.
using TKeyEvent = std::function<void(TObject* sender, WORD& key, UINT shift)>;
using TKeyPressEvent = std::function<void(TObject* sender, wchar_t& key)>;

struct TFont {
  std::wstring Name = L"MS Shell Dlg";
  int Height = -11;  // negative: character height in pixels
  BYTE Charset = DEFAULT_CHARSET;
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  TColor Color = clWindowText;
};

// What CreateWnd makes: the window class (our own, or a system class taken
// over with our procedure in front of it) and the window's style and bounds.
struct TCreateParams {
  std::wstring Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  std::wstring ClassName;              // registered once per name
  const wchar_t* BaseClass = nullptr;  // a system class to take over, e.g. L"BUTTON"
  UINT ClassStyle = CS_DBLCLKS;
  LPCWSTR Cursor = IDC_ARROW;
};

class TForm;
class TPopupMenu;

// A control's message handler: takes the message and answers in its Result.
using TWndMethod = std::function<void(TMessage& message)>;

class TWinControl : public TObject {
 public:
  explicit TWinControl(TWinControl* parent);
  ~TWinControl() override;
  TWinControl(const TWinControl&) = delete;
  TWinControl& operator=(const TWinControl&) = delete;

  TWinControl* Parent() const noexcept { return FParent; }
  // Moves the control under another parent (or none); an existing child
  // window follows it with ::SetParent.
  void SetParent(TWinControl* parent);
  const std::vector<TWinControl*>& Controls() const noexcept { return FControls; }
  // The top-level control this one lives in (itself for a top-level window).
  TWinControl* TopLevel() noexcept;
  // The form this control is on (a form is its own), or null.
  TForm* ParentForm() noexcept;

  // Creates the window (and its parent's) on first use.
  HWND Handle();
  // Destroys the window, with its children's, and makes them all again (a
  // top-level window that was visible is shown again).
  void RecreateWnd();
  bool HandleAllocated() const noexcept { return FHandle != nullptr; }
  void HandleNeeded() { Handle(); }
  // Finds the control object of a window made or adopted by the toolkit.
  static TWinControl* FromHandle(HWND window) noexcept;
  // The control a window belongs to: the window's own, or for a window the
  // toolkit did not make (one inside a hosted control) its nearest ancestor's
  // within the same top-level window. Null when there is none.
  static TWinControl* NearestControl(HWND window) noexcept;

  // Bounds relative to the parent's client area (screen for top-level windows).
  int Left() const noexcept { return FLeft; }
  int Top() const noexcept { return FTop; }
  int Width() const noexcept { return FWidth; }
  int Height() const noexcept { return FHeight; }
  virtual void SetBounds(int left, int top, int width, int height);
  void SetLeft(int value) { SetBounds(value, FTop, FWidth, FHeight); }
  void SetTop(int value) { SetBounds(FLeft, value, FWidth, FHeight); }
  void SetWidth(int value) { SetBounds(FLeft, FTop, value, FHeight); }
  void SetHeight(int value) { SetBounds(FLeft, FTop, FWidth, value); }
  RECT ClientRect();
  int ClientWidth() { return ClientRect().right; }
  int ClientHeight() { return ClientRect().bottom; }

  TAlign Align() const noexcept { return FAlign; }
  void SetAlign(TAlign align);
  bool Visible() const noexcept { return FVisible; }
  // A change is performed on the control as CM_VISIBLECHANGED.
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible, and every parent up to the top level visible too.
  bool Showing() const noexcept;
  bool Enabled() const noexcept { return FEnabled; }
  virtual void SetEnabled(bool enabled);
  int TabOrder() const noexcept { return FTabOrder; }
  void SetTabOrder(int order) noexcept { FTabOrder = order; }
  bool TabStop() const noexcept { return FTabStop; }
  void SetTabStop(bool value) noexcept { FTabStop = value; }

  TColor Color() const noexcept { return FColor; }
  // Setting a colour of its own ends ParentColor.
  void SetColor(TColor color);
  // While on, the control takes its parent's colour and follows its changes.
  bool ParentColor() const noexcept { return FParentColor; }
  void SetParentColor(bool value);
  // The font in effect: this control's own, or its parent's while ParentFont is on.
  const TFont& Font() const noexcept;
  HFONT FontHandle();
  void SetFont(const TFont& font);
  bool ParentFont() const noexcept { return FParentFont; }

  // The caption is a system text (GBK).
  const std::string& Caption() const noexcept { return FCaption; }
  virtual void SetCaption(const std::string& caption);

  // Visible and enabled, and so is every parent up to the top level.
  bool CanFocus() const noexcept;
  // The focus request: gives the control the keyboard focus when it can take
  // it; otherwise does nothing.
  virtual void SetFocus();
  // The control's own window has the focus.
  bool Focused() const noexcept;
  // The focus is in the control's window or in a window inside it (a hosted
  // control's document window counts as the host's).
  bool ContainsFocus() const noexcept;
  void Invalidate();

  // The context menu shown for the control (not owned; a menu that goes
  // away leaves the control without one).
  TPopupMenu* PopupMenu() const noexcept { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* menu);

  // Offers a message to each control inside this one (depth first, in
  // creation order) until one answers non-zero; returns that answer (0 when
  // nobody took it).
  LRESULT Broadcast(UINT msg, WPARAM wParam, LPARAM lParam);
  // Hands a message to the control's message handler, as its window would.
  LRESULT Perform(UINT msg, WPARAM wParam, LPARAM lParam);

  // Every message of the control, from its window or performed, goes through
  // this replaceable handler; by default it is the control's own WndProc. An
  // owner that installs its own keeps the one it found, passes messages on to
  // it and puts it back when done.
  const TWndMethod& WindowProc() const noexcept { return FWindowProc; }
  void SetWindowProc(TWndMethod handler);
  // Re-installs the control's own WndProc, dropping any replacement.
  void ResetWindowProc();
  // True for a control the toolkit paints itself (background and Paint).
  bool HasOwnPaint() const noexcept { return FOwnPaint; }

 protected:
  // Runs once the most-derived object is complete (CreateComponent calls it).
  virtual void AfterConstruction() {}
  virtual void CreateParams(TCreateParams& params);
  virtual void CreateWnd();
  virtual void DestroyWnd();
  virtual LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam);
  // The window's own default processing (the base class or adopted procedure).
  LRESULT DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam);
  // Paints the background; the default fills the client area with Color.
  virtual void EraseBackground(HDC dc);
  virtual void Paint(HDC /*dc*/) {}
  void SetOwnPaint(bool value) noexcept { FOwnPaint = value; }
  // The client area children are aligned in (a panel leaves its border out).
  virtual RECT AlignRect();
  void Realign();
  virtual void Resized();
  virtual void FontChanged();
  // Notifications after the change took effect.
  virtual void ColorChanged() {}
  virtual void ParentColorChanged() {}
  virtual void ParentFontChanged() {}
  virtual void ParentChanged() {}
  // The after-loading step: runs once, after the form created the control
  // and applied its settings (TForm::FinishLoading). Overrides call the
  // inherited step first.
  virtual void Loaded() {}

  // Makes `window`, created by someone else, this control's window: its
  // procedure is replaced by ours and put back by ReleaseWindow while ours
  // is in force (a window subclassed after us keeps ours, passing messages
  // on, until it is gone). Releasing twice is harmless.
  void AdoptWindow(HWND window);
  void ReleaseWindow() noexcept;
  void DestroyHandle();

 private:
  friend class TForm;
  friend class TPopupMenu;
  template <class T, class... A>
  friend std::unique_ptr<T> CreateComponent(A&&... args);

  static LRESULT CALLBACK StaticWndProc(HWND window, UINT msg, WPARAM wParam,
                                        LPARAM lParam) noexcept;
  LRESULT Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
  void Bind(HWND window) noexcept;
  void Unbind() noexcept;
  void UpdateBoundsFromWindow();
  void CreateChildHandles();
  void DestroyChildHandles();
  TWinControl* FindChildOfWindow(HWND child) noexcept;
  void ApplyColor(TColor color);

  TWinControl* FParent;
  std::vector<TWinControl*> FControls;
  HWND FHandle = nullptr;
  WNDPROC FDefWndProc = DefWindowProcW;
  TWindowSubclass FAdoption;  // installed while the window is adopted
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  TAlign FAlign = TAlign::alNone;
  bool FVisible = true;
  bool FEnabled = true;
  bool FTabStop = false;
  int FTabOrder = 0;
  TColor FColor = clBtnFace;
  bool FParentColor = false;
  bool FParentFont = true;
  std::unique_ptr<TFont> FFont;
  TUniqueFont FFontHandle;
  std::string FCaption;
  bool FOwnPaint = false;
  bool FAligning = false;
  bool FLoaded = false;
  TPopupMenu* FPopupMenu = nullptr;
  TWndMethod FWindowProc;
};

}  // namespace kvx
