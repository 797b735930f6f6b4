#include "core/ProfileReader.h"

#include "core/CodePage.h"

#include <fstream>

namespace kvx {
namespace {

// The platform reader treats Ctrl+Z (an old end-of-file marker) as a blank too.
bool IsProfileBlank(wchar_t c) {
  return c == L' ' || (c >= L'\t' && c <= L'\r') || c == 0x1A;
}

wchar_t FoldAscii(wchar_t c) {
  return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
}

// A name read from the file ends at an embedded NUL, as the C string it becomes.
std::wstring_view UpToNul(std::wstring_view s) {
  size_t nul = s.find(L'\0');
  return nul == std::wstring_view::npos ? s : s.substr(0, nul);
}

bool NamesEqual(std::wstring_view fromFile, std::wstring_view wanted) {
  fromFile = UpToNul(fromFile);
  if (fromFile.size() != wanted.size()) return false;
  for (size_t i = 0; i < wanted.size(); ++i)
    if (FoldAscii(fromFile[i]) != FoldAscii(wanted[i])) return false;
  return true;
}

std::wstring_view TrimProfileBlanks(std::wstring_view s) {
  while (!s.empty() && IsProfileBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsProfileBlank(s.back())) s.remove_suffix(1);
  return s;
}

// Returns the next line of text and advances past it. Lines end at LF; a text
// without any LF left is split at CR instead (as the platform reader does).
std::wstring_view NextLine(std::wstring_view& rest) {
  size_t end = rest.find(L'\n');
  if (end == std::wstring_view::npos) end = rest.find(L'\r');
  std::wstring_view line = rest.substr(0, end);
  rest = end == std::wstring_view::npos ? std::wstring_view{} : rest.substr(end + 1);
  return line;
}

std::string TrimDefault(std::string_view value) {
  while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
  return std::string(value);
}

}  // namespace

TProfileReader TProfileReader::FromBytes(std::string_view bytes) {
  TProfileReader reader;
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    reader.FText = Utf8ToWide(bytes.substr(3));
  } else if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE") {
    bytes.remove_prefix(2);
    reader.FText.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
      reader.FText.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                                  static_cast<unsigned char>(bytes[i + 1]) << 8));
  } else {
    reader.FText = GbkToWide(bytes);
  }
  return reader;
}

TProfileReader TProfileReader::FromFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return {};
  // One byte past the bound tells a file that ends there from one that goes on.
  std::string bytes(MaxProfileFileBytes + 1, '\0');
  file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(file.gcount()));
  if (bytes.size() <= MaxProfileFileBytes) return FromBytes(bytes);

  bytes.resize(MaxProfileFileBytes);
  TProfileReader reader = FromBytes(bytes);
  // The line the bound cuts through is not read: neither a value cut short
  // nor half a character.
  const std::size_t lineEnd = reader.FText.find_last_of(L"\r\n");
  reader.FText.resize(lineEnd == std::wstring::npos ? 0 : lineEnd + 1);
  return reader;
}

std::string TProfileReader::ReadString(std::string_view section, std::string_view key,
                                       std::string_view defaultValue) const {
  const std::wstring wantedSection = GbkToWide(section);
  const std::wstring wantedKey = GbkToWide(key);

  std::wstring_view rest = FText;
  bool inSection = false;
  bool sectionSeen = false;
  while (!rest.empty()) {
    std::wstring_view line = NextLine(rest);
    while (!line.empty() && IsProfileBlank(line.front())) line.remove_prefix(1);
    if (line.empty()) continue;

    if (line.front() == L'[') {
      size_t close = line.rfind(L']');
      if (close != std::wstring_view::npos) {
        // Only the first section of a name counts; its keys are searched, later
        // sections with the same name are not.
        if (sectionSeen) break;
        inSection = NamesEqual(line.substr(1, close - 1), wantedSection);
        sectionSeen = inSection;
        continue;
      }
    }
    if (!inSection) continue;

    while (!line.empty() && IsProfileBlank(line.back())) line.remove_suffix(1);
    size_t equals = line.find(L'=');
    std::wstring_view name = TrimProfileBlanks(line.substr(0, equals));
    if (!NamesEqual(name, wantedKey)) continue;
    if (equals == std::wstring_view::npos) break;  // a key without '=' has no value

    std::wstring_view value = TrimProfileBlanks(line.substr(equals + 1));
    value = UpToNul(value);
    if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return WideToGbk(value);
  }
  return TrimDefault(defaultValue);
}

}  // namespace kvx
