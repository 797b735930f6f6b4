#pragma once

#include "toolkit/Control.h"

namespace kvx {

// A picture. Drawn transparent, the colour of its bottom-left pixel lets the
// parent's colour show through.
class TImage : public TWinControl {
 public:
  explicit TImage(TWinControl* parent);
  // Loads a bitmap resource of the program; the control takes its size.
  void LoadBitmapResource(int id);
  void SetBitmap(TUniqueBitmap bitmap);
  bool Transparent = true;

 protected:
  void CreateParams(TCreateParams& params) override;
  void EraseBackground(HDC dc) override;
  void Paint(HDC dc) override;

 private:
  TUniqueBitmap FBitmap;
  SIZE FSize{};
};

}  // namespace kvx
