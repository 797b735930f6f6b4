#pragma once

#include "toolkit/Control.h"

namespace kvx {

// The platform's single-line edit box; its text is the caption.
class TEdit : public TWinControl {
 public:
  explicit TEdit(TWinControl* parent);

 protected:
  void CreateParams(TCreateParams& params) override;
};

}  // namespace kvx
