// The record of user-wide settings: several copies of the shell share a
// change and the last one puts back what was there before the first; what a
// killed copy left is put back at the next start; a copy that still runs, or
// a process that only reuses an ended copy's id, is told apart.
#include "toolkit/Win.h"

#include "browser/settings/DocumentMode.h"
#include "browser/settings/NavigationSound.h"
#include "browser/settings/ProxySettings.h"
#include "browser/settings/SettingsJournal.h"
#include "browser/settings/UserRegistryValues.h"
#include "core/CodePage.h"
#include "tests/support/Pump.h"
#include "tests/support/ToolsTestSupport.h"
#include "toolkit/Registry.h"

#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace kvx::test {
namespace {

const std::wstring JournalKey(TestJournalKey);
const std::wstring EmulationKey(BrowserEmulationKey);
const std::wstring CurrentSound = std::wstring(NavigationSoundKey) + L"\\.Current";
const std::wstring AgentName =
    L"User-agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)(Korvexa test)";
constexpr wchar_t ChildParentVariable[] = L"KORVEXA_JOURNAL_TEST_PARENT";

TProxySettings ProxyAt(const char* address) {
  TProxySettings settings;
  settings.Address = address;
  settings.Port = 8080;
  return settings;
}

// Text as the registry stores it: UTF-16 and one terminator.
std::vector<BYTE> StoredText(std::wstring_view text) {
  std::vector<BYTE> bytes((text.size() + 1) * sizeof(wchar_t), 0);
  std::memcpy(bytes.data(), text.data(), text.size() * sizeof(wchar_t));
  return bytes;
}

std::wstring NumberText(const std::optional<DWORD>& number) {
  return number ? std::to_wstring(*number) : L"(none)";
}

// A user-wide setting as one text, a way for copy 1 or 2 to change it, and
// a change someone else makes (the user, a VPN client, a login script).
struct TSubject {
  const char* Name;
  std::function<TJournalHold(TSettingsJournal&, int copy)> Hold;
  std::function<std::wstring()> State;
  std::function<void()> ChangeFromOutside;
};

const TSubject Subjects[] = {
    {"proxy",
     [](TSettingsJournal& journal, int copy) {
       return HoldProxySettings(ProxyAt(copy == 1 ? "A" : "B"), journal);
     },
     [] { return OptionsInForce().ProxyServer.value_or(L"(none)"); },
     [] {
       TProxySnapshot{PROXY_TYPE_PROXY, L"vpn:1080", std::nullopt, std::nullopt}.Restore();
     }},
    {"navigation sound",
     [](TSettingsJournal& journal, int) { return HoldMutedNavigationSound(journal); },
     [] {
       return KeyExists(CurrentSound) ? ReadText(CurrentSound, L"").value_or(L"(none)")
                                      : std::wstring(L"muted");
     },
     // The user picks a new click while ours is muted.
     [] { WriteText(CurrentSound, L"", L"theirs.wav"); }},
    {"browser emulation",
     [](TSettingsJournal& journal, int copy) {
       return HoldDocumentMode(copy == 1 ? 11001 : 9000, journal, L"t.exe");
     },
     [] { return NumberText(ReadNumber(EmulationKey, L"t.exe")); },
     [] { WriteNumber(EmulationKey, L"t.exe", 10000); }},
    {"registry agent",
     [](TSettingsJournal& journal, int) { return HoldRegistryAgent(AgentName, journal); },
     [] { return ReadText(std::wstring(PostPlatformKey), AgentName.c_str()).value_or(L"(none)"); },
     [] { WriteText(std::wstring(PostPlatformKey), AgentName.c_str(), L"theirs"); }},
};

class SettingsJournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The user's own state: a proxy, a click sound, a mode of their own for
    // t.exe and no agent of ours.
    ASSERT_TRUE(
        (TProxySnapshot{PROXY_TYPE_PROXY, L"corp:3128", std::nullopt, std::nullopt}.Restore()));
    WriteText(CurrentSound, L"", L"click.wav");
    WriteNumber(EmulationKey, L"t.exe", 7000);
    DeleteValue(std::wstring(PostPlatformKey), AgentName.c_str());
    for (const TSubject& subject : Subjects) FOriginal.push_back(subject.State());
  }

  std::vector<std::wstring> States() {
    std::vector<std::wstring> states;
    for (const TSubject& subject : Subjects) states.push_back(subject.State());
    return states;
  }
  static std::vector<std::wstring> Records() { return SubkeyNames(JournalKey); }

  TUserSettingsGuard FGuard;
  std::vector<std::wstring> FOriginal;
};

TEST_F(SettingsJournalTest, TheLastOfTwoCopiesPutsBackWhatWasThereBeforeTheFirst) {
  TChildProcess other;  // the second copy: a process that runs
  for (std::size_t i = 0; i < std::size(Subjects); ++i) {
    const TSubject& subject = Subjects[i];
    SCOPED_TRACE(subject.Name);
    TSettingsJournal first(JournalKey), second(JournalKey, other.Identity());
    TJournalHold firstHold = subject.Hold(first, 1);
    ASSERT_TRUE(firstHold.Held());
    EXPECT_NE(subject.State(), FOriginal[i]);
    TJournalHold secondHold = subject.Hold(second, 2);
    ASSERT_TRUE(secondHold.Held());
    const std::wstring changed = subject.State();

    EXPECT_FALSE(firstHold.Release());  // the other copy still relies on it
    EXPECT_EQ(subject.State(), changed);
    EXPECT_EQ(Records().size(), 1u);

    EXPECT_TRUE(secondHold.Release());  // not the first copy's change: the user's own
    EXPECT_EQ(subject.State(), FOriginal[i]);
    EXPECT_TRUE(Records().empty());
  }
}

TEST_F(SettingsJournalTest, ASettingChangedFromOutsideWhileHeldKeepsTheNewerValueAtTheEnd) {
  for (const TSubject& subject : Subjects) {
    SCOPED_TRACE(subject.Name);
    TSettingsJournal journal(JournalKey);
    TJournalHold hold = subject.Hold(journal, 1);
    ASSERT_TRUE(hold.Held());
    subject.ChangeFromOutside();
    const std::wstring theirs = subject.State();
    EXPECT_FALSE(hold.Release()) << "nothing of ours to put back";
    EXPECT_EQ(subject.State(), theirs);
    EXPECT_TRUE(Records().empty());
  }
}

TEST_F(SettingsJournalTest, SeveralHoldsOfOneProcessLetGoAtTheLast) {
  TSettingsJournal journal(JournalKey);
  TJournalHold first = HoldDocumentMode(11001, journal, L"t.exe");
  TJournalHold second = HoldDocumentMode(11001, journal, L"t.exe");
  EXPECT_FALSE(first.Release());
  EXPECT_EQ(ReadNumber(EmulationKey, L"t.exe"), 11001u);
  EXPECT_TRUE(second.Release());
  EXPECT_EQ(ReadNumber(EmulationKey, L"t.exe"), 7000u);
}

TEST_F(SettingsJournalTest, UnmutingTakesOverNoSchemeTheShellDidNotRename) {
  // No sound to mute, and an "Old_Current" of the user's own.
  const std::wstring old = std::wstring(NavigationSoundKey) + L"\\Old_Current";
  DeleteRegTree(HKEY_CURRENT_USER, CurrentSound);
  WriteText(old, L"", L"theirs.wav");
  {
    TSettingsJournal journal(JournalKey);
    TJournalHold hold = HoldMutedNavigationSound(journal);
    EXPECT_TRUE(hold.Held());
  }
  EXPECT_FALSE(KeyExists(CurrentSound));
  EXPECT_EQ(ReadText(old, L""), L"theirs.wav");
  EXPECT_TRUE(Records().empty());
}

// What the copy that the next test kills holds: every kind of change.
TEST(SettingsJournalChild, DISABLED_HoldsEverySettingUntilKilled) {
  TSettingsJournal journal(JournalKey);
  TJournalHold proxy = HoldProxySettings(ProxyAt("A"), journal);
  TJournalHold sound = HoldMutedNavigationSound(journal);
  TJournalHold mode = HoldDocumentMode(11001, journal, L"t.exe");
  TJournalHold agent = HoldRegistryAgent(AgentName, journal);
  // Until the test that started it kills it, or ends itself; it outlives
  // the test's wait for its changes.
  const wchar_t* parentId = _wgetenv(ChildParentVariable);
  TUniqueKernelHandle parent(
      OpenProcess(SYNCHRONIZE, FALSE, parentId ? std::wcstoul(parentId, nullptr, 10) : 0));
  if (parent) WaitForSingleObject(parent.Get(), 2 * kWaitLimitMs);
}

TEST_F(SettingsJournalTest, WhatAKilledCopyLeftIsPutBackAtTheNextStart) {
  SetEnvironmentVariableW(ChildParentVariable, std::to_wstring(GetCurrentProcessId()).c_str());
  TChildProcess killed(
      L"--gtest_also_run_disabled_tests "
      L"--gtest_filter=SettingsJournalChild.DISABLED_HoldsEverySettingUntilKilled",
      false);
  ASSERT_TRUE(PumpUntil([&] {
    std::vector<std::wstring> states = States();
    for (std::size_t i = 0; i < states.size(); ++i)
      if (states[i] == FOriginal[i]) return false;
    return true;
  })) << "the child changed nothing";
  ASSERT_EQ(Records().size(), std::size(Subjects));
  killed.Kill();

  TSettingsJournal next(JournalKey);
  EXPECT_EQ(next.RecoverAbandoned(), static_cast<int>(std::size(Subjects)));
  EXPECT_EQ(States(), FOriginal);
  EXPECT_TRUE(Records().empty());
  EXPECT_EQ(next.RecoverAbandoned(), 0);
}

TEST_F(SettingsJournalTest, ASettingChangedFromOutsideAfterAKillKeepsTheNewerValueAtTheNextStart) {
  SetEnvironmentVariableW(ChildParentVariable, std::to_wstring(GetCurrentProcessId()).c_str());
  TChildProcess killed(
      L"--gtest_also_run_disabled_tests "
      L"--gtest_filter=SettingsJournalChild.DISABLED_HoldsEverySettingUntilKilled",
      false);
  ASSERT_TRUE(PumpUntil([&] { return Records().size() == std::size(Subjects); }))
      << "the child changed nothing";
  ASSERT_TRUE(PumpUntil([&] {
    std::vector<std::wstring> states = States();
    for (std::size_t i = 0; i < states.size(); ++i)
      if (states[i] == FOriginal[i]) return false;
    return true;
  }));
  killed.Kill();
  for (const TSubject& subject : Subjects) subject.ChangeFromOutside();
  const std::vector<std::wstring> theirs = States();

  TSettingsJournal next(JournalKey);
  EXPECT_EQ(next.RecoverAbandoned(), 0);
  EXPECT_EQ(States(), theirs);
  EXPECT_TRUE(Records().empty());
}

TEST_F(SettingsJournalTest, RecoveryLeavesRunningCopiesAndTellsReusedIdsApart) {
  TChildProcess running, ended;
  const TProcessIdentity endedIdentity = ended.Identity();
  ended.Kill();
  // This process's id with another creation time: an earlier process that had it.
  TProcessIdentity reused = TProcessIdentity::Current();
  reused.CreationTime -= 1;
  TSettingsJournal runningJournal(JournalKey, running.Identity()),
      endedJournal(JournalKey, endedIdentity), reusedJournal(JournalKey, reused);
  auto write = [](const wchar_t* name, DWORD mode) {
    return [=] {
      WriteNumber(EmulationKey, name, mode);
      return true;
    };
  };
  const TJournalKind kind = TJournalKind::jkBrowserEmulation;
  ASSERT_EQ(runningJournal.Begin(kind, L"shared.exe", write(L"shared.exe", 11001)), true);
  ASSERT_EQ(endedJournal.Begin(kind, L"shared.exe", write(L"shared.exe", 11001)), true);
  ASSERT_EQ(endedJournal.Begin(kind, L"ended.exe", write(L"ended.exe", 8000)), true);
  ASSERT_EQ(reusedJournal.Begin(kind, L"reused.exe", write(L"reused.exe", 9000)), true);
  ASSERT_EQ(Records().size(), 3u);

  TSettingsJournal next(JournalKey);
  EXPECT_FALSE(next.End(kind, L"shared.exe"));  // not this process's to end
  EXPECT_EQ(next.RecoverAbandoned(), 2);
  EXPECT_EQ(ReadNumber(EmulationKey, L"ended.exe"), std::nullopt);
  EXPECT_EQ(ReadNumber(EmulationKey, L"reused.exe"), std::nullopt);
  EXPECT_EQ(ReadNumber(EmulationKey, L"shared.exe"), 11001u);  // its copy still runs
  ASSERT_EQ(Records().size(), 1u);

  running.Kill();
  EXPECT_EQ(next.RecoverAbandoned(), 1);
  EXPECT_EQ(ReadNumber(EmulationKey, L"shared.exe"), std::nullopt);
  EXPECT_TRUE(Records().empty());
}

TEST_F(SettingsJournalTest, ACopyJoiningAnAbandonedChangeKeepsTheStateFromBeforeIt) {
  TChildProcess ended;
  TSettingsJournal endedJournal(JournalKey, ended.Identity());
  ended.Kill();
  ASSERT_EQ(endedJournal.Begin(TJournalKind::jkBrowserEmulation, L"t.exe",
                               [] {
                                 WriteNumber(EmulationKey, L"t.exe", 8000);
                                 return true;
                               }),
            true);
  TSettingsJournal journal(JournalKey);
  TJournalHold hold = HoldDocumentMode(11001, journal, L"t.exe");
  EXPECT_EQ(ReadNumber(EmulationKey, L"t.exe"), 11001u);
  EXPECT_TRUE(hold.Release());
  EXPECT_EQ(ReadNumber(EmulationKey, L"t.exe"), 7000u);  // the user's, not the ended copy's 8000
  EXPECT_TRUE(Records().empty());
}

TEST_F(SettingsJournalTest, ACopyJoiningAChangeSomeoneElseReplacedPutsBackTheirs) {
  TChildProcess ended;
  TSettingsJournal endedJournal(JournalKey, ended.Identity());
  ended.Kill();
  ASSERT_EQ(endedJournal.Begin(TJournalKind::jkBrowserEmulation, L"t.exe",
                               [] {
                                 WriteNumber(EmulationKey, L"t.exe", 8000);
                                 return true;
                               }),
            true);
  WriteNumber(EmulationKey, L"t.exe", 10000);  // the user's, after the ended copy's
  TSettingsJournal journal(JournalKey);
  TJournalHold hold = HoldDocumentMode(11001, journal, L"t.exe");
  EXPECT_EQ(ReadNumber(EmulationKey, L"t.exe"), 11001u);
  EXPECT_TRUE(hold.Release());
  EXPECT_EQ(ReadNumber(EmulationKey, L"t.exe"), 10000u);
  EXPECT_TRUE(Records().empty());
}

TEST_F(SettingsJournalTest, ARecordCutShortByACrashChangesNothing) {
  // Written up to its holders when the copy died: it had changed nothing yet.
  const std::wstring record = JournalKey + L"\\BrowserEmulation.1";
  WriteText(record, L"Kind", L"BrowserEmulation");
  WriteText(record, L"Name", L"t.exe");
  TSettingsJournal journal(JournalKey);
  EXPECT_EQ(journal.RecoverAbandoned(), 0);
  EXPECT_EQ(ReadNumber(EmulationKey, L"t.exe"), 7000u);
  EXPECT_TRUE(Records().empty());
}

// What the next test's copy does at its start, with the shell's trace on.
TEST(SettingsJournalChild, DISABLED_RecoversTheJournal) {
  TSettingsJournal(JournalKey).RecoverAbandoned();
}

TEST_F(SettingsJournalTest, ABrokenRecordIsTracedAndRemovedWithoutWritingAnything) {
  TChildProcess ended;
  const TProcessIdentity endedIdentity = ended.Identity();
  ended.Kill();
  wchar_t holderText[48];
  std::swprintf(holderText, std::size(holderText), L"%lu:%016llx",
                static_cast<unsigned long>(endedIdentity.Id),
                static_cast<unsigned long long>(endedIdentity.CreationTime));
  const TRegistryValue endedHolders = TRegistryValue::MultiText({holderText});
  const TRegistryValue emulation = TRegistryValue::Text(L"BrowserEmulation");
  const TRegistryValue proxy = TRegistryValue::Text(L"Proxy");
  const TRegistryValue name = TRegistryValue::Text(L"t.exe");
  const TRegistryValue noName = TRegistryValue::Text(L"");
  const TRegistryValue mode = TRegistryValue::Dword(8000);
  const TRegistryValue flags = TRegistryValue::Dword(PROXY_TYPE_DIRECT);
  const struct {
    const wchar_t* key;
    std::vector<TNamedRegistryValue> values;  // Holders are written last, as the journal does
  } broken[] = {
      {L"BrowserEmulation.1", {{L"Kind", emulation}, {L"Prior.Value", mode}}},  // no name
      {L"BrowserEmulation.2",
       {{L"Kind", emulation}, {L"Name", TRegistryValue::Dword(5)}, {L"Prior.Value", mode}}},
      {L"BrowserEmulation.3",
       {{L"Kind", TRegistryValue::Dword(1)}, {L"Name", name}, {L"Prior.Value", mode}}},
      {L"BrowserEmulation.4", {{L"Name", name}, {L"Prior.Value", mode}}},  // no kind
      {L"BrowserEmulation.5",
       {{L"Kind", emulation},
        {L"Name", name},
        {L"Prior.Value", mode},
        {L"Applied", TRegistryValue::Text(L"1")}}},
      {L"BrowserEmulation.9",
       {{L"Version", TRegistryValue::Text(L"1")},
        {L"Kind", emulation},
        {L"Name", name},
        {L"Prior.Value", mode}}},
      {L"Proxy.1",
       {{L"Kind", proxy}, {L"Name", noName}, {L"Prior.Flags", TRegistryValue::Text(L"1")}}},
      {L"Proxy.2", {{L"Kind", proxy}, {L"Name", noName}}},  // no flags
      {L"Proxy.3",
       {{L"Kind", proxy},
        {L"Name", noName},
        {L"Prior.Flags", flags},
        {L"Prior.ProxyServer", TRegistryValue::Dword(1)}}},
      {L"NavigationSound.1",
       {{L"Kind", TRegistryValue::Text(L"NavigationSound")},
        {L"Name", noName},
        {L"Prior.HadCurrent", TRegistryValue::Text(L"1")}}},
  };
  for (const auto& record : broken) {
    TUniqueRegKey key =
        CreateRegKey(HKEY_CURRENT_USER, JournalKey + L"\\" + record.key, KEY_ALL_ACCESS);
    ASSERT_TRUE(key);
    for (const auto& [valueName, value] : record.values)
      ASSERT_TRUE(WriteRegValue(key.Get(), valueName, value));
    ASSERT_TRUE(WriteRegValue(key.Get(), L"Holders", endedHolders));
  }
  // Holders that are no list at all.
  {
    TUniqueRegKey key =
        CreateRegKey(HKEY_CURRENT_USER, JournalKey + L"\\BrowserEmulation.6", KEY_ALL_ACCESS);
    ASSERT_TRUE(WriteRegValue(key.Get(), L"Kind", emulation));
    ASSERT_TRUE(WriteRegValue(key.Get(), L"Name", name));
    ASSERT_TRUE(WriteRegValue(key.Get(), L"Prior.Value", mode));
    ASSERT_TRUE(WriteRegValue(key.Get(), L"Holders", TRegistryValue::Text(holderText)));
  }

  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  const std::wstring traceFile =
      std::wstring(folder) + L"korvexa-journal-" + std::to_wstring(GetCurrentProcessId()) + L".log";
  DeleteFileW(traceFile.c_str());
  SetEnvironmentVariableW(L"KORVEXA_TRACE", traceFile.c_str());
  {
    TChildProcess next(
        L"--gtest_also_run_disabled_tests "
        L"--gtest_filter=SettingsJournalChild.DISABLED_RecoversTheJournal",
        false);
    SetEnvironmentVariableW(L"KORVEXA_TRACE", nullptr);
    ASSERT_TRUE(next.WaitForExit());
  }
  EXPECT_TRUE(Records().empty());
  EXPECT_EQ(States(), FOriginal) << "nothing was written";
  EXPECT_EQ(ReadNumber(EmulationKey, L""), std::nullopt);

  std::string trace;
  {
    std::ifstream file(std::filesystem::path(traceFile), std::ios::binary);
    trace.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }
  DeleteFileW(traceFile.c_str());
  std::vector<std::string> keys;
  for (const auto& record : broken) keys.push_back(WideToGbk(record.key));
  keys.push_back("BrowserEmulation.6");
  for (const std::string& key : keys)
    EXPECT_NE(trace.find(key), std::string::npos) << key << " is not in the trace:\n" << trace;

  // The broken records are gone: a later change is put back as ever.
  TSettingsJournal journal(JournalKey);
  TJournalHold hold = HoldDocumentMode(11001, journal, L"t.exe");
  EXPECT_TRUE(hold.Release());
  EXPECT_EQ(ReadNumber(EmulationKey, L"t.exe"), 7000u);
  EXPECT_TRUE(Records().empty());
}

// Records outlive the shell that wrote them, and a later shell recovers what
// an earlier one stored: the stored form is pinned value by value.
TEST_F(SettingsJournalTest, RecordsKeepTheStoredFormThatEveryShellRecovers) {
  TChildProcess holder;
  const TProcessIdentity identity = holder.Identity();
  TSettingsJournal journal(JournalKey, identity);
  ASSERT_EQ(journal.Begin(TJournalKind::jkBrowserEmulation, L"t.exe",
                          [] {
                            WriteNumber(EmulationKey, L"t.exe", 11001);
                            return true;
                          }),
            true);
  ASSERT_EQ(Records(), std::vector<std::wstring>{L"BrowserEmulation.1"});
  wchar_t holderText[48];
  std::swprintf(holderText, std::size(holderText), L"%lu:%016llx",
                static_cast<unsigned long>(identity.Id),
                static_cast<unsigned long long>(identity.CreationTime));
  std::vector<BYTE> holders = StoredText(holderText);
  holders.insert(holders.end(), {0, 0});  // the list's end
  const struct {
    const wchar_t* name;
    DWORD type;
    std::vector<BYTE> bytes;
  } stored[] = {
      {L"Version", REG_DWORD, {1, 0, 0, 0}},
      {L"Applied", REG_DWORD, {1, 0, 0, 0}},
      {L"Applied.Value", REG_DWORD, {0xF9, 0x2A, 0, 0}},  // the shell's 11001
      {L"Holders", REG_MULTI_SZ, holders},
      {L"Kind", REG_SZ, StoredText(L"BrowserEmulation")},
      {L"Name", REG_SZ, StoredText(L"t.exe")},
      {L"Prior.Value", REG_DWORD, {0x58, 0x1B, 0, 0}},  // the user's 7000
  };
  TUniqueRegKey record =
      OpenRegKey(HKEY_CURRENT_USER, JournalKey + L"\\BrowserEmulation.1", KEY_READ);
  std::vector<std::wstring> names = ListRegValues(record.Get());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"Applied", L"Applied.Value", L"Holders", L"Kind",
                                              L"Name", L"Prior.Value", L"Version"}));
  for (const auto& value : stored) {
    SCOPED_TRACE(testing::Message() << "value " << value.name);
    TRegistryValue read;
    ASSERT_TRUE(ReadRegValue(record.Get(), value.name, read));
    EXPECT_EQ(read.Type, value.type);
    EXPECT_EQ(read.Data, value.bytes);
  }
  record.Reset();

  holder.Kill();
  TSettingsJournal next(JournalKey);
  EXPECT_EQ(next.RecoverAbandoned(), 1);
  EXPECT_EQ(ReadNumber(EmulationKey, L"t.exe"), 7000u);
  EXPECT_TRUE(Records().empty());
}

TEST_F(SettingsJournalTest, ARecordOfAnotherFormatIsLeftAloneAndAnOlderShellsIsRecovered) {
  TChildProcess ended;
  const TProcessIdentity endedIdentity = ended.Identity();
  ended.Kill();
  wchar_t holderText[48];
  std::swprintf(holderText, std::size(holderText), L"%lu:%016llx",
                static_cast<unsigned long>(endedIdentity.Id),
                static_cast<unsigned long long>(endedIdentity.CreationTime));
  const TRegistryValue holders = TRegistryValue::MultiText({holderText});
  const struct {
    const wchar_t* key;
    std::vector<TNamedRegistryValue> values;
  } records[] = {
      // A later format's: read as this one, it would be put back, or be broken.
      {L"BrowserEmulation.7",
       {{L"Version", TRegistryValue::Dword(2)},
        {L"Kind", TRegistryValue::Text(L"BrowserEmulation")},
        {L"Name", TRegistryValue::Text(L"t.exe")},
        {L"Prior.Value", TRegistryValue::Dword(8000)},
        {L"Holders", holders}}},
      {L"Proxy.7",
       {{L"Version", TRegistryValue::Dword(2)},
        {L"Kind", TRegistryValue::Text(L"Proxy")},
        {L"Name", TRegistryValue::Text(L"")},
        {L"Prior.Flags", TRegistryValue::Text(L"direct")},
        {L"Holders", holders}}},
      // An older shell's, with no version and no state its change left.
      {L"BrowserEmulation.8",
       {{L"Kind", TRegistryValue::Text(L"BrowserEmulation")},
        {L"Name", TRegistryValue::Text(L"old.exe")},
        {L"Prior.Value", TRegistryValue::Dword(8000)},
        {L"Holders", holders}}},
  };
  for (const auto& record : records) {
    TUniqueRegKey key =
        CreateRegKey(HKEY_CURRENT_USER, JournalKey + L"\\" + record.key, KEY_ALL_ACCESS);
    ASSERT_TRUE(key);
    for (const auto& [valueName, value] : record.values)
      ASSERT_TRUE(WriteRegValue(key.Get(), valueName, value));
  }
  WriteNumber(EmulationKey, L"old.exe", 11001);

  TSettingsJournal journal(JournalKey);
  EXPECT_EQ(journal.RecoverAbandoned(), 1);
  EXPECT_EQ(ReadNumber(EmulationKey, L"old.exe"), 8000u);
  EXPECT_EQ(States(), FOriginal);
  EXPECT_EQ(Records(), (std::vector<std::wstring>{L"BrowserEmulation.7", L"Proxy.7"}));

  // A change of this shell has a record of its own beside the other format's.
  TJournalHold hold = HoldDocumentMode(11001, journal, L"t.exe");
  EXPECT_EQ(Records().size(), 3u);
  EXPECT_TRUE(hold.Release());
  EXPECT_EQ(ReadNumber(EmulationKey, L"t.exe"), 7000u);
  EXPECT_EQ(Records(), (std::vector<std::wstring>{L"BrowserEmulation.7", L"Proxy.7"}));
  for (const auto& record : records) {
    if (std::wstring(record.key) == L"BrowserEmulation.8") continue;
    SCOPED_TRACE(testing::Message() << record.key);
    TUniqueRegKey key = OpenRegKey(HKEY_CURRENT_USER, JournalKey + L"\\" + record.key, KEY_READ);
    for (const auto& [valueName, value] : record.values) {
      TRegistryValue read;
      EXPECT_TRUE(ReadRegValue(key.Get(), valueName, read));
      EXPECT_EQ(read, value);
    }
  }
}

// The user's SID as text, as the platform writes it.
std::wstring UserSid() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return L"";
  TUniqueKernelHandle owned(token);
  BYTE buffer[256];
  DWORD size = 0;
  if (!GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size)) return L"";
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text)) return L"";
  std::wstring sid = text;
  LocalFree(text);
  return sid;
}

TEST(SettingsJournalLock, CoversEverySessionOfTheUser) {
  const std::wstring sid = UserSid();
  ASSERT_FALSE(sid.empty());
  for (const std::wstring& key : {JournalKey, std::wstring(SettingsJournalKey)}) {
    const std::wstring name = SettingsJournalLockName(key);
    EXPECT_EQ(name.rfind(L"Global\\", 0), 0u) << testing::PrintToString(name);
    EXPECT_NE(name.find(sid), std::wstring::npos) << testing::PrintToString(name);
  }
  EXPECT_NE(SettingsJournalLockName(JournalKey), SettingsJournalLockName(SettingsJournalKey));
}

TEST_F(SettingsJournalTest, AJournalStepThatCannotLockChangesNothing) {
  TChildProcess ended;
  const TProcessIdentity endedIdentity = ended.Identity();
  ended.Kill();
  const TJournalKind kind = TJournalKind::jkBrowserEmulation;
  auto write = [](const wchar_t* name, DWORD mode) {
    return [=] {
      WriteNumber(EmulationKey, name, mode);
      return true;
    };
  };
  {
    TSettingsJournal endedJournal(JournalKey, endedIdentity), own(JournalKey);
    ASSERT_EQ(endedJournal.Begin(kind, L"ended.exe", write(L"ended.exe", 8000)), true);
    ASSERT_EQ(own.Begin(kind, L"t.exe", write(L"t.exe", 11001)), true);
  }  // their handles on the lock go
  // Something else of that name: the lock cannot be made.
  TUniqueKernelHandle squatter(
      CreateEventW(nullptr, TRUE, FALSE, SettingsJournalLockName(JournalKey).c_str()));
  ASSERT_TRUE(squatter);
  {
    TSettingsJournal unlocked(JournalKey);
    bool applied = false;
    EXPECT_EQ(unlocked.Begin(kind, L"new.exe",
                             [&] {
                               applied = true;
                               return true;
                             }),
              std::nullopt);
    EXPECT_FALSE(applied);
    EXPECT_EQ(unlocked.RecoverAbandoned(), 0);
    EXPECT_FALSE(unlocked.End(kind, L"t.exe"));
    EXPECT_EQ(ReadNumber(EmulationKey, L"ended.exe"), 8000u);
    EXPECT_EQ(ReadNumber(EmulationKey, L"t.exe"), 11001u);
    EXPECT_EQ(Records().size(), 2u);
  }
  squatter.Reset();
  TSettingsJournal locked(JournalKey);
  EXPECT_EQ(locked.RecoverAbandoned(), 1);
  EXPECT_TRUE(locked.End(kind, L"t.exe"));
  EXPECT_EQ(ReadNumber(EmulationKey, L"ended.exe"), std::nullopt);
  EXPECT_EQ(ReadNumber(EmulationKey, L"t.exe"), 7000u);
  EXPECT_TRUE(Records().empty());
}

TEST_F(SettingsJournalTest, NothingChangesWithoutItsRecord) {
  TSettingsJournal unwritable(JournalKey + L"\\" + std::wstring(300, L'x'));
  bool applied = false;
  EXPECT_EQ(unwritable.Begin(TJournalKind::jkBrowserEmulation, L"t.exe",
                             [&] {
                               applied = true;
                               return true;
                             }),
            std::nullopt);
  EXPECT_FALSE(applied);
  TJournalHold hold = HoldDocumentMode(11001, unwritable, L"t.exe");
  EXPECT_FALSE(hold.Held());
  EXPECT_EQ(ReadNumber(EmulationKey, L"t.exe"), 7000u);
}

}  // namespace
}  // namespace kvx::test
