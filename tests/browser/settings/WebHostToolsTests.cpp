// The component's platform tools under Wine: the proxy tools as they reach
// WinINet and as its options read back, the navigation-sound rename, the
// version test, GBK-aware character search, task-memory copies, the libraries
// loaded on demand and OLE for the library's lifetime.
#include "toolkit/Win.h"

#include "browser/component/WebHostUnit.h"
#include "browser/dochost/PlatformLibraries.h"
#include "browser/settings/NavigationSound.h"
#include "browser/settings/ProxySettings.h"
#include "core/Text.h"
#include "toolkit/Registry.h"
#include "toolkit/SystemVersion.h"
#include "toolkit/TaskMemory.h"
#include "tests/support/ToolsTestSupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <htmlhelp.h>
#include <wrl/client.h>

#include <string>
#include <thread>

namespace kvx::test {
namespace {

using ::testing::ElementsAre;

const TRecordedOption Flags3{INTERNET_PER_CONN_FLAGS, PROXY_TYPE_DIRECT | PROXY_TYPE_PROXY,
                             std::nullopt};
TRecordedOption Server(std::wstring text) {
  return {INTERNET_PER_CONN_PROXY_SERVER, 0, std::move(text)};
}
const TRecordedOption LocalBypass{INTERNET_PER_CONN_PROXY_BYPASS, 0, L"<local>"};

class WebHostToolsTest : public ::testing::Test {
 protected:
  // The option list, then the refresh, both on the session the tool opened.
  void ExpectProxySet(const TWinInetRecorder& recorder, const std::wstring& server) {
    ASSERT_EQ(recorder.Sessions.size(), 1u);
    ASSERT_NE(recorder.Sessions[0], nullptr);
    ASSERT_EQ(recorder.Sets.size(), 2u);
    const TRecordedSetOption& list = recorder.Sets[0];
    EXPECT_EQ(list.Handle, recorder.Sessions[0]);
    EXPECT_EQ(list.Option, static_cast<DWORD>(INTERNET_OPTION_PER_CONNECTION_OPTION));
    // The platform's own record size: 32 bytes in a 64-bit program, not 20.
    EXPECT_EQ(list.Length, sizeof(INTERNET_PER_CONN_OPTION_LISTW));
    EXPECT_EQ(list.ListSize, sizeof(INTERNET_PER_CONN_OPTION_LISTW));
    EXPECT_FALSE(list.NamedConnection);  // the LAN settings
    EXPECT_THAT(list.Options, ElementsAre(Flags3, Server(server), LocalBypass));
    EXPECT_EQ(recorder.Sets[1].Handle, recorder.Sessions[0]);
    EXPECT_EQ(recorder.Sets[1].Option, static_cast<DWORD>(INTERNET_OPTION_REFRESH));
  }

  TUserSettingsGuard FGuard;
};

TEST_F(WebHostToolsTest, SetProxyAndRemoveProxyPutTheOptionListInForce) {
  static_assert(sizeof(INTERNET_PER_CONN_OPTION_LISTW) == 32, "a 64-bit build");
  {
    TWinInetRecorder recorder;
    // GBK texts reach the platform as the characters they are.
    EXPECT_TRUE(SetProxy("\xB4\xFA\xC0\xED", "A:8080"));  // 代理
    EXPECT_THAT(recorder.Agents, ElementsAre(L"代理"));
    ExpectProxySet(recorder, L"A:8080");
  }
  // What the platform keeps of it (Wine reports the proxy type without the
  // direct bit and does not keep a bypass list it is given).
  TOptionsInForce inForce = OptionsInForce();
  EXPECT_TRUE(inForce.Flags & PROXY_TYPE_PROXY);
  EXPECT_EQ(inForce.ProxyServer, L"A:8080");

  {
    TWinInetRecorder recorder;
    EXPECT_TRUE(RemoveProxy());
    EXPECT_THAT(recorder.Agents, ElementsAre(L""));
    ExpectProxySet(recorder, L"");  // still flags 3, not 1
  }
  inForce = OptionsInForce();
  EXPECT_TRUE(inForce.Flags & PROXY_TYPE_PROXY);
  EXPECT_EQ(inForce.ProxyServer.value_or(L""), L"");
}

TEST_F(WebHostToolsTest, SetProxyWithLoginConnectsToTheProxyFirst) {
  {
    TWinInetRecorder recorder;
    // The port is cut to 16 bits: 0x10000 + 3128 connects to 3128.
    EXPECT_TRUE(SetProxyWithLogin("agent", "127.0.0.1", "\xD3\xC3\xBB\xA7", "secret",
                                  0x10000 + 3128));  // 用户
    ASSERT_EQ(recorder.Connects.size(), 1u);
    const TRecordedConnect& connect = recorder.Connects[0];
    EXPECT_EQ(connect.Session, recorder.Sessions.at(0));
    EXPECT_EQ(connect.Server, L"127.0.0.1");
    EXPECT_EQ(connect.Port, 3128);
    EXPECT_EQ(connect.UserName, L"用户");
    EXPECT_EQ(connect.Password, L"secret");
    EXPECT_EQ(connect.Service, static_cast<DWORD>(INTERNET_SERVICE_HTTP));
    EXPECT_THAT(recorder.Order, ElementsAre("open", "connect", "set 75", "set 37"));
    ExpectProxySet(recorder, L"127.0.0.1");  // the proxy text alone, no port
  }
  EXPECT_EQ(OptionsInForce().ProxyServer, L"127.0.0.1");

  // No connection handle (the platform refuses an empty server): nothing set.
  TWinInetRecorder recorder;
  EXPECT_FALSE(SetProxyWithLogin("agent", "", "user", "secret", 80));
  EXPECT_EQ(recorder.Connects.size(), 1u);
  EXPECT_TRUE(recorder.Sets.empty());
  EXPECT_EQ(OptionsInForce().ProxyServer, L"127.0.0.1");
}

TEST_F(WebHostToolsTest, MuteNavigationSoundRenamesTheSchemeAndBack) {
  const std::wstring current = std::wstring(NavigationSoundKey) + L"\\.Current";
  const std::wstring old = std::wstring(NavigationSoundKey) + L"\\Old_Current";
  DeleteRegTree(HKEY_CURRENT_USER, NavigationSoundKey);
  MuteNavigationSound(true);  // no scheme at all: nothing is created
  EXPECT_FALSE(KeyExists(std::wstring(NavigationSoundKey)));

  WriteText(current, L"", L"C:\\Windows\\Media\\click.wav");
  WriteNumber(current + L"\\Inner", L"Kept", 7);
  MuteNavigationSound(false);  // nothing muted: nothing happens
  EXPECT_TRUE(KeyExists(current));
  EXPECT_FALSE(KeyExists(old));

  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round == 0 ? "first mute" : "second mute finds no .Current");
    MuteNavigationSound(true);
    EXPECT_FALSE(KeyExists(current));
    EXPECT_EQ(ReadText(old, L""), L"C:\\Windows\\Media\\click.wav");
    EXPECT_EQ(ReadNumber(old + L"\\Inner", L"Kept"), 7u);  // the whole subtree moves
  }
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round == 0 ? "unmute" : "second unmute finds no Old_Current");
    MuteNavigationSound(false);
    EXPECT_FALSE(KeyExists(old));
    EXPECT_EQ(ReadText(current, L""), L"C:\\Windows\\Media\\click.wav");
    EXPECT_EQ(ReadNumber(current + L"\\Inner", L"Kept"), 7u);
  }
}

TEST(WebHostTools, IsWinXPSP2OrLaterOnThisPlatform) {
  EXPECT_TRUE(IsWinXPSP2OrLater());
}

TEST(WebHostTools, CharPositionComparesByteByByte) {
  struct Case {
    char character;
    std::string text;
    int position;
  };
  const Case cases[] = {
      {'N', "", 0},
      {'N', "N", 1},
      {'N', "abN", 3},
      {'n', "N", 0},     // case-sensitive
      {'N', "aNbN", 2},  // the first occurrence
      // Bytes, not GBK characters: the texts searched hold key codes, and
      // codes from 0x81 up are keys of their own.
      {'N', "\x81\x4E", 2},
      {'N', "\xBBN", 2},
      {'\xBD', "\xBB\xBD", 2},
      {'\xBB', "\xBB\xBD", 1},
      {'\x81', "a\x81", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(CharPosition(c.character, c.text), c.position);
  }
}

// Counts task-memory allocations and frees of this process.
class TMallocCounter : public IMallocSpy {
 public:
  TMallocCounter() { FRegistered = SUCCEEDED(CoRegisterMallocSpy(this)); }
  ~TMallocCounter() {
    if (FRegistered) CoRevokeMallocSpy();
  }
  bool Registered() const { return FRegistered; }
  long Outstanding() const { return FAllocated - FFreed; }
  long Allocated() const { return FAllocated; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    *object = riid == IID_IUnknown || riid == IID_IMallocSpy ? this : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the stack of the test
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override { return size; }
  void* STDMETHODCALLTYPE PostAlloc(void* actual) override {
    if (actual) ++FAllocated;
    return actual;
  }
  void* STDMETHODCALLTYPE PreFree(void* request, BOOL) override {
    if (request) ++FFreed;
    return request;
  }
  void STDMETHODCALLTYPE PostFree(BOOL) override {}
  SIZE_T STDMETHODCALLTYPE PreRealloc(void* request, SIZE_T size, void** newRequest,
                                      BOOL) override {
    *newRequest = request;
    return size;
  }
  void* STDMETHODCALLTYPE PostRealloc(void* actual, BOOL) override { return actual; }
  void* STDMETHODCALLTYPE PreGetSize(void* request, BOOL) override { return request; }
  SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T actual, BOOL) override { return actual; }
  void* STDMETHODCALLTYPE PreDidAlloc(void* request, BOOL) override { return request; }
  int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
  void STDMETHODCALLTYPE PreHeapMinimize() override {}
  void STDMETHODCALLTYPE PostHeapMinimize() override {}

 private:
  bool FRegistered = false;
  long FAllocated = 0;
  long FFreed = 0;
};

std::wstring PlatformGbk(const std::string& text) {
  int length = MultiByteToWideChar(936, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(936, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

TEST(WebHostTools, TaskMemoryCopiesAreWholeZeroTerminatedAndOneAllocationEach) {
  TOleInitialize ole;
  Microsoft::WRL::ComPtr<IMalloc> allocator;
  ASSERT_EQ(CoGetMalloc(1, &allocator), S_OK);
  TMallocCounter counter;
  ASSERT_TRUE(counter.Registered());
  const std::string texts[] = {"",
                               "a",
                               "body { color: red }",
                               "\xD6\xD0\xCE\xC4 CSS",  // 中文
                               "\xA1\xB0\x81\x40\xFE\x4F\xA1\xB1",
                               std::string(5000, 'x')};
  for (const std::string& text : texts) {
    SCOPED_TRACE(text.substr(0, 40));
    const std::wstring expected = PlatformGbk(text);
    for (bool fromWide : {false, true}) {
      long before = counter.Allocated();
      wchar_t* copy = fromWide ? WideToTaskMemWide(expected) : AnsiToTaskMemWide(text);
      ASSERT_NE(copy, nullptr);
      EXPECT_EQ(counter.Allocated() - before, 1);
      EXPECT_EQ(allocator->GetSize(copy), (expected.size() + 1) * sizeof(wchar_t));
      EXPECT_EQ(std::wstring(copy, expected.size()), expected);
      EXPECT_EQ(copy[expected.size()], L'\0');
      CoTaskMemFree(copy);  // as the control does
    }
  }
  EXPECT_EQ(counter.Outstanding(), 0);
}

TEST(WebHostTools, LibrariesLoadOnceAndHelpWithoutAFileShowsNothing) {
  HMODULE help = HtmlHelpModule();
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(HtmlHelpModule(), help);
  EXPECT_EQ(GetModuleHandleW(L"hhctrl.ocx"), help);
  EXPECT_EQ(CallHtmlHelp(nullptr, "C:\\missing\\none.chm", HH_DISPLAY_TOPIC, 0), nullptr);

  HMODULE resources = ShdoclcModule();
  ASSERT_NE(resources, nullptr);
  EXPECT_EQ(ShdoclcModule(), resources);
  EXPECT_EQ(GetModuleHandleW(L"SHDOCLC.DLL"), resources);
}

// OLE's apartment of a fresh thread as the library's start and end leave it.
TEST(WebHostTools, ComponentLibraryOleEndsOnlyWhatItStarted) {
  std::thread([] {
    {
      TComponentLibraryOle ole;
      EXPECT_EQ(ole.Result(), S_OK);
      APTTYPE type;
      APTTYPEQUALIFIER qualifier;
      ASSERT_EQ(CoGetApartmentType(&type, &qualifier), S_OK);
      EXPECT_TRUE(type == APTTYPE_STA || type == APTTYPE_MAINSTA);
    }
    // Ended: the thread can join the multithreaded apartment now.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    {
      // OLE cannot start in that apartment; its end must not end the
      // apartment the thread joined itself.
      TComponentLibraryOle ole;
      EXPECT_EQ(ole.Result(), RPC_E_CHANGED_MODE);
    }
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    EXPECT_EQ(CoGetApartmentType(&type, &qualifier), S_OK);
    EXPECT_EQ(type, APTTYPE_MTA);
    CoUninitialize();
  }).join();
}

}  // namespace
}  // namespace kvx::test
