// The document host where the shell's document-view resource library (the
// context menus' resources) is missing, as on systems without it: ctest runs
// this program with the library disabled.
#include "toolkit/Win.h"

#include "browser/dochost/PlatformLibraries.h"
#include "tests/browser/dochost/DocHostTest.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace kvx::test {
namespace {

class DocHostNoMenuLibraryTest : public DocHostTest {};

TEST_F(DocHostNoMenuLibraryTest, TheFilteredMenuIsLeftToTheBrowserAndNothingIsRaised) {
  ASSERT_EQ(ShdoclcModule(), nullptr) << "run with WINEDLLOVERRIDES=shdoclc=d, as ctest does";
  int filtered = 0;
  Host().OnFilterPopupMenu = [&](TObject*, DWORD, HMENU, IDispatch*) { ++filtered; };
  TTestCommandTarget target(true);
  EXPECT_EQ(Engine().ShowContextMenu(0, POINT{10, 10}, target.Unknown()), S_FALSE);
  EXPECT_EQ(filtered, 0);
  EXPECT_THAT(target.Commands, ::testing::ElementsAre());
  EXPECT_EQ(target.OutstandingReferences(), 0);
}

}  // namespace
}  // namespace kvx::test
