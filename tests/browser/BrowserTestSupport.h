#pragma once
// Shared fixture pieces of the browser host tests: OLE for the test, a hidden
// form to host in, and a bounded message pump.

#include "toolkit/Win.h"

#include "toolkit/Form.h"
#include "toolkit/Handles.h"

#include <chrono>
#include <functional>
#include <string>

namespace kvx::test {

// Pumps this thread's messages until `condition` holds or `limit` passes.
inline bool PumpUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::seconds(30)) {
  auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

inline std::wstring VariantText(const VARIANT* v) {
  if (!v) return {};
  if (V_VT(v) == (VT_BYREF | VT_VARIANT)) return VariantText(V_VARIANTREF(v));
  if (V_VT(v) == VT_BSTR && V_BSTR(v)) return V_BSTR(v);
  return {};
}

// A form to host controls in, never shown to a user.
class THostForm : public TForm {
 public:
  THostForm() {
    SetBorderStyle(TFormBorderStyle::bsNone);
    SetBounds(0, 0, 640, 480);
  }
};

}  // namespace kvx::test
