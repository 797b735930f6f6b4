// A process's identity: running until it ends, and never taken for an earlier
// process that had the same id.
#include "toolkit/Win.h"

#include "browser/settings/ProcessIdentity.h"
#include "tests/support/Pump.h"
#include "tests/support/ToolsTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace kvx::test {
namespace {

TEST(ProcessIdentity, TellsEndedProcessesAndReusedIds) {
  EXPECT_TRUE(TProcessIdentity::Current().IsRunning());
  TChildProcess child;
  TProcessIdentity identity = child.Identity();
  ASSERT_NE(identity.Id, 0u);
  EXPECT_TRUE(identity.IsRunning());
  child.Kill();
  EXPECT_FALSE(identity.IsRunning());
  TProcessIdentity earlier = TProcessIdentity::Current();
  earlier.CreationTime -= 1;
  EXPECT_FALSE(earlier.IsRunning());
  EXPECT_FALSE(TProcessIdentity{}.IsRunning());
}

// A process of this program that no other process may open: its security
// gives nobody any access. Its creator keeps the handle it was given.
class TClosedProcess {
 public:
  TClosedProcess() {
    SECURITY_DESCRIPTOR closed;
    InitializeSecurityDescriptor(&closed, SECURITY_DESCRIPTOR_REVISION);
    ACL empty;
    InitializeAcl(&empty, sizeof(empty), ACL_REVISION);
    SetSecurityDescriptorDacl(&closed, TRUE, &empty, FALSE);  // an empty DACL: closed to all
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), &closed, FALSE};
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring commandLine = L"\"" + std::wstring(path) + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(nullptr, commandLine.data(), &attributes, nullptr, FALSE, CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &info))
      return;
    FProcess.Reset(info.hProcess);
    FThread.Reset(info.hThread);
    FIdentity = TProcessIdentity::Of(info.hProcess);
  }
  ~TClosedProcess() {
    if (!FProcess) return;
    TerminateProcess(FProcess.Get(), 9);
    WaitForSingleObject(FProcess.Get(), kWaitLimitMs);
  }
  TClosedProcess(const TClosedProcess&) = delete;
  TClosedProcess& operator=(const TClosedProcess&) = delete;
  TProcessIdentity Identity() const { return FIdentity; }

 private:
  TUniqueKernelHandle FProcess;
  TUniqueKernelHandle FThread;
  TProcessIdentity FIdentity;
};

TEST(ProcessIdentity, AHolderFromAnEarlierBootHasEndedWhoeverHasItsIdNow) {
  TClosedProcess closed;
  const TProcessIdentity identity = closed.Identity();
  ASSERT_NE(identity.Id, 0u);
  TUniqueKernelHandle opened(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, identity.Id));
  ASSERT_FALSE(opened);
  ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

  // Started since the machine did: it may be the holder, and it runs.
  EXPECT_TRUE(identity.IsRunning());
  // Started before the machine did, an hour before: whoever has the id now is another process.
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const std::uint64_t boot =
      ((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime) -
      GetTickCount64() * 10000;
  const std::uint64_t hour = 36000000000ull;
  EXPECT_FALSE((TProcessIdentity{identity.Id, boot - hour}.IsRunning()));
}

}  // namespace
}  // namespace kvx::test
