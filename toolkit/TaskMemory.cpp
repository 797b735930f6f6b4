#include "toolkit/Win.h"

#include "toolkit/TaskMemory.h"

#include "core/CodePage.h"

#include <cstring>

namespace kvx {
namespace {

wchar_t* CopyToTaskMem(std::wstring_view text) noexcept {
  auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
  if (!copy) return nullptr;
  if (!text.empty()) std::memcpy(copy, text.data(), text.size() * sizeof(wchar_t));
  copy[text.size()] = L'\0';
  return copy;
}

}  // namespace

wchar_t* AnsiToTaskMemWide(std::string_view text) noexcept {
  try {
    return CopyToTaskMem(GbkToWide(text));
  } catch (...) {
    return nullptr;
  }
}

wchar_t* WideToTaskMemWide(std::wstring_view text) noexcept {
  return CopyToTaskMem(text);
}

}  // namespace kvx
