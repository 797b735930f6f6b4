// The registry wrapper against the platform's registry, in a scratch key of
// its own: values come back with the type and bytes they were written with,
// texts are read safely whatever their terminators and byte counts, a read
// that fails or meets another type leaves the caller's value alone, and keys
// are listed, copied and deleted whole.
#include "toolkit/Win.h"

#include "toolkit/Registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace kvx {
namespace {

constexpr wchar_t ScratchPath[] = L"Software\\Korvexa\\RegistryTests";

TRegistryValue Raw(DWORD type, std::vector<BYTE> data) {
  return TRegistryValue{type, std::move(data)};
}

// The bytes of UTF-16 text as stored, without a terminator unless it is written.
std::vector<BYTE> Bytes(std::wstring_view text) {
  const auto* first = reinterpret_cast<const BYTE*>(text.data());
  return std::vector<BYTE>(first, first + text.size() * sizeof(wchar_t));
}

std::vector<std::wstring> Sorted(std::vector<std::wstring> names) {
  std::sort(names.begin(), names.end());
  return names;
}

class RegistryTest : public ::testing::Test {
 protected:
  // Cleared with the platform's own call, so that a fault of the wrapper's
  // delete cannot leave one test's values to the next.
  void SetUp() override {
    RegDeleteTreeW(HKEY_CURRENT_USER, ScratchPath);
    FKey = CreateRegKey(HKEY_CURRENT_USER, ScratchPath, KEY_ALL_ACCESS);
    ASSERT_TRUE(FKey);
  }
  void TearDown() override {
    FKey.Reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, ScratchPath);
  }
  HKEY Key() const { return FKey.Get(); }

  TUniqueRegKey FKey;
};

TEST_F(RegistryTest, EveryTypeComesBackWithItsTypeAndBytes) {
  const struct {
    const wchar_t* name;
    TRegistryValue value;
    std::vector<BYTE> stored;  // the bytes the platform must hold
  } cases[] = {
      {L"dword", TRegistryValue::Dword(0x12345678), {0x78, 0x56, 0x34, 0x12}},
      {L"text", TRegistryValue::Text(L"ab"), Bytes(std::wstring_view(L"ab\0", 3))},
      {L"empty text", TRegistryValue::Text(L""), {0, 0}},
      {L"expand", TRegistryValue::Text(L"%TEMP%", REG_EXPAND_SZ),
       Bytes(std::wstring_view(L"%TEMP%\0", 7))},
      {L"list", TRegistryValue::MultiText({L"a", L"bc"}),
       Bytes(std::wstring_view(L"a\0bc\0\0", 6))},
      {L"empty list", TRegistryValue::MultiText({}), {0, 0}},
      {L"binary", Raw(REG_BINARY, {1, 0, 255}), {1, 0, 255}},
      {L"no bytes", Raw(REG_BINARY, {}), {}},
      {L"qword", Raw(REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}), {1, 2, 3, 4, 5, 6, 7, 8}},
      {L"", TRegistryValue::Text(L"default"), Bytes(std::wstring_view(L"default\0", 8))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "value \"" << c.name << "\"");
    EXPECT_EQ(c.value.Data, c.stored);
    ASSERT_TRUE(WriteRegValue(Key(), c.name, c.value));
    // Read back by the platform itself, then by the wrapper.
    DWORD type = REG_NONE;
    std::vector<BYTE> stored(64);
    DWORD size = static_cast<DWORD>(stored.size());
    ASSERT_EQ(RegQueryValueExW(Key(), c.name, nullptr, &type, stored.data(), &size), ERROR_SUCCESS);
    stored.resize(size);
    EXPECT_EQ(type, c.value.Type);
    EXPECT_EQ(stored, c.stored);
    TRegistryValue read;
    LONG error = ERROR_INVALID_FUNCTION;
    ASSERT_TRUE(ReadRegValue(Key(), c.name, read, &error));
    EXPECT_EQ(error, ERROR_SUCCESS);
    EXPECT_EQ(read, c.value);
  }
}

TEST_F(RegistryTest, TypedReadsTakeTheirOwnTypeAndRefuseEveryOther) {
  const struct {
    const wchar_t* name;
    TRegistryValue value;
    std::optional<DWORD> number;
    std::optional<std::wstring> text;
  } cases[] = {
      {L"dword", TRegistryValue::Dword(7), 7u, std::nullopt},
      {L"text", TRegistryValue::Text(L"seven"), std::nullopt, L"seven"},
      {L"expand", TRegistryValue::Text(L"%x%", REG_EXPAND_SZ), std::nullopt, L"%x%"},
      {L"list", TRegistryValue::MultiText({L"seven"}), std::nullopt, std::nullopt},
      {L"four binary bytes", Raw(REG_BINARY, {7, 0, 0, 0}), std::nullopt, std::nullopt},
      {L"short dword", Raw(REG_DWORD, {7, 0}), std::nullopt, std::nullopt},
      {L"long dword", Raw(REG_DWORD, {7, 0, 0, 0, 0}), std::nullopt, std::nullopt},
      {L"qword", Raw(REG_QWORD, {7, 0, 0, 0, 0, 0, 0, 0}), std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "value \"" << c.name << "\"");
    ASSERT_TRUE(WriteRegValue(Key(), c.name, c.value));
    DWORD number = 99;
    EXPECT_EQ(ReadRegDword(Key(), c.name, number), c.number.has_value());
    EXPECT_EQ(number, c.number.value_or(99));  // untouched when refused
    std::wstring text = L"before";
    EXPECT_EQ(ReadRegText(Key(), c.name, text), c.text.has_value());
    EXPECT_EQ(text, c.text.value_or(L"before"));
  }
}

TEST_F(RegistryTest, TextsAreReadSafelyWhateverTheirTerminatorsAndByteCounts) {
  const struct {
    const char* what;
    std::vector<BYTE> bytes;
    std::wstring text;
    std::vector<std::wstring> list;  // the same bytes as a REG_MULTI_SZ
  } cases[] = {
      {"terminated", Bytes(std::wstring_view(L"ab\0", 3)), L"ab", {L"ab"}},
      {"no terminator", Bytes(L"ab"), L"ab", {L"ab"}},
      {"an odd last byte", {'a', 0, 'b', 0, 'c'}, L"ab", {L"ab"}},
      {"one byte", {'a'}, L"", {}},
      {"no bytes", {}, L"", {}},
      {"text after a terminator", Bytes(std::wstring_view(L"a\0b\0", 4)), L"a", {L"a", L"b"}},
      {"list without its end", Bytes(std::wstring_view(L"a\0bc", 4)), L"a", {L"a", L"bc"}},
      {"empty texts between", Bytes(std::wstring_view(L"a\0\0b\0\0", 6)), L"a", {L"a", L"b"}},
      {"only terminators", {0, 0, 0, 0}, L"", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(WriteRegValue(Key(), L"sz", Raw(REG_SZ, c.bytes)));
    std::wstring text = L"before";
    EXPECT_TRUE(ReadRegText(Key(), L"sz", text));
    EXPECT_EQ(text, c.text);
    ASSERT_TRUE(WriteRegValue(Key(), L"multi", Raw(REG_MULTI_SZ, c.bytes)));
    TRegistryValue list;
    ASSERT_TRUE(ReadRegValue(Key(), L"multi", list));
    EXPECT_EQ(list.ToMultiText(), c.list);
  }
}

TEST_F(RegistryTest, AMissingValueOrKeyLeavesTheOutValueAndSaysWhy) {
  TRegistryValue value = TRegistryValue::Text(L"before");
  LONG error = ERROR_SUCCESS;
  EXPECT_FALSE(ReadRegValue(Key(), L"missing", value, &error));
  EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(value, TRegistryValue::Text(L"before"));
  DWORD number = 99;
  EXPECT_FALSE(ReadRegDword(Key(), L"missing", number));
  EXPECT_EQ(number, 99u);
  std::wstring text = L"before";
  EXPECT_FALSE(ReadRegText(Key(), L"missing", text));
  EXPECT_EQ(text, L"before");

  error = ERROR_SUCCESS;
  EXPECT_FALSE(OpenRegKey(Key(), L"missing", KEY_READ, &error));
  EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(OpenRegKey(Key(), L"missing", KEY_READ));  // and without asking why
  EXPECT_TRUE(ListRegSubkeys(Key()).empty());             // opening created nothing
}

TEST_F(RegistryTest, KeysAreCreatedWithTheirParentsListedCopiedAndDeletedWhole) {
  LONG error = ERROR_INVALID_FUNCTION;
  TUniqueRegKey deep = CreateRegKey(Key(), L"source\\inner\\deep", KEY_ALL_ACCESS, &error);
  ASSERT_TRUE(deep);
  EXPECT_EQ(error, ERROR_SUCCESS);
  ASSERT_TRUE(WriteRegValue(deep.Get(), L"d", TRegistryValue::Dword(3)));
  TUniqueRegKey source = OpenRegKey(Key(), L"source", KEY_ALL_ACCESS);
  ASSERT_TRUE(source);
  ASSERT_TRUE(CreateRegKey(source.Get(), L"other", KEY_READ));
  for (const wchar_t* name : {L"", L"x", L"y"})
    ASSERT_TRUE(WriteRegValue(source.Get(), name, TRegistryValue::Text(name)));
  EXPECT_EQ(Sorted(ListRegSubkeys(source.Get())), (std::vector<std::wstring>{L"inner", L"other"}));
  EXPECT_EQ(Sorted(ListRegValues(source.Get())), (std::vector<std::wstring>{L"", L"x", L"y"}));
  EXPECT_TRUE(ListRegSubkeys(nullptr).empty());
  EXPECT_TRUE(ListRegValues(nullptr).empty());

  TUniqueRegKey target = CreateRegKey(Key(), L"target", KEY_ALL_ACCESS);
  ASSERT_TRUE(CopyRegTree(source.Get(), target.Get()));
  EXPECT_EQ(Sorted(ListRegValues(target.Get())), (std::vector<std::wstring>{L"", L"x", L"y"}));
  DWORD copied = 0;
  EXPECT_TRUE(ReadRegDword(OpenRegKey(target.Get(), L"inner\\deep", KEY_READ).Get(), L"d", copied));
  EXPECT_EQ(copied, 3u);

  deep.Reset();
  source.Reset();
  EXPECT_TRUE(DeleteRegTree(Key(), L"source"));
  EXPECT_FALSE(OpenRegKey(Key(), L"source", KEY_READ));
  EXPECT_TRUE(DeleteRegTree(Key(), L"source"));  // gone already: nothing left is success
  EXPECT_EQ(ListRegSubkeys(Key()), std::vector<std::wstring>{L"target"});
}

TEST_F(RegistryTest, DeletesTakeOnlyWhatTheyName) {
  ASSERT_TRUE(WriteRegValue(Key(), L"gone", TRegistryValue::Dword(1)));
  ASSERT_TRUE(WriteRegValue(Key(), L"kept", TRegistryValue::Dword(2)));
  ASSERT_TRUE(CreateRegKey(Key(), L"child", KEY_READ));
  EXPECT_TRUE(DeleteRegValue(Key(), L"gone"));
  EXPECT_TRUE(DeleteRegValue(Key(), L"gone"));  // no such value left either way
  EXPECT_EQ(ListRegValues(Key()), std::vector<std::wstring>{L"kept"});
  // An empty path would name the key itself and empty it.
  EXPECT_FALSE(DeleteRegTree(Key(), L""));
  EXPECT_EQ(ListRegValues(Key()), std::vector<std::wstring>{L"kept"});
  EXPECT_EQ(ListRegSubkeys(Key()), std::vector<std::wstring>{L"child"});
}

}  // namespace
}  // namespace kvx
