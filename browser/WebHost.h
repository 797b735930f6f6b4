#pragma once
// The browser host component the main window places on its client area.

#include "toolkit/Win.h"

#include "browser/WebHostCore.h"

namespace kvx {

class TWebHost : public TCustomWebHost {
 public:
  explicit TWebHost(TWinControl* parent);
  ~TWebHost() override;
};

}  // namespace kvx
