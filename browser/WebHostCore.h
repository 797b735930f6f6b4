#pragma once
// The document host between the WebBrowser control wrapper and the
// component: what the control asks its host about the document window.

#include "toolkit/Win.h"

#include "browser/BrowserControl.h"

namespace kvx {

class TCustomWebHost : public TBrowserControl {
 public:
  explicit TCustomWebHost(TWinControl* parent);
  ~TCustomWebHost() override;
};

}  // namespace kvx
