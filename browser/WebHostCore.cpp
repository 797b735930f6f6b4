#include "toolkit/Win.h"

#include "browser/WebHostCore.h"

namespace kvx {

TCustomWebHost::TCustomWebHost(TWinControl* parent) : TBrowserControl(parent) {}

TCustomWebHost::~TCustomWebHost() { ShutDown(); }

}  // namespace kvx
