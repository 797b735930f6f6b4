// What input reaches the embedded page, and focus back to the page when the
// application becomes active.
#include "toolkit/Win.h"

#include "app/MainForm.h"

#include "browser/activex/OleError.h"
#include "core/Text.h"
#include "toolkit/Application.h"
#include "toolkit/KeyState.h"

namespace kvx {
namespace {

constexpr char kPageWindowClass[] = "Internet Explorer_Server";

// The platform's longest window-class name, with its end.
constexpr int kClassNameCapacity = 256;

// The key messages as the platform counted them before WM_UNICHAR took the
// number after them: WM_KEYDOWN to 0x0108.
constexpr UINT kKeyMessageLast = WM_UNICHAR - 1;
static_assert(WM_KEYFIRST == 0x0100 && kKeyMessageLast == 0x0108, "the key messages filtered");

// Page Up, Page Down, End, Home, Left, Up, Right and Down, in one run.
static_assert(VK_PRIOR == 33 && VK_DOWN == 40, "the paging and arrow keys");

// Backspace, Tab, paging and arrow keys, F1 to F12: the keys that take their own path.
bool IsSpecialKey(WPARAM key) noexcept {
  return key == VK_BACK || key == VK_TAB || (key >= VK_PRIOR && key <= VK_DOWN) ||
         (key >= VK_F1 && key <= VK_F12);
}

bool AnyFunctionKeyKeyDown() noexcept {
  for (int key = VK_F1; key <= VK_F12; ++key)
    if (KeyDown(key)) return true;
  return false;
}

}  // namespace

std::string TMainForm::WindowClassAtPoint(POINT point) {
  char name[kClassNameCapacity];
  int length = GetClassNameA(WindowFromPoint(point), name, sizeof name);
  if (length <= 0) return "not found";
  return std::string(name, static_cast<size_t>(length));
}

void TMainForm::ApplicationMessageFilter(MSG& msg, bool& handled) {
  if (!WebBrowser1) {
    handled = false;
    return;
  }
  // No context menu opens anywhere in the application: the loop dispatches a message that does
  // nothing.
  if (msg.message == WM_CONTEXTMENU) {
    msg.message = WM_NULL;
    return;
  }
  // Right clicks are swallowed over the page itself, whatever window the message is for.
  if (msg.message == WM_RBUTTONDOWN || msg.message == WM_RBUTTONUP) {
    static const std::string pageClass = AsciiUpperCase(kPageWindowClass);
    POINT cursor;
    if (GetCursorPos(&cursor) && AsciiUpperCase(WindowClassAtPoint(cursor)) == pageClass) {
      msg.message = WM_NULL;
      return;
    }
  }
  // Enter works inside page forms through the dialog manager.
  if (msg.wParam == VK_RETURN) handled = IsDialogMessageW(WebBrowser1->Handle(), &msg) != 0;

  try {
    if (WebBrowser1->GetBooleanProperty(dispidBusy)) return;
  } catch (const EOleError&) {
    return;  // a host that cannot say whether it is busy is treated as busy
  }

  if (!FActiveObject) {
    if (Microsoft::WRL::ComPtr<IDispatch> application =
            WebBrowser1->GetDispatchProperty(dispidApplication)) {
      Microsoft::WRL::ComPtr<IOleInPlaceActiveObject> active;
      application->QueryInterface(IID_PPV_ARGS(&active));
      if (active) FActiveObject = active;
    }
  }
  if (!FActiveObject) return;

  const WPARAM key = msg.wParam;
  const bool keyMessage = msg.message >= WM_KEYFIRST && msg.message <= kKeyMessageLast;
  if (!keyMessage || !IsSpecialKey(key)) {
    FActiveObject->TranslateAccelerator(&msg);
  } else if (key == VK_TAB && KeyDown(VK_CONTROL)) {
    FActiveObject->TranslateAccelerator(&msg);
  } else if (key == VK_TAB) {
    FActiveObject->TranslateAccelerator(&msg);
    msg.message = WM_NULL;
  } else if (AnyFunctionKeyKeyDown()) {
    FActiveObject->TranslateAccelerator(&msg);
    msg.message = WM_NULL;
  } else {
    // Dispatched as the loop read it, UTF-16: a character typed with Ctrl
    // held arrives unchanged.
    handled = true;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }

  if (key == VK_DELETE || KeyDown(VK_CONTROL)) {
    handled = true;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void TMainForm::ApplicationActivated(TObject*) {
  if (!WebBrowser1) return;
  if (!WebBrowser1->GetDispatchProperty(dispidDocument)) return;
  if (!WebBrowser1->GetDispatchProperty(dispidApplication)) return;
  Microsoft::WRL::ComPtr<IOleObject> oleObject;
  if (FAILED(WebBrowser1->GetDispatchProperty(dispidApplication).As(&oleObject)) || !oleObject)
    throw EIntfCastError();
  RECT client{0, 0, ClientWidth(), ClientHeight()};
  oleObject->DoVerb(OLEIVERB_UIACTIVATE, nullptr, WebBrowser1->ClientSite(), 0, Handle(), &client);
}

void TMainForm::FormActivate(TObject*) {
  Application().OnMessage = [this](MSG& msg, bool& handled) {
    ApplicationMessageFilter(msg, handled);
  };
  Application().OnActivate = [this](TObject* s) { ApplicationActivated(s); };
}

void TMainForm::FormDeactivate(TObject*) {
  RestoreApplicationHooks();
}

void TMainForm::FormDestroy(TObject*) {
  RestoreApplicationHooks();
}

}  // namespace kvx
