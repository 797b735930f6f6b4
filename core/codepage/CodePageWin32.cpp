// The Windows side of core/CodePage.h: the platform's own code page 936 tables.
#include "toolkit/Win.h"

#include "core/CodePage.h"

#include <climits>

namespace kvx {

std::wstring GbkToWide(std::string_view gbk) {
  if (gbk.empty()) return {};
  if (gbk.size() > INT_MAX) return {};
  int length = MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(936, 0, gbk.data(), static_cast<int>(gbk.size()), wide.data(), length);
  return wide;
}

std::string WideToGbk(std::wstring_view wide) {
  if (wide.empty()) return {};
  if (wide.size() > INT_MAX) return {};
  int length = WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                   nullptr, nullptr);
  std::string gbk(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(936, 0, wide.data(), static_cast<int>(wide.size()), gbk.data(), length,
                      nullptr, nullptr);
  return gbk;
}

}  // namespace kvx
