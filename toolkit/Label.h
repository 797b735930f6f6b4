#pragma once

#include "toolkit/Control.h"

namespace kvx {

// A one-line text on its parent's colour that sizes itself to the text.
class TLabel : public TWinControl {
 public:
  explicit TLabel(TWinControl* parent);
  void SetCaption(const std::string& caption) override;
  bool AutoSize() const noexcept { return FAutoSize; }
  void SetAutoSize(bool value);

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void EraseBackground(HDC dc) override;
  void Paint(HDC dc) override;
  void FontChanged() override;

 private:
  void AdjustSize();
  bool FAutoSize = true;
};

}  // namespace kvx
