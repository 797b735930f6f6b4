// Each kind of change has its handler, and keeps the tag its records are
// stored under: records outlive the shell that wrote them, and a tag read
// back must find the same kind in every later shell.
#include "toolkit/Win.h"

#include "browser/settings/JournalKind.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace kvx {
namespace {

TEST(JournalKind, EveryKindKeepsTheTagItsRecordsAreStoredUnder) {
  const struct {
    TJournalKind kind;
    const wchar_t* tag;
  } kinds[] = {
      {TJournalKind::jkProxy, L"Proxy"},
      {TJournalKind::jkNavigationSound, L"NavigationSound"},
      {TJournalKind::jkRegistryAgent, L"RegistryAgent"},
      {TJournalKind::jkBrowserEmulation, L"BrowserEmulation"},
  };
  for (const auto& c : kinds) {
    SCOPED_TRACE(testing::Message() << c.tag);
    const TJournalKindHandler& handler = HandlerOf(c.kind);
    EXPECT_EQ(handler.Kind, c.kind);
    EXPECT_EQ(std::wstring(handler.Tag), c.tag);
    EXPECT_EQ(HandlerOf(std::wstring_view(c.tag)), &handler);
  }
  EXPECT_EQ(HandlerOf(std::wstring_view(L"SomethingNewer")), nullptr);  // a newer shell's kind
}

}  // namespace
}  // namespace kvx
