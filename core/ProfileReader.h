#pragma once
// Reads INI-format profile files the way the platform's GetPrivateProfileString
// reads them, with one difference that matters here: 8-bit files are always
// decoded as GBK (code page 936), never as the machine's ANSI code page.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace kvx {

// How much of a profile file is read: the settings of korvexa.ini fill a few
// hundred bytes, and an enormous or endless file must cost neither unbounded
// memory nor time. Past this many bytes the file counts as ended, and a line
// the bound cuts through is not read either.
inline constexpr std::size_t MaxProfileFileBytes = std::size_t{4} << 20;

class TProfileReader {
 public:
  // An empty reader answers every read with its default, like a missing file.
  TProfileReader() = default;

  // The file's whole content as stored: GBK, or UTF-8/UTF-16LE with a byte-order mark.
  static TProfileReader FromBytes(std::string_view bytes);

  // Reads the file, at most MaxProfileFileBytes of it; a missing or
  // unreadable file gives an empty reader.
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
