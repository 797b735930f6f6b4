#include "core/CodePage.h"
#include "core/DocumentMode.h"

#include <gtest/gtest.h>

#include <string>

namespace kvx {
namespace {

struct ModeCase {
  const char* text;
  TDocumentModeKind kind;
  std::uint32_t mode;
};

TEST(DocumentMode, OnlyTheListedModesAndAutomaticAreValidAndBlankIsOff) {
  const auto Off = TDocumentModeKind::dmOff, Fixed = TDocumentModeKind::dmFixed,
             Auto = TDocumentModeKind::dmAutomatic, Bad = TDocumentModeKind::dmInvalid;
  const ModeCase cases[] = {
      {"", Off, 0},
      {" \t ", Off, 0},
      {"7000", Fixed, 7000},
      {"8888", Fixed, 8888},
      {"11001", Fixed, 11001},
      {" 10000\t", Fixed, 10000},
      {"\xD7\xD4\xB6\xAF", Auto, 0},  // 自动
      {" \xD7\xD4\xB6\xAF ", Auto, 0},
      {"\xD7\xD4", Bad, 0},  // half of it
      {"\xD7\xD4\xB6\xAF"
       "1",
       Bad, 0},
      {"11", Bad, 0},
      {"7001", Bad, 0},
      {"6000", Bad, 0},
      {"+7000", Bad, 0},
      {"07000", Bad, 0},
      {"0x2AF8", Bad, 0},  // 11000 in hex
      {"11000 11001", Bad, 0},
      {"auto", Bad, 0},
  };
  for (const ModeCase& c : cases) {
    SCOPED_TRACE(std::string("text: ") + c.text);
    TDocumentModeOption option = ParseDocumentMode(c.text);
    EXPECT_EQ(option.Kind, c.kind);
    EXPECT_EQ(option.Mode, c.mode);
    EXPECT_EQ(option.Error.empty(), c.kind != Bad);
  }
}

TEST(DocumentMode, AnUnknownValueNamesTheKeyTheValueAndEveryAllowedValue) {
  TDocumentModeOption option = ParseDocumentMode(" 12000 ");
  ASSERT_EQ(option.Kind, TDocumentModeKind::dmInvalid);
  EXPECT_EQ(GbkToWide(option.Error),
            L"korvexa.ini 中 [浏览器] 文档模式 的值“12000”无效，已忽略该设置。"
            L"允许的值：7000、8000、8888、9000、9999、10000、10001、11000、11001 或 自动。");
  // A GBK value is quoted whole, not cut inside a character.
  EXPECT_NE(ParseDocumentMode("\xD6\xD0\xCE\xC4").Error.find("\xA1\xB0\xD6\xD0\xCE\xC4\xA1\xB1"),
            std::string::npos);
}

struct EngineCase {
  const wchar_t* svcVersion;
  const wchar_t* version;
  std::uint32_t mode;
};

TEST(DocumentMode, AutomaticIsTheNewestModeOfTheInstalledEngineByItsVersion) {
  const EngineCase cases[] = {
      {L"11.0.9600.18376", L"9.11.9600.18376", 11000},
      {L"", L"9.11.9600.18376", 11000},  // no svcVersion: Version's minor tells
      {L"10.0.9200.16384", L"9.10.9200.16384", 10000},
      {L"", L"9.10.9200.16384", 10000},
      {L"", L"9.0.8112.16421", 9000},
      {L"", L"8.0.6001.18702", 8000},
      {L"", L"7.0.5730.13", 7000},
      {L"", L"6.0.2900.5512", 0},  // no document modes before 7
      {L"", L"", 0},
      {L"", L"x.1", 0},
      {L"garbled", L"8.0.6001", 8000},  // an unreadable svcVersion falls back
      {L"12.0.1", L"9.11.1", 11000},    // newer engines: the newest mode there is
      {L"11", L"", 11000},
      {L"99999999999999999999.0", L"", 0},
  };
  for (const EngineCase& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "svcVersion '" << c.svcVersion << "' version '" << c.version << "'");
    EXPECT_EQ(NewestDocumentMode(c.svcVersion, c.version), c.mode);
  }
}

}  // namespace
}  // namespace kvx
