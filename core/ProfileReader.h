#pragma once
// Reads INI-format profile files the way the platform's GetPrivateProfileString
// reads them, with one difference that matters here: 8-bit files are always
// decoded as GBK (code page 936), never as the machine's ANSI code page.

#include <filesystem>
#include <string>
#include <string_view>

namespace kvx {

class TProfileReader {
 public:
  // An empty reader answers every read with its default, like a missing file.
  TProfileReader() = default;

  // The file's whole content as stored: GBK, or UTF-8/UTF-16LE with a byte-order mark.
  static TProfileReader FromBytes(std::string_view bytes);

  // Reads the file; a missing or unreadable file gives an empty reader.
  static TProfileReader FromFile(const std::filesystem::path& path);

  // The value of key in section, or defaultValue (trailing blanks removed) when the
  // section, the key or its '=' is missing. Names match without regard to ASCII case;
  // blanks around names and values are ignored; one pair of matching single or
  // double quotes around a value is removed. Texts are GBK.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;

 private:
  std::wstring FText;  // decoded file content
};

}  // namespace kvx
