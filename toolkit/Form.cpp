#include "toolkit/Win.h"

#include "toolkit/Form.h"

#include "core/CodePage.h"
#include "toolkit/Application.h"
#include "toolkit/Exceptions.h"

#include <algorithm>

namespace kvx {

TForm::TForm() : TWinControl(nullptr) {
  TWinControl::SetVisible(false);
  SetBounds(CW_USEDEFAULT, CW_USEDEFAULT, 0, 0);
  Application().RegisterForm(this);
}

TForm::~TForm() {
  Application().UnregisterForm(this);
  DestroyHandle();
}

DWORD TForm::StyleForBorder() const noexcept {
  switch (FBorderStyle) {
    case TFormBorderStyle::bsNone:
      return WS_POPUP;
    case TFormBorderStyle::bsSingle:
      return WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    case TFormBorderStyle::bsSizeable:
      break;
  }
  return WS_OVERLAPPEDWINDOW;
}

void TForm::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.ClassName = L"KorvexaForm";
  params.Style = StyleForBorder() | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  params.ExStyle = WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
  params.WndParent = nullptr;
  if (FClientWidth > 0 || FClientHeight > 0) {
    RECT r{0, 0, FClientWidth, FClientHeight};
    AdjustWindowRectEx(&r, params.Style, FALSE, params.ExStyle);
    params.Width = r.right - r.left;
    params.Height = std::max<int>(r.bottom - r.top, FMinHeight);
  }
}

void TForm::CreateWnd() {
  TWinControl::CreateWnd();
  SendMessageW(Handle(), WM_SETICON, ICON_BIG,
               reinterpret_cast<LPARAM>(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1))));
}

void TForm::SetBorderStyle(TFormBorderStyle style) {
  FBorderStyle = style;
  if (!HandleAllocated()) return;
  RECT client = ClientRect();
  HWND window = Handle();
  LONG keep =
      GetWindowLongW(window, GWL_STYLE) & (WS_VISIBLE | WS_DISABLED | WS_MINIMIZE | WS_MAXIMIZE);
  DWORD newStyle = StyleForBorder() | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | keep;
  SetWindowLongW(window, GWL_STYLE, static_cast<LONG>(newStyle));
  RECT r{0, 0, client.right, client.bottom};
  AdjustWindowRectEx(&r, newStyle, FALSE, static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
  SetWindowPos(window, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::SetClientSize(int width, int height) {
  FClientWidth = width;
  FClientHeight = height;
  if (!HandleAllocated()) return;
  HWND window = Handle();
  RECT r{0, 0, width, height};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
  SetWindowPos(window, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::SetMinHeight(int value) {
  FMinHeight = value;
  if (HandleAllocated() && Height() < value) SetHeight(value);
}

void TForm::SetBounds(int left, int top, int width, int height) {
  TWinControl::SetBounds(left, top, width, std::max(height, FMinHeight));
}

void TForm::SetCaption(const std::string& caption) {
  TWinControl::SetCaption(caption);
}

void TForm::SetWindowState(TWindowState state) {
  FWindowState = state;
  if (!HandleAllocated() || !Visible()) return;
  ShowWindow(Handle(), state == TWindowState::wsMaximized   ? SW_MAXIMIZE
                       : state == TWindowState::wsMinimized ? SW_MINIMIZE
                                                            : SW_RESTORE);
}

void TForm::SetVisible(bool visible) {
  if (!visible) {
    TWinControl::SetVisible(false);
    return;
  }
  HWND window = Handle();
  // One ShowWindow in the final state: nobody sees a normal window that only
  // becomes maximised a moment later.
  ShowWindow(window, FWindowState == TWindowState::wsMaximized   ? SW_SHOWMAXIMIZED
                     : FWindowState == TWindowState::wsMinimized ? SW_SHOWMINIMIZED
                                                                 : SW_SHOWNORMAL);
  TWinControl::SetVisible(true);
  SetForegroundWindow(window);
}

void TForm::Close() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  if (!canClose) return;
  TCloseAction action = TCloseAction::caHide;
  if (OnClose) OnClose(this, action);
  if (action == TCloseAction::caNone) return;
  if (this == Application().MainForm()) {
    // The window goes away now; its object, and the window with it, is
    // destroyed by its owner once the message loop has ended.
    Hide();
    Application().Terminate();
  } else if (action == TCloseAction::caMinimize) {
    SetWindowState(TWindowState::wsMinimized);
  } else if (action == TCloseAction::caFree) {
    Hide();
    DestroyHandle();
  } else {
    Hide();
  }
  if (Application().Terminated()) Application().WakeUp();
}

void TForm::DoCreate() {
  try {
    if (OnCreate) OnCreate(this);
  } catch (...) {
    Application().HandleException();
  }
}

void TForm::DoDestroy() {
  if (FDestroyed) return;
  FDestroyed = true;
  try {
    if (OnDestroy) OnDestroy(this);
  } catch (...) {
    Application().HandleException();
  }
}

void TForm::Resized() {
  TWinControl::Resized();
  if (OnResize) OnResize(this);
}

void TForm::Activate() {
  if (OnActivate) OnActivate(this);
}

void TForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

void TForm::SetActiveControl(TWinControl* control) {
  if (control == this) control = nullptr;
  if (control && control->ParentForm() != this) throw Exception("The control is not on this form");
  if (control != FActiveControl) FFocusedWindow = nullptr;
  FActiveControl = control;
  if (!control || !HandleAllocated() || GetActiveWindow() != Handle() || !control->CanFocus())
    return;
  if (control->ContainsFocus()) {
    FocusMoved(GetFocus());  // e.g. in a hosted control's document window already: leave it there
  } else {
    control->SetFocus();
  }
}

void TForm::FocusMoved(HWND window) {
  TWinControl* control = NearestControl(window);
  if (!control || control->ParentForm() != this) return;
  FActiveControl = control == this ? nullptr : control;
  FFocusedWindow = window;
  Broadcast(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(control));
}

void TForm::ReannounceFocus() {
  TWinControl* focused = NearestControl(GetFocus());
  if (focused && focused->ParentForm() != this) focused = nullptr;
  Broadcast(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(focused));
}

void TForm::DefocusControl(TWinControl* control) {
  const bool hadFocus = control->ContainsFocus();
  ControlRemoved(control);
  if (hadFocus && HandleAllocated()) ::SetFocus(Handle());
}

void TForm::ControlRemoved(TWinControl* control) noexcept {
  for (TWinControl* c = FActiveControl; c; c = c->Parent()) {
    if (c == control) {
      FActiveControl = nullptr;
      FFocusedWindow = nullptr;
      return;
    }
  }
}

bool TForm::RestoreFocus() {
  if (IsIconic(Handle())) return false;
  HWND focus = GetFocus();
  if (focus && IsChild(Handle(), focus)) {
    // Already placed here while the application was being activated (the
    // page of a hosted control takes it then): it stays.
    FocusMoved(focus);
    return true;
  }
  return FocusActiveControl();
}

bool TForm::FocusActiveControl() {
  if (!FActiveControl || !FActiveControl->CanFocus()) return false;
  // Back to the very window inside the control that had the focus, when it still can take it.
  HWND last = FFocusedWindow;
  if (FActiveControl->HandleAllocated() && IsWindow(last) && IsWindowVisible(last) &&
      IsWindowEnabled(last) &&
      (last == FActiveControl->Handle() || IsChild(FActiveControl->Handle(), last))) {
    ::SetFocus(last);
  } else {
    FActiveControl->SetFocus();
  }
  return true;
}

void TForm::FinishLoading() {
  auto load = [](auto&& self, TWinControl* control) -> void {
    for (TWinControl* child : std::vector<TWinControl*>(control->Controls())) {
      if (!child->FLoaded) {
        child->FLoaded = true;
        child->Loaded();
      }
      self(self, child);
    }
  };
  load(load, this);
  if (!FLoaded) {
    FLoaded = true;
    Loaded();
  }
}

void TForm::SelectNext(bool forward) {
  std::vector<TWinControl*> stops;
  auto collect = [&](auto&& self, TWinControl* parent) -> void {
    std::vector<TWinControl*> children(parent->Controls());
    std::stable_sort(children.begin(), children.end(),
                     [](TWinControl* a, TWinControl* b) { return a->TabOrder() < b->TabOrder(); });
    for (TWinControl* c : children) {
      if (!c->CanFocus()) continue;
      if (c->TabStop()) stops.push_back(c);
      self(self, c);
    }
  };
  collect(collect, this);
  if (stops.empty()) return;
  // The stop that has the focus, or holds the window that has it.
  auto current = stops.end();
  for (TWinControl* c = NearestControl(GetFocus()); c && current == stops.end(); c = c->Parent())
    current = std::find(stops.begin(), stops.end(), c);
  size_t index;
  if (current == stops.end()) {
    index = forward ? 0 : stops.size() - 1;
  } else {
    size_t at = static_cast<size_t>(current - stops.begin());
    index = forward ? (at + 1) % stops.size() : (at + stops.size() - 1) % stops.size();
  }
  stops[index]->SetFocus();
}

LRESULT TForm::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CLOSE:
      Close();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) {
        // The platform's default would give the focus to the form's own
        // window, taking it from the control that had it.
        LRESULT r = RestoreFocus() ? 0 : TWinControl::WndProc(msg, wParam, lParam);
        Application().FormActivated(this);
        return r;
      }
      break;
    case WM_SETFOCUS:
      // The form's own window passes the focus on to the control that had
      // it: after a restore from the task bar, a click on the frame...
      if (FocusActiveControl()) return 0;
      break;
    case WM_ACTIVATEAPP: {
      LRESULT r = TWinControl::WndProc(msg, wParam, lParam);
      Application().ActivateApp(wParam != 0);
      return r;
    }
    case WM_GETMINMAXINFO: {
      LRESULT r = TWinControl::WndProc(msg, wParam, lParam);
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize.y = std::max<LONG>(info->ptMinTrackSize.y, FMinHeight);
      return r;
    }
    case WM_WINDOWPOSCHANGING: {
      // Whoever sizes the window, it is never lower than its minimum height.
      auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
      if (!(pos->flags & SWP_NOSIZE) && pos->cy < FMinHeight && !IsIconic(Handle()))
        pos->cy = FMinHeight;
      break;
    }
    default:
      break;
  }
  return TWinControl::WndProc(msg, wParam, lParam);
}

}  // namespace kvx
