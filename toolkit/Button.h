#pragma once

#include "toolkit/Control.h"

namespace kvx {

// The platform's push button.
class TButton : public TWinControl {
 public:
  explicit TButton(TWinControl* parent);
  void Click();
  TNotifyEvent OnClick;

 protected:
  void CreateParams(TCreateParams& params) override;
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

}  // namespace kvx
