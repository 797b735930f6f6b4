// PENDING (document-host services engineer): drag and drop.
#include "toolkit/Win.h"

#include "browser/WebHostCore.h"

namespace kvx {

STDMETHODIMP TDocHostDropTarget::DragEnter(IDataObject*, DWORD, POINTL, DWORD*) noexcept { return E_NOTIMPL; }
STDMETHODIMP TDocHostDropTarget::DragOver(DWORD, POINTL, DWORD*) noexcept { return E_NOTIMPL; }
STDMETHODIMP TDocHostDropTarget::DragLeave() noexcept { return E_NOTIMPL; }
STDMETHODIMP TDocHostDropTarget::Drop(IDataObject*, DWORD, POINTL, DWORD*) noexcept { return E_NOTIMPL; }

void TCustomWebHost::SetDropHandlingType(TDragDropHandlingType value) { FDropHandlingType = value; }
Microsoft::WRL::ComPtr<IDropTarget> TCustomWebHost::DropTargetForType(bool) { return nullptr; }

}  // namespace kvx
