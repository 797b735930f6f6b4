#pragma once
// Conversions between the system's 8-bit texts (GBK, code page 936) and the
// platform's UTF-16. Every conversion names code page 936 explicitly, so the
// shell reads its configuration and launcher messages the same way whatever
// the machine's ANSI code page is.

#include <string>
#include <string_view>

namespace kvx {

// GBK to UTF-16. Bytes that are not valid GBK become U+FFFD-like replacement
// characters chosen by the platform; nothing is dropped silently past them.
std::wstring GbkToWide(std::string_view gbk);

// UTF-16 to GBK. Characters that GBK cannot represent become '?'.
std::string WideToGbk(std::wstring_view wide);

// UTF-8 to UTF-16 (for files that announce UTF-8 with a byte-order mark).
// Malformed sequences become U+FFFD.
std::wstring Utf8ToWide(std::string_view utf8);

// True for a byte that starts a two-byte GBK character.
constexpr bool IsGbkLeadByte(unsigned char c) noexcept {
  return c >= 0x81 && c <= 0xFE;
}

}  // namespace kvx
