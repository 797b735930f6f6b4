#pragma once
// Toolkit fonts as OLE font objects and back: the ambient font a control
// reads, and the font properties it reports.

#include "toolkit/Win.h"

#include "toolkit/Control.h"

#include <oaidl.h>
#include <wrl/client.h>

namespace kvx {

// A new OLE font object (IFontDisp) for `font`; failures raise the OLE error.
Microsoft::WRL::ComPtr<IDispatch> MakeOleFont(const TFont& font);

// Copies what an OLE font object tells into `font`; what it does not tell stays.
void ReadOleFont(IDispatch* fontDispatch, TFont& font);

}  // namespace kvx
