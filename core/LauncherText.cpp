#include "core/LauncherText.h"

#include "core/CodePage.h"
#include "core/Text.h"

#include <cstring>
#include <optional>

namespace kvx {
namespace {

// Codes 1 to 32; NUL never gets here because the text ends at it.
bool IsBlank(char c) noexcept {
  return static_cast<unsigned char>(c) >= 1 && static_cast<unsigned char>(c) <= ' ';
}

// Bytes of the character at i: a lead byte takes its successor with it.
std::size_t CharLength(std::string_view text, std::size_t i) noexcept {
  return IsGbkLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

// An item as an error text quotes it: at most limit bytes, cut at a character
// boundary, "..." when cut. A lead byte that ends the item without its second
// byte is shown as '?': it would take the first byte of the text after it.
std::string QuotedItem(std::string_view item, std::size_t limit) {
  std::size_t i = 0, last = 0;
  while (i < item.size()) {
    std::size_t len = CharLength(item, i);
    if (i + len > limit) break;
    last = i;
    i += len;
  }
  std::string shown(item.substr(0, i));
  if (i - last == 1 && IsGbkLeadByte(static_cast<unsigned char>(item[last]))) shown.back() = '?';
  if (i < item.size()) shown += "...";
  return shown;
}

}  // namespace

std::string_view LauncherMessageText(const void* data, std::size_t size) noexcept {
  if (data == nullptr || size == 0) return {};
  const char* bytes = static_cast<const char*>(data);
  const void* nul = std::memchr(bytes, '\0', size);
  return {bytes, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - bytes) : size};
}

std::vector<std::string> SplitLauncherText(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  const std::size_t n = text.size();
  std::size_t i = 0;
  auto skipBlanks = [&] {
    while (i < n && IsBlank(text[i])) ++i;
  };

  std::vector<std::string> items;
  skipBlanks();
  while (i < n) {
    std::string item;
    if (text[i] == '"') {
      ++i;
      while (i < n) {
        if (text[i] == '"') {
          if (i + 1 < n && text[i + 1] == '"') {
            item.push_back('"');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        std::size_t len = CharLength(text, i);
        item.append(text.substr(i, len));
        i += len;
      }
    } else {
      while (i < n && !IsBlank(text[i]) && text[i] != ',') {
        std::size_t len = CharLength(text, i);
        item.append(text.substr(i, len));
        i += len;
      }
    }
    items.push_back(std::move(item));

    skipBlanks();
    if (i < n && text[i] == ',') {
      if (i + 1 == n) items.emplace_back();
      ++i;
      skipBlanks();
    }
  }
  return items;
}

std::string QuoteLauncherItem(std::string_view item) {
  std::string quoted = "\"";
  for (char c : item) {
    if (c == '"') quoted.push_back('"');
    quoted.push_back(c);
  }
  quoted.push_back('"');
  return quoted;
}

TLauncherCommand ClassifyLauncherItem(std::string_view item) noexcept {
  if (item == LauncherMaximiseText) return TLauncherCommand::lcMaximise;
  if (item == LauncherRestoreText) return TLauncherCommand::lcRestore;
  if (item == LauncherToFrontText) return TLauncherCommand::lcToFront;
  if (item == LauncherPositionText) return TLauncherCommand::lcPosition;
  if (item == LauncherCloseText) return TLauncherCommand::lcClose;
  return TLauncherCommand::lcAddress;
}

std::string FormatGeometryReport(std::int32_t left, std::int32_t top, std::int32_t width,
                                 std::int32_t height) {
  return std::to_string(left) + ',' + std::to_string(top) + ',' + std::to_string(width) + ',' +
         std::to_string(height);
}

TDockConversion ConvertDockGeometry(const std::vector<std::string>& items) {
  // 停靠位置消息无效：
  static constexpr std::string_view invalid =
      "\xCD\xA3\xBF\xBF\xCE\xBB\xD6\xC3\xCF\xFB\xCF\xA2\xCE\xDE\xD0\xA7\xA3\xBA";
  TDockConversion result;
  for (std::size_t i = 0; i < result.Values.size(); ++i) {
    if (i >= items.size()) {
      // 只有N项，需要4项。
      result.Error = std::string(invalid) + "\xD6\xBB\xD3\xD0" + std::to_string(items.size()) +
                     "\xCF\xEE\xA3\xAC\xD0\xE8\xD2\xAA"
                     "4"
                     "\xCF\xEE\xA1\xA3";
      return result;
    }
    std::optional<std::int32_t> value = ParseInt32(items[i]);
    if (!value) {
      // 第N项“...”不是整数。 The item is cut short: the box is no place for a page of junk.
      result.Error = std::string(invalid) + "\xB5\xDA" + std::to_string(i + 1) +
                     "\xCF\xEE\xA1\xB0" + QuotedItem(items[i], 64) +
                     "\xA1\xB1\xB2\xBB\xCA\xC7\xD5\xFB\xCA\xFD\xA1\xA3";
      return result;
    }
    result.Values[i] = *value;
    result.Converted = i + 1;
  }
  return result;
}

}  // namespace kvx
