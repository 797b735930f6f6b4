#pragma once
// Small text helpers for the system's 8-bit (GBK) texts.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kvx {

// Removes leading and trailing characters with codes 0 to 32 (blanks and
// control characters). Bytes of GBK characters are all above 32 and stay.
std::string_view TrimBlanks(std::string_view text) noexcept;

// Upper-cases a to z only; every other byte, GBK bytes included, is kept.
std::string AsciiUpperCase(std::string_view text);

// A signed decimal integer that fits 32 bits: an optional sign and at least
// one digit, nothing else. Anything else (blanks, hex, overflow) is nullopt.
std::optional<std::int32_t> ParseInt32(std::string_view text) noexcept;

// 1-based byte position of the first occurrence of `character` in the
// text, 0 when absent. Byte by byte, with no regard for GBK characters: the
// texts searched hold key codes, and a code from 0x81 up (the zoom keys' 0xBB
// and 0xBD among them) is a key of its own, not half of a character.
int CharPosition(char character, std::string_view text) noexcept;

// a + b, held at the 32-bit limits instead of wrapping around.
constexpr std::int32_t SaturatingAdd(std::int32_t a, std::int32_t b) noexcept {
  std::int64_t sum = static_cast<std::int64_t>(a) + b;
  if (sum > INT32_MAX) return INT32_MAX;
  if (sum < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(sum);
}

}  // namespace kvx
