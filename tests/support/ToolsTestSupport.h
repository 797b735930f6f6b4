#pragma once
// Test support for the component's platform tools and the settings journal:
// user-wide registry state saved and put back, calls into WinINet recorded on
// their way to the platform, and child processes that live or end on demand.

#include "toolkit/Win.h"

#include "browser/settings/ProxySettings.h"
#include "toolkit/Handles.h"
#include "toolkit/Registry.h"

#include <wininet.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kvx::test {

// A key under HKEY_CURRENT_USER as it was at construction, put back by the
// destructor: its values, and its whole subtree when asked; a key that did not
// exist is removed again, with the parents it did not have either.
class TRegistryBackup {
 public:
  TRegistryBackup(std::wstring path, bool withSubkeys);
  ~TRegistryBackup();
  TRegistryBackup(const TRegistryBackup&) = delete;
  TRegistryBackup& operator=(const TRegistryBackup&) = delete;

  struct TKey {
    std::vector<TNamedRegistryValue> Values;
    std::vector<std::pair<std::wstring, TKey>> Subkeys;
  };

 private:
  std::wstring FPath;
  bool FWithSubkeys;
  std::optional<TKey> FSaved;
  std::wstring FFirstMissing;  // the outermost key of the path that did not exist
};

// Every user-wide setting the tools and the journal change, put back at the
// end of a test: the connection settings, the navigation sound, the registry
// user agent, the browser emulation values and the shell's own key.
class TUserSettingsGuard {
 public:
  TUserSettingsGuard();
  ~TUserSettingsGuard();
  TUserSettingsGuard(const TUserSettingsGuard&) = delete;
  TUserSettingsGuard& operator=(const TUserSettingsGuard&) = delete;

 private:
  std::vector<std::unique_ptr<TRegistryBackup>> FKeys;
};

// The journal key the tests write to; never the shell's own.
inline constexpr std::wstring_view TestJournalKey = L"Software\\Korvexa\\JournalTests";

// Registry helpers under HKEY_CURRENT_USER.
bool KeyExists(const std::wstring& path);
std::optional<std::wstring> ReadText(const std::wstring& path, const wchar_t* name);
std::optional<DWORD> ReadNumber(const std::wstring& path, const wchar_t* name);
void WriteText(const std::wstring& path, const wchar_t* name, const std::wstring& text);
void WriteNumber(const std::wstring& path, const wchar_t* name, DWORD number);
void DeleteValue(const std::wstring& path, const wchar_t* name);
std::vector<std::wstring> SubkeyNames(const std::wstring& path);

// The per-connection options in force, asked for each alone so that one the
// platform does not know leaves the others readable.
struct TOptionsInForce {
  DWORD Flags = 0;
  std::optional<std::wstring> ProxyServer;
  std::optional<std::wstring> ProxyBypass;
};
TOptionsInForce OptionsInForce();

// Replaces a function this program imports for the object's lifetime.
class TImportPatch {
 public:
  TImportPatch(const char* dll, const char* function, void* replacement);
  ~TImportPatch();
  TImportPatch(const TImportPatch&) = delete;
  TImportPatch& operator=(const TImportPatch&) = delete;
  void* Original() const noexcept { return FOriginal; }

 private:
  void** FSlot = nullptr;
  void* FOriginal = nullptr;
};

struct TRecordedOption {
  DWORD Option = 0;
  DWORD Number = 0;                  // flag options
  std::optional<std::wstring> Text;  // text options; absent for a null text
  friend bool operator==(const TRecordedOption&, const TRecordedOption&) = default;
};

struct TRecordedSetOption {
  HINTERNET Handle = nullptr;
  DWORD Option = 0;
  DWORD Length = 0;    // the buffer length argument
  DWORD ListSize = 0;  // the option list's own dwSize
  bool NamedConnection = false;
  std::vector<TRecordedOption> Options;
};

struct TRecordedConnect {
  HINTERNET Session = nullptr;
  std::wstring Server;
  INTERNET_PORT Port = 0;
  std::wstring UserName;
  std::wstring Password;
  DWORD Service = 0;
};

// Records InternetOpenW, InternetConnectW and InternetSetOptionW calls of this
// program and passes them on. With Answers set, per-connection option queries
// are answered from it instead of the platform, as a platform that supports
// every option would (FlagsUi: the connection type as the user set it).
class TWinInetRecorder {
 public:
  TWinInetRecorder();
  ~TWinInetRecorder();
  TWinInetRecorder(const TWinInetRecorder&) = delete;
  TWinInetRecorder& operator=(const TWinInetRecorder&) = delete;

  struct TAnswers {
    DWORD FlagsUi = 0;
    TProxySnapshot Options;
  };
  std::optional<TAnswers> Answers;
  // The answers stand for the options in force before this program sets
  // per-connection options of its own: once it has, the platform answers.
  bool AnswersUntilSet = false;

  std::vector<std::wstring> Agents;
  std::vector<HINTERNET> Sessions;
  std::vector<TRecordedConnect> Connects;
  std::vector<TRecordedSetOption> Sets;
  std::vector<std::string> Order;  // "open", "connect", "set 75", "set 37", ...

 private:
  TImportPatch FOpen, FConnect, FSet, FQuery;
};

// A process of this test program: started suspended (it runs nothing and is
// ended by the destructor), or running the given arguments.
class TChildProcess {
 public:
  explicit TChildProcess(const std::wstring& arguments = L"", bool suspended = true);
  ~TChildProcess();
  TChildProcess(const TChildProcess&) = delete;
  TChildProcess& operator=(const TChildProcess&) = delete;

  TProcessIdentity Identity() const { return FIdentity; }
  // Ends it the way a crash or the task manager does, and waits until it is gone.
  void Kill();
  // Waits for it to end by itself; false when it still runs after the limit.
  bool WaitForExit();

 private:
  TUniqueKernelHandle FProcess;
  TUniqueKernelHandle FThread;
  TProcessIdentity FIdentity;
};

}  // namespace kvx::test
