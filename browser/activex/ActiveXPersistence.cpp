// The control's persisted state: saved into a memory block with the form,
// and held as the saved state until the control is completed with it.
#include "toolkit/Win.h"

#include "browser/activex/ActiveXHost.h"

#include "browser/activex/OleError.h"

#include <cstring>
#include <vector>

using Microsoft::WRL::ComPtr;

namespace kvx {

// --- persisted state --------------------------------------------------------------

std::vector<BYTE> TActiveXHost::ControlData() {
  auto bytesOf = [](HGLOBAL block, size_t size) {
    std::vector<BYTE> bytes;
    if (const void* data = GlobalLock(block)) {
      bytes.assign(static_cast<const BYTE*>(data), static_cast<const BYTE*>(data) + size);
      GlobalUnlock(block);
    }
    return bytes;
  };
  try {
    if (FSavedState) return bytesOf(FSavedState.Get(), GlobalSize(FSavedState.Get()));
    CompleteControl();
    TUniqueHGlobal block(GlobalAlloc(GMEM_MOVEABLE, 0));
    if (!block) OleError(E_OUTOFMEMORY);
    ComPtr<IStream> stream;
    OleCheck(CreateStreamOnHGlobal(block.Get(), FALSE, &stream));
    OleCheck(FPersistStream->Save(stream.Get(), TRUE));
    ULARGE_INTEGER end{};
    OleCheck(stream->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &end));
    stream.Reset();
    return bytesOf(block.Get(), static_cast<size_t>(end.QuadPart));
  } catch (const std::exception& error) {
    if (Designing() && SuppressDesignError(error)) return {};
    throw;
  }
}

void TActiveXHost::SetControlData(const void* data, size_t size) noexcept {
  FSavedState.Reset();
  // Out of memory drops the state: the control then starts from InitNew.
  TUniqueHGlobal block(GlobalAlloc(GMEM_MOVEABLE, size));
  if (!block) return;
  if (size) {
    void* target = GlobalLock(block.Get());
    if (!target) return;
    std::memcpy(target, data, size);
    GlobalUnlock(block.Get());
  }
  FSavedState = std::move(block);
}

bool TActiveXHost::SuppressDesignError(const std::exception& error) const noexcept {
  return Designing() && dynamic_cast<const EOleSysError*>(&error) != nullptr;
}

}  // namespace kvx
