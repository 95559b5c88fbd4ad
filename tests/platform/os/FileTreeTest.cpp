// File-tree services: normal paths and containment, one-pass listings and
// copies through a temporary file.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/TestSupport.h"
#include "platform/os/FileTree.h"
#include "platform/os/Files.h"

namespace rc::testing {
namespace {

namespace fs = std::filesystem;
using namespace rc::platform;

TEST(FileTree, NormalPathsResolveDotsAndBothSeparators) {
  ScopedEnv root("RAVELCREST_DRIVE_ROOT", "/drive");
  EXPECT_EQ(normalPath("/a/./b/../c/"), "/a/c");
  EXPECT_EQ(normalPath("/a\\b\\..\\..\\..\\x"), "/x");
  EXPECT_EQ(normalPath("\\models\\a.prt"), "/drive/models/a.prt");
  EXPECT_EQ(normalPath("rel/x"), fs::current_path().string() + "/rel/x");
  EXPECT_TRUE(pathWithin("/a/b", "/a/b"));
  EXPECT_TRUE(pathWithin("/a/b/c", "/a/b"));
  EXPECT_FALSE(pathWithin("/a/bc", "/a/b"));
  EXPECT_FALSE(pathWithin("/a", "/a/b"));
  EXPECT_TRUE(pathWithin("/x", "/"));
}

TEST(FileTree, ResolvedPathsFollowLinksAlongTheExistingPart) {
  ScratchFolder dir;
  fs::create_directories(dir / "real/sub");
  fs::create_symlink(dir / "real", dir / "link");
  EXPECT_EQ(resolvedPath(dir / "link/sub/not/yet"), fs::canonical(dir.path()).string() + "/real/sub/not/yet");
}

TEST(FileTree, ListingHoldsRegularFilesAndLinksToThem) {
  ScratchFolder dir;
  writeFile(dir / "a.txt", "a");
  fs::create_directories(dir / "folder.properties");
  fs::create_symlink(dir / "a.txt", dir / "b.txt");
  fs::create_symlink(dir / "gone", dir / "dangling.txt");
  std::vector<FileEntry> files = listFiles(dir.path());
  std::sort(files.begin(), files.end(), [](const FileEntry& x, const FileEntry& y) { return x.name < y.name; });
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].name, "a.txt");
  EXPECT_FALSE(files[0].link);
  EXPECT_EQ(files[1].name, "b.txt");
  EXPECT_TRUE(files[1].link);
  EXPECT_TRUE(listFiles(dir / "missing").empty());
  EXPECT_TRUE(isLink(dir / "dangling.txt"));
  EXPECT_FALSE(isLink(dir / "a.txt"));
}

TEST(FileTree, CopyReplacesALinkWithoutWritingThroughIt) {
  ScratchFolder dir;
  writeFile(dir / "from.txt", "new");
  writeFile(dir / "victim.txt", "keep");
  fs::create_symlink(dir / "victim.txt", dir / "to.txt");
  copyFileReplacing(dir / "from.txt", dir / "to.txt");
  EXPECT_EQ(readFile(dir / "victim.txt"), "keep");
  EXPECT_FALSE(fs::is_symlink(dir / "to.txt"));
  EXPECT_EQ(readFile(dir / "to.txt"), "new");
  // The copy keeps the source's permission bits (within the umask).
  fs::permissions(dir / "from.txt", fs::perms::owner_read | fs::perms::owner_write | fs::perms::owner_exec);
  copyFileReplacing(dir / "from.txt", dir / "exec.txt");
  EXPECT_TRUE((fs::status(dir / "exec.txt").permissions() & fs::perms::owner_exec) != fs::perms::none);
}

TEST(FileTree, FailedCopiesLeaveNothingBehind) {
  ScratchFolder dir;
  writeFile(dir / "from.txt", "data");
  fs::create_directories(dir / "busy");
  writeFile(dir / "busy/inner", "x");
  EXPECT_EQ(errorNumber([&] { copyFileReplacing(dir / "missing.txt", dir / "to.txt"); }), 53);
  EXPECT_EQ(errorNumber([&] { copyFileReplacing(dir / "from.txt", dir / "nofolder/to.txt"); }), 76);
  EXPECT_NE(errorNumber([&] { copyFileReplacing(dir / "from.txt", dir / "busy"); }), 0);
  EXPECT_NE(errorNumber([&] { copyFileReplacing(dir.path(), dir / "copy"); }), 0);
  std::vector<std::string> names = listFolder(dir.path());
  EXPECT_EQ(names, (std::vector<std::string>{"busy", "from.txt"}));
}

}  // namespace
}  // namespace rc::testing
