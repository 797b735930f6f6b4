#include "toolkit/Win.h"

#include "toolkit/Panel.h"

namespace kvx {

TPanel::TPanel(TWinControl* parent) : TWinControl(parent) {
  SetOwnPaint(true);
}

void TPanel::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.ClassName = L"KorvexaPanel";
}

void TPanel::SetBorderWidth(int value) {
  FBorderWidth = value;
  Realign();
}

RECT TPanel::AlignRect() {
  RECT r = ClientRect();
  InflateRect(&r, -FBorderWidth, -FBorderWidth);
  return r;
}

}  // namespace kvx
