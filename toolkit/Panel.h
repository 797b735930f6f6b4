#pragma once

#include "toolkit/Control.h"

namespace kvx {

// A plain coloured container. Children are aligned inside its border, so a
// child aligned to the client area leaves a border-wide frame of the panel's
// colour around itself.
class TPanel : public TWinControl {
 public:
  explicit TPanel(TWinControl* parent);
  int BorderWidth() const noexcept { return FBorderWidth; }
  void SetBorderWidth(int value);

 protected:
  void CreateParams(TCreateParams& params) override;
  RECT AlignRect() override;

 private:
  int FBorderWidth = 0;
};

}  // namespace kvx
