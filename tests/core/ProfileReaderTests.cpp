#include "core/CodePage.h"
#include "core/ProfileReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace kvx {
namespace {

// GBK spellings of the names korvexa.ini uses.
const std::string kSystem = "\xCF\xB5\xCD\xB3\xC9\xE8\xD6\xC3";  // 系统设置
const std::string kServer = "\xB7\xFE\xCE\xF1\xC6\xF7";          // 服务器
const std::string kAddress = "\xB5\xD8\xD6\xB7";                 // 地址
const std::string kMulti = "\xD4\xCA\xD0\xED\xB6\xE0\xBF\xAA";   // 允许多开
const std::string kYes = "\xCA\xC7";                             // 是
const std::string kNo = "\xB7\xF1";                              // 否

struct ProfileCase {
  const char* name;
  std::string file;
  std::string section;
  std::string key;
  std::string expected;
};

class ProfileFile : public ::testing::Test {
 protected:
  std::filesystem::path Write(const std::string& bytes) {
    auto path = std::filesystem::temp_directory_path() /
                ("korvexa-profile-" + std::to_string(++FCount) + ".ini");
    std::ofstream(path, std::ios::binary) << bytes;
    FPaths.push_back(path);
    return path;
  }
  void TearDown() override {
    for (auto& p : FPaths) std::filesystem::remove(p);
  }

 private:
  int FCount = 0;
  std::vector<std::filesystem::path> FPaths;
};

// Each case is checked against our reader and, on Windows, against the
// platform's own reader on the same file (the tests run with code page 936).
TEST_F(ProfileFile, ReadsLikeThePlatformReader) {
  const std::string server = "[" + kServer + "]\r\n";
  const ProfileCase cases[] = {
      {"plain GBK names", server + kAddress + "=http://erp.example/\r\n", kServer, kAddress,
       "http://erp.example/"},
      {"missing key", server + "x=1\r\n", kServer, kAddress, "dflt"},
      {"missing section", "[other]\r\n" + kAddress + "=a\r\n", kServer, kAddress, "dflt"},
      {"blanks around key and value", server + "  " + kAddress + " \t=  a b  \r\n", kServer,
       kAddress, "a b"},
      {"double quotes removed", server + kAddress + "=\" a \"\r\n", kServer, kAddress, " a "},
      {"single quotes removed", server + kAddress + "='x'\r\n", kServer, kAddress, "x"},
      {"unmatched quotes kept", server + kAddress + "=\"x'\r\n", kServer, kAddress, "\"x'"},
      {"lone quote kept", server + kAddress + "=\"\r\n", kServer, kAddress, "\""},
      {"empty value is not the default", server + kAddress + "=\r\n", kServer, kAddress, ""},
      {"key without '=' gives the default", server + kAddress + "\r\n", kServer, kAddress, "dflt"},
      {"ASCII case ignored", "[Net]\nHost=h\n", "nET", "HOST", "h"},
      {"first of two keys", server + kAddress + "=1\n" + kAddress + "=2\n", kServer, kAddress, "1"},
      {"first of two sections", server + "k=1\n[" + kServer + "]\n" + kAddress + "=2\n", kServer,
       kAddress, "dflt"},
      {"LF only, last line without newline", "[s]\nk=v", "s", "k", "v"},
      {"GBK value", server + kAddress + "=" + kYes + "\n", kServer, kAddress, kYes},
      {"keys before any section", kAddress + "=x\n" + server, kServer, kAddress, "dflt"},
      {"comment-like key is just a key", server + ";" + kAddress + "=x\n", kServer, kAddress,
       "dflt"},
      {"section line with text after ]", "[s] junk\nk=v\n", "s", "k", "v"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto path = Write(c.file);
    EXPECT_EQ(TProfileReader::FromFile(path).ReadString(c.section, c.key, "dflt"), c.expected);
#ifdef _WIN32
    char buffer[256] = {};
    GetPrivateProfileStringA(c.section.c_str(), c.key.c_str(), "dflt", buffer, sizeof buffer,
                             path.string().c_str());
    EXPECT_EQ(std::string(buffer), c.expected) << "the platform reader disagrees";
#endif
  }
}

TEST_F(ProfileFile, ReadsOnlyUpToItsBound) {
  const std::string server = "[" + kServer + "]\r\n";
  // Filler lines up to `size` bytes in all after the section header.
  auto filled = [&](std::size_t size) {
    std::string text = server;
    const std::string line = "filler=0123456789012345678901234567890123456789\r\n";
    while (text.size() + line.size() <= size) text += line;
    text.append(size - text.size(), ';');
    return text;
  };
  const std::string key = kAddress + "=http://erp.example/\r\n";
  const ProfileCase cases[] = {
      {"key ending at the bound", filled(MaxProfileFileBytes - 2 - key.size()) + "\r\n" + key,
       kServer, kAddress, "http://erp.example/"},
      {"key past the bound", filled(MaxProfileFileBytes + (1u << 20)) + "\r\n" + key, kServer,
       kAddress, "dflt"},
      // Neither a value cut short nor half a character is read.
      {"key cut by the bound", filled(MaxProfileFileBytes - 8) + "\r\n" + key, kServer, kAddress,
       "dflt"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(TProfileReader::FromFile(Write(c.file)).ReadString(c.section, c.key, "dflt"),
              c.expected);
  }

  // An enormous file, holes all but its first line: read as far as the bound only.
  std::filesystem::path sparse = Write(server + key);
  std::filesystem::resize_file(sparse, std::uintmax_t{5} << 30);
  EXPECT_EQ(TProfileReader::FromFile(sparse).ReadString(kServer, kAddress, "dflt"),
            "http://erp.example/");
#ifndef _WIN32
  // A file without end.
  if (std::filesystem::exists("/dev/zero"))
    EXPECT_EQ(TProfileReader::FromFile("/dev/zero").ReadString(kServer, kAddress, "dflt"), "dflt");
#endif
}

TEST_F(ProfileFile, MissingFileGivesDefaultsWithTrailingBlanksRemoved) {
  auto reader =
      TProfileReader::FromFile(std::filesystem::temp_directory_path() / "no-such-korvexa.ini");
  EXPECT_EQ(reader.ReadString(kSystem, kMulti, kNo), kNo);
  EXPECT_EQ(reader.ReadString("a", "b", "host  "), "host");
}

TEST(ProfileReader, YesMatchesOnlyExactly) {
  // The reader returns values as they are; the shell compares the whole value.
  const std::string file = "[" + kSystem + "]\n" + kMulti + "=" + kYes + " \n";
  EXPECT_EQ(TProfileReader::FromBytes(file).ReadString(kSystem, kMulti, kNo), kYes);
  for (const std::string& v : {std::string("yes"), kYes + kYes, kNo, std::string("\xCA\xC7x")}) {
    auto r = TProfileReader::FromBytes("[" + kSystem + "]\n" + kMulti + "=" + v + "\n");
    EXPECT_NE(r.ReadString(kSystem, kMulti, kNo), kYes) << v;
  }
}

TEST(ProfileReader, ByteOrderMarksSelectTheEncoding) {
  // UTF-8 with a BOM: values come back as GBK.
  const std::string utf8 =
      "\xEF\xBB\xBF[\xE6\x9C\x8D\xE5\x8A\xA1\xE5\x99\xA8]\n"  // [服务器]
      "\xE5\x9C\xB0\xE5\x9D\x80=\xE6\x98\xAF\n";              // 地址=是
  EXPECT_EQ(TProfileReader::FromBytes(utf8).ReadString(kServer, kAddress, "d"), kYes);

  std::wstring wide = L"\xFEFF[" + GbkToWide(kServer) + L"]\r\n" + GbkToWide(kAddress) + L"=v\r\n";
  std::string utf16;
  for (wchar_t c : wide) {
    utf16.push_back(static_cast<char>(c & 0xFF));
    utf16.push_back(static_cast<char>((c >> 8) & 0xFF));
  }
  EXPECT_EQ(TProfileReader::FromBytes(utf16).ReadString(kServer, kAddress, "d"), "v");
}

TEST(ProfileReader, BracketAsGbkTrailByteDoesNotEndTheSectionName) {
  // 臷 is 0xC5 0x5D in GBK: its second byte is ']' when read byte by byte.
  const std::string name = "\xC5\x5D";
  const std::string file = "[" + name + "]\nk=v\n";
  EXPECT_EQ(TProfileReader::FromBytes(file).ReadString(name, "k", "d"), "v");
}

TEST(ProfileReader, BinaryTextGivesTheDefaultAHugeTextIsReadToItsEndAndANulEndsAValue) {
  std::string binary;
  for (int i = 0; i < 70000; ++i) binary.push_back(static_cast<char>((i * 7919) & 0xFF));
  EXPECT_EQ(TProfileReader::FromBytes(binary).ReadString(kServer, kAddress, "d"), "d");

  // A huge file whose wanted key is at the very end, without a final newline.
  std::string huge = "[" + kServer + "]\n";
  huge.reserve(40u << 20);
  while (huge.size() < (40u << 20)) huge += "filler=0123456789012345678901234567890123456789\n";
  huge += kAddress + "=end";
  EXPECT_EQ(TProfileReader::FromBytes(huge).ReadString(kServer, kAddress, "d"), "end");

  // Embedded NULs end names and values, as C strings would.
  const std::string nul("[s]\nk=ab\0cd\n", 13);
  EXPECT_EQ(TProfileReader::FromBytes(nul).ReadString("s", "k", "d"), "ab");
  EXPECT_EQ(TProfileReader::FromBytes("").ReadString("s", "k", "d"), "d");
}

}  // namespace
}  // namespace kvx
