#include "toolkit/Win.h"

#include "toolkit/Control.h"

#include "core/CodePage.h"
#include "toolkit/Application.h"
#include "toolkit/Exceptions.h"
#include "toolkit/Form.h"
#include "toolkit/Menus.h"

#include <algorithm>
#include <map>

namespace kvx {
namespace {

constexpr wchar_t kControlProperty[] = L"KorvexaControl";
// The old procedure of a window we let go of while a procedure installed
// after ours still called ours.
constexpr wchar_t kOldProcedureProperty[] = L"KorvexaOldProcedure";

// Base procedures of the system classes we took over, by our class name.
std::map<std::wstring, WNDPROC>& ClassRegistry() {
  static std::map<std::wstring, WNDPROC> registry;
  return registry;
}

// A window we let go of but that still calls `ours`: its messages pass on
// to the old procedure, and the old procedure comes back once ours is in
// force again.
LRESULT PassOn(HWND window, WNDPROC ours, UINT msg, WPARAM wParam, LPARAM lParam) {
  const auto old = reinterpret_cast<WNDPROC>(
      reinterpret_cast<LONG_PTR>(GetPropW(window, kOldProcedureProperty)));
  if (!old) return DefWindowProcW(window, msg, wParam, lParam);
  const LRESULT result = CallWindowProcW(old, window, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {
    RemovePropW(window, kOldProcedureProperty);
  } else if (GetWindowLongPtrW(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(ours)) {
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
    RemovePropW(window, kOldProcedureProperty);
  }
  return result;
}

}  // namespace

TWinControl::TWinControl(TWinControl* parent) : FParent(parent) {
  ResetWindowProc();
  if (FParent) FParent->FControls.push_back(this);
}

TWinControl::~TWinControl() {
  // A form must not keep pointing at a control that is gone.
  if (TForm* form = ParentForm(); form && form != this) form->ControlRemoved(this);
  SetPopupMenu(nullptr);
  DestroyHandle();
  for (TWinControl* child : FControls) child->FParent = nullptr;
  FControls.clear();
  if (FParent) {
    auto& siblings = FParent->FControls;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
}

void TWinControl::SetParent(TWinControl* parent) {
  if (parent == FParent) return;
  for (TWinControl* p = parent; p; p = p->FParent)
    if (p == this) throw Exception("A control cannot be its own parent");
  // The new parent's window first: if that fails, nothing has moved yet.
  HWND parentWindow = FHandle && parent ? parent->Handle() : nullptr;
  TWinControl* old = FParent;
  if (TForm* form = ParentForm(); form && form != this && (!parent || parent->ParentForm() != form))
    form->ControlRemoved(this);
  if (old) {
    auto& siblings = old->FControls;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  FParent = parent;
  if (parent) parent->FControls.push_back(this);
  if (FHandle) {
    if (parentWindow && (GetWindowLongW(FHandle, GWL_STYLE) & WS_CHILD)) {
      ::SetParent(FHandle, parentWindow);
      UpdateBoundsFromWindow();
    } else {
      // A child window cannot live without a parent, nor a top-level one
      // become a child: made again on next use.
      DestroyHandle();
    }
  }
  if (old) old->Realign();
  if (parent) {
    if (FParentColor) {
      ApplyColor(parent->FColor);
      ParentColorChanged();
    }
    if (FParentFont) {
      FontChanged();
      ParentFontChanged();
    }
    parent->Realign();
  }
  ParentChanged();
}

TWinControl* TWinControl::TopLevel() noexcept {
  TWinControl* control = this;
  while (control->FParent) control = control->FParent;
  return control;
}

TForm* TWinControl::ParentForm() noexcept {
  return dynamic_cast<TForm*>(TopLevel());
}

HWND TWinControl::Handle() {
  if (!FHandle) {
    if (FParent) FParent->Handle();
    if (!FHandle) {  // the parent may have created us along with its own window
      CreateWnd();
      if (!FHandle) throw Exception("Error creating window");
      UpdateBoundsFromWindow();
      if (FontHandle())
        SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FontHandle()), FALSE);
      CreateChildHandles();
      Realign();
    }
  }
  return FHandle;
}

void TWinControl::RecreateWnd() {
  if (!FHandle) return;
  DestroyHandle();
  Handle();
  if (!FParent && FVisible) ShowWindow(FHandle, SW_SHOWNA);
}

void TWinControl::CreateChildHandles() {
  for (TWinControl* child : std::vector<TWinControl*>(FControls))
    if (!child->FHandle) child->Handle();
}

TWinControl* TWinControl::FromHandle(HWND window) noexcept {
  return window ? static_cast<TWinControl*>(GetPropW(window, kControlProperty)) : nullptr;
}

TWinControl* TWinControl::NearestControl(HWND window) noexcept {
  for (HWND w = window; w; w = GetParent(w)) {
    if (TWinControl* control = FromHandle(w)) return control;
    // GetParent answers the owner of a top-level window: a message box does
    // not belong to the form that owns it.
    if (!(GetWindowLongW(w, GWL_STYLE) & WS_CHILD)) break;
  }
  return nullptr;
}

void TWinControl::CreateParams(TCreateParams& params) {
  params.Caption = GbkToWide(FCaption);
  params.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  if (FParent) params.Style |= WS_CHILD;
  if (FVisible && FParent) params.Style |= WS_VISIBLE;
  if (!FEnabled) params.Style |= WS_DISABLED;
  if (FTabStop) params.Style |= WS_TABSTOP;
  params.X = FLeft;
  params.Y = FTop;
  params.Width = FWidth;
  params.Height = FHeight;
  params.WndParent = FParent ? FParent->Handle() : nullptr;
  params.ClassName = L"KorvexaControl";
}

void TWinControl::CreateWnd() {
  TCreateParams params;
  CreateParams(params);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  auto& registry = ClassRegistry();
  auto found = registry.find(params.ClassName);
  if (found == registry.end()) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    WNDPROC baseProc = DefWindowProcW;
    if (params.BaseClass) {
      if (!GetClassInfoExW(nullptr, params.BaseClass, &wc))
        throw Exception("Window class not found");
      baseProc = wc.lpfnWndProc;
      wc.cbSize = sizeof wc;
    } else {
      wc.style = params.ClassStyle;
      wc.hCursor = LoadCursorW(nullptr, params.Cursor);
    }
    wc.lpfnWndProc = StaticWndProc;
    wc.hInstance = instance;
    wc.lpszClassName = params.ClassName.c_str();
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
      throw Exception("Error registering window class");
    found = registry.emplace(params.ClassName, baseProc).first;
  }
  FDefWndProc = found->second;
  HWND window = CreateWindowExW(params.ExStyle, params.ClassName.c_str(), params.Caption.c_str(),
                                params.Style, params.X, params.Y, params.Width, params.Height,
                                params.WndParent, nullptr, instance, this);
  if (!window) throw Exception("Error creating window");
}

void TWinControl::DestroyWnd() {
  if (FHandle) {
    if (FAdoption.Installed()) {
      ReleaseWindow();
    } else {
      DestroyWindow(FHandle);  // WM_NCDESTROY unbinds us
    }
  }
}

void TWinControl::DestroyHandle() {
  DestroyChildHandles();
  if (FHandle) DestroyWnd();
  FHandle = nullptr;
}

// Children's windows go first, each through its own DestroyWnd: a control
// that lent its window (an ActiveX control's) takes it back and leaves its
// in-place state, instead of losing the window unawares with ours.
void TWinControl::DestroyChildHandles() {
  for (TWinControl* child : std::vector<TWinControl*>(FControls))
    if (child->FHandle) child->DestroyHandle();
}

void TWinControl::Bind(HWND window) noexcept {
  FHandle = window;
  SetPropW(window, kControlProperty, this);
}

void TWinControl::Unbind() noexcept {
  if (!FHandle) return;
  RemovePropW(FHandle, kControlProperty);
  FHandle = nullptr;
}

void TWinControl::AdoptWindow(HWND window) {
  if (FHandle) DestroyHandle();
  Bind(window);
  if (!FAdoption.Install(window, &StaticWndProc)) {
    Unbind();
    throw Exception("Error subclassing window");
  }
  FDefWndProc = FAdoption.OldProcedure();
  UpdateBoundsFromWindow();
}

void TWinControl::ReleaseWindow() noexcept {
  if (!FHandle || !FAdoption.Installed()) return;
  if (!FAdoption.Restore()) {
    // With no control behind it, our procedure finds the old one here.
    SetPropW(FHandle, kOldProcedureProperty,
             reinterpret_cast<HANDLE>(reinterpret_cast<LONG_PTR>(FAdoption.OldProcedure())));
    FAdoption.Forget();
  }
  Unbind();
  FDefWndProc = DefWindowProcW;
}

LRESULT CALLBACK TWinControl::StaticWndProc(HWND window, UINT msg, WPARAM wParam,
                                            LPARAM lParam) noexcept {
  TWinControl* self = nullptr;
  if (msg == WM_NCCREATE) {
    self = static_cast<TWinControl*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    if (self) self->Bind(window);
  } else {
    // Found through the window property, never GWLP_USERDATA: an adopted
    // window's own code may keep something else there.
    self = FromHandle(window);
  }
  if (!self) return PassOn(window, &StaticWndProc, msg, wParam, lParam);
  return self->Dispatch(msg, wParam, lParam);
}

LRESULT TWinControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage message{msg, wParam, lParam, 0};
  FWindowProc(message);
  return message.Result;
}

void TWinControl::SetWindowProc(TWndMethod handler) {
  if (!handler) throw Exception("A control needs a message handler");
  FWindowProc = std::move(handler);
}

void TWinControl::ResetWindowProc() {
  FWindowProc = [this](TMessage& message) {
    message.Result = WndProc(message.Msg, message.WParam, message.LParam);
  };
}

LRESULT TWinControl::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
  LRESULT result = 0;
  try {
    // Destroyed by someone else (the system, a parent's DestroyWindow): the
    // children still go their own way first.
    if (msg == WM_DESTROY) DestroyChildHandles();
    result = Perform(msg, wParam, lParam);
  } catch (...) {
    Application().HandleException();
  }
  if (msg == WM_NCDESTROY) {
    if (FAdoption.Installed()) {
      // The window calls nobody after this one: nothing to keep for it.
      FAdoption.Release();
      FDefWndProc = DefWindowProcW;
    }
    Unbind();
  }
  return result;
}

LRESULT TWinControl::DefaultHandler(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!FHandle) return 0;
  return CallWindowProcW(FDefWndProc, FHandle, msg, wParam, lParam);
}

TWinControl* TWinControl::FindChildOfWindow(HWND child) noexcept {
  TWinControl* control = FromHandle(child);
  return control && control->FParent == this ? control : nullptr;
}

LRESULT TWinControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ERASEBKGND:
      if (FOwnPaint || FDefWndProc == DefWindowProcW) {
        EraseBackground(reinterpret_cast<HDC>(wParam));
        return 1;
      }
      break;
    case WM_PAINT:
      if (FOwnPaint) {
        TPaintDC dc(FHandle);
        Paint(dc.Get());
        return 0;
      }
      break;
    case WM_PRINTCLIENT:
      // Lets a parent or a test draw this control into any device context.
      if (FOwnPaint) {
        EraseBackground(reinterpret_cast<HDC>(wParam));
        Paint(reinterpret_cast<HDC>(wParam));
        return 0;
      }
      break;
    case WM_WINDOWPOSCHANGED:
      UpdateBoundsFromWindow();
      break;
    case WM_SIZE: {
      LRESULT r = DefaultHandler(msg, wParam, lParam);
      Resized();
      return r;
    }
    case WM_COMMAND:
      if (lParam) {
        if (TWinControl* child = FindChildOfWindow(reinterpret_cast<HWND>(lParam)))
          return child->Perform(CN_COMMAND, wParam, lParam);
      }
      break;
    case WM_NOTIFY:
      if (auto* header = reinterpret_cast<NMHDR*>(lParam)) {
        if (TWinControl* child = FindChildOfWindow(header->hwndFrom))
          return child->Perform(CN_NOTIFY, wParam, lParam);
      }
      break;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
      if (TWinControl* child = FindChildOfWindow(reinterpret_cast<HWND>(lParam)))
        return child->Perform(CN_BASE + msg, wParam, lParam);
      break;
    case WM_SETFOCUS: {
      LRESULT r = DefaultHandler(msg, wParam, lParam);
      if (TForm* form = ParentForm()) form->FocusMoved(FHandle);
      return r;
    }
    case WM_KILLFOCUS: {
      LRESULT r = DefaultHandler(msg, wParam, lParam);
      // A window the toolkit did not make tells nobody it got the focus;
      // its form learns it here, from the window that lost it.
      HWND next = reinterpret_cast<HWND>(wParam);
      if (next && !FromHandle(next)) {
        if (TWinControl* owner = NearestControl(next))
          if (TForm* form = owner->ParentForm()) form->FocusMoved(next);
      }
      return r;
    }
    case WM_CONTEXTMENU:
      if (FPopupMenu) {
        POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (at.x == -1 && at.y == -1) {  // from the keyboard: at the control's middle
          RECT r = ClientRect();
          at = POINT{r.right / 2, r.bottom / 2};
          ClientToScreen(FHandle, &at);
        }
        FPopupMenu->Popup(at.x, at.y);
        return 0;
      }
      break;
    default:
      break;
  }
  // Toolkit notifications nobody here wanted never reach a window's own procedure.
  if (IsToolkitNotification(msg)) return 0;
  if (msg >= CN_KEYFIRST && msg <= CN_KEYLAST) return 0;  // a key nobody here wants
  if (IsReflectedNotification(msg)) {
    // An unhandled reflected notification: what the parent would have done.
    return DefWindowProcW(FHandle, msg - CN_BASE, wParam, lParam);
  }
  return DefaultHandler(msg, wParam, lParam);
}

void TWinControl::SetEnabled(bool enabled) {
  FEnabled = enabled;
  if (FHandle) EnableWindow(FHandle, enabled);
}

bool TWinControl::CanFocus() const noexcept {
  for (const TWinControl* c = this; c; c = c->FParent)
    if (!c->FVisible || !c->FEnabled) return false;
  return true;
}

void TWinControl::SetFocus() {
  if (CanFocus()) ::SetFocus(Handle());
}

bool TWinControl::Focused() const noexcept {
  return FHandle && GetFocus() == FHandle;
}

bool TWinControl::ContainsFocus() const noexcept {
  HWND focus = GetFocus();
  return FHandle && focus && (focus == FHandle || IsChild(FHandle, focus));
}

void TWinControl::SetPopupMenu(TPopupMenu* menu) {
  if (menu == FPopupMenu) return;
  if (menu) menu->FUsers.push_back(this);  // first: may throw, nothing changed yet
  if (FPopupMenu) std::erase(FPopupMenu->FUsers, this);
  FPopupMenu = menu;
}

LRESULT TWinControl::Broadcast(UINT msg, WPARAM wParam, LPARAM lParam) {
  for (TWinControl* child : std::vector<TWinControl*>(FControls)) {
    if (LRESULT r = child->Perform(msg, wParam, lParam)) return r;
    if (LRESULT r = child->Broadcast(msg, wParam, lParam)) return r;
  }
  return 0;
}

}  // namespace kvx
