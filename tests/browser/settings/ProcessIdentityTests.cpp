// A process's identity: running until it ends, and never taken for an earlier
// process that had the same id.
#include "toolkit/Win.h"

#include "browser/settings/ProcessIdentity.h"
#include "tests/support/ToolsTestSupport.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kvx::test
