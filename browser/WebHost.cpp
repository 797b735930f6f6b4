#include "toolkit/Win.h"

#include "browser/WebHost.h"

namespace kvx {

TWebHost::TWebHost(TWinControl* parent) : TCustomWebHost(parent) {}

TWebHost::~TWebHost() { ShutDown(); }

}  // namespace kvx
