#pragma once
// The text protocol between the shell and the launcher bar: comma texts of
// 8-bit GBK items carried by WM_COPYDATA. Kept free of the platform so the
// grammar can be tested as a table and fuzzed.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kvx {

// The bytes of a received message that belong to its text: at most size
// bytes from data, up to the first NUL among them. A sender that leaves out
// the NUL must not make us read past its buffer. Null data gives an empty view.
std::string_view LauncherMessageText(const void* data, std::size_t size) noexcept;

// Splits a comma text into items. Blanks and control characters (1 to 32)
// around items are skipped and end unquoted items; a quoted item runs to its
// closing quote, two quotes inside standing for one, or to the end of the
// text when none follows; a comma that is the text's last character adds an
// empty item. The text ends at its first NUL. A GBK lead byte takes the byte
// after it into the same character, as the platform steps GBK text.
std::vector<std::string> SplitLauncherText(std::string_view text);

// Quotes an item so that SplitLauncherText gives it back as one item.
std::string QuoteLauncherItem(std::string_view item);

enum class TLauncherCommand {
  lcMaximise,  // "最大化"
  lcRestore,   // "还原": the same toggle as lcMaximise
  lcToFront,   // "最前"
  lcPosition,  // "位置"
  lcClose,     // "关闭"
  lcAddress,   // anything else: an address to navigate to
};

// The GBK texts of the commands, compared byte for byte.
inline constexpr std::string_view LauncherMaximiseText = "\xD7\xEE\xB4\xF3\xBB\xAF";  // 最大化
inline constexpr std::string_view LauncherRestoreText = "\xBB\xB9\xD4\xAD";           // 还原
inline constexpr std::string_view LauncherToFrontText = "\xD7\xEE\xC7\xB0";           // 最前
inline constexpr std::string_view LauncherPositionText = "\xCE\xBB\xD6\xC3";          // 位置
inline constexpr std::string_view LauncherCloseText = "\xB9\xD8\xB1\xD5";             // 关闭

// What a message of exactly one item asks for.
TLauncherCommand ClassifyLauncherItem(std::string_view item) noexcept;

// The geometry report: left "," top "," width "," height.
std::string FormatGeometryReport(std::int32_t left, std::int32_t top, std::int32_t width,
                                 std::int32_t height);

// A dock geometry message converted item by item: Values[0 .. Converted) are
// left, top, offset and height in that order. When Converted is below 4 the
// conversion stopped at item Converted + 1 and Error says why (GBK text);
// the values before it were converted and are to be kept.
struct TDockConversion {
  std::array<std::int32_t, 4> Values{};
  std::size_t Converted = 0;
  std::string Error;
  bool Complete() const noexcept { return Converted == Values.size(); }
};

// Items after the fourth are ignored.
TDockConversion ConvertDockGeometry(const std::vector<std::string>& items);

}  // namespace kvx
