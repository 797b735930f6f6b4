#include "toolkit/Win.h"

#include "toolkit/Edit.h"

namespace kvx {

TEdit::TEdit(TWinControl* parent) : TWinControl(parent) {
  SetTabStop(true);
  SetColor(clWindow);
}

void TEdit::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  params.ClassName = L"KorvexaEdit";
  params.BaseClass = L"EDIT";
  params.Style |= ES_AUTOHSCROLL;
  params.ExStyle |= WS_EX_CLIENTEDGE;
}

}  // namespace kvx
