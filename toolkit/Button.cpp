#include "toolkit/Win.h"

#include "toolkit/Button.h"

namespace kvx {

TButton::TButton(TWinControl* parent) : TWinControl(parent) {
  SetTabStop(true);
  SetBounds(0, 0, 75, 25);
}

void TButton::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.ClassName = L"KorvexaButton";
  params.BaseClass = L"BUTTON";
  params.Style |= BS_PUSHBUTTON;
  params.Style &= ~static_cast<DWORD>(WS_CLIPCHILDREN);
}

void TButton::Click() {
  if (OnClick) OnClick(this);
}

LRESULT TButton::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == CN_COMMAND && HIWORD(wParam) == BN_CLICKED) {
    Click();
    return 0;
  }
  return TWinControl::WndProc(msg, wParam, lParam);
}

}  // namespace kvx
