#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "tests/support/TestSupport.h"

namespace rc::platform {
namespace {

namespace err = rc::automation::err;

using rc::testing::errorNumber;
using rc::testing::ScopedEnv;
using rc::testing::ScratchFolder;

TEST(Paths, BothSeparatorsAndDriveFormsBecomeNative) {
  ScopedEnv root("RAVELCREST_DRIVE_ROOT", "/srv/rc-root");
  EXPECT_EQ(driveRoot(), "/srv/rc-root");
  EXPECT_EQ(nativePath("models\\sub/a.vxlprt"), "models/sub/a.vxlprt");
  EXPECT_EQ(nativePath("/abs/x.txt"), "/abs/x.txt");
  EXPECT_EQ(nativePath("\\TraceLog.log"), "/srv/rc-root/TraceLog.log");
  EXPECT_EQ(nativePath("C:\\models\\a.vxlprt"), "/srv/rc-root/models/a.vxlprt");
  EXPECT_EQ(nativePath("d:/x"), "/srv/rc-root/x");
  EXPECT_EQ(nativePath("\\\\server\\share\\f"), "//server/share/f");

  EXPECT_EQ(fileName("a\\b/c.txt"), "c.txt");
  EXPECT_EQ(folderOf("a\\b/c.txt"), "a\\b");
  EXPECT_EQ(folderOf("c.txt"), "");
  EXPECT_EQ(fileName("dir\\"), "");
  EXPECT_EQ(lastSeparator("a/b\\c"), 3u);
}

TEST(Paths, JoinNeverDoublesSeparatorsAndPutsAnEmptyFolderAtTheDriveRoot) {
  ScopedEnv root("RAVELCREST_DRIVE_ROOT", "/srv/rc-root/");
  EXPECT_EQ(joinPath("", "TraceLog.log"), "/srv/rc-root/TraceLog.log");
  EXPECT_EQ(joinPath("", "\\TraceLog.log"), "/srv/rc-root/TraceLog.log");
  EXPECT_EQ(joinPath("/a/b/", "\\c"), "/a/b/c");
  EXPECT_EQ(joinPath("/a/b\\", "c"), "/a/b/c");
  EXPECT_EQ(joinPath("a\\b", "c\\d.txt"), "a/b/c/d.txt");
  EXPECT_EQ(joinPath("C:\\results", "x.log"), "/srv/rc-root/results/x.log");
  EXPECT_EQ(joinPath("\\", "x.log"), "/srv/rc-root/x.log");
}

TEST(Paths, DriveRootIsNeverTheFileSystemRoot) {
  ScopedEnv home("HOME", "/home/tester");
  ScopedEnv state("XDG_STATE_HOME", std::nullopt);
  for (const char* bad : {"/", "///", ""}) {
    ScopedEnv root("RAVELCREST_DRIVE_ROOT", std::string(bad));
    EXPECT_EQ(driveRoot(), "/home/tester/.local/state/ravelcrest") << bad;
    EXPECT_EQ(joinPath("", "TraceLog.log"), "/home/tester/.local/state/ravelcrest/TraceLog.log");
  }
  ScopedEnv root("RAVELCREST_DRIVE_ROOT", std::nullopt);
  {
    ScopedEnv s("XDG_STATE_HOME", "/var/state");
    EXPECT_EQ(driveRoot(), "/var/state/ravelcrest");
  }
  {
    ScopedEnv s("XDG_STATE_HOME", "relative/state");  // not absolute: ignored
    EXPECT_EQ(driveRoot(), "/home/tester/.local/state/ravelcrest");
  }
  ScopedEnv rootHome("HOME", "/");
  EXPECT_EQ(driveRoot(), "/.local/state/ravelcrest");
}

TEST(Files, WritesCreateTheDriveRootAndReportMissingFilesAndFolders) {
  ScratchFolder dir;
  ScopedEnv root("RAVELCREST_DRIVE_ROOT", dir / "drive");
  appendLine("\\TraceLog.log", "one");
  appendText(joinPath("", "TraceLog.log"), "two");
  EXPECT_EQ(readFile(dir / "drive/TraceLog.log"), "one\r\ntwo");
  EXPECT_EQ(fileLength("\\TraceLog.log"), 8);
  EXPECT_EQ(readFileFrom(dir / "drive/TraceLog.log", 5), "two");
  EXPECT_EQ(readFileFrom(dir / "drive/TraceLog.log", 50), "");

  EXPECT_EQ(errorNumber([&] { readFile(dir / "missing.txt"); }), err::FileNotFound);
  EXPECT_EQ(errorNumber([&] { readFile(dir / "no/such/folder.txt"); }), err::PathNotFound);
  EXPECT_EQ(errorNumber([&] { appendLine(dir / "no/such/folder.txt", "x"); }), err::PathNotFound);
  EXPECT_EQ(errorNumber([&] { fileLength(dir / "missing.txt"); }), err::FileNotFound);
  EXPECT_EQ(errorNumber([&] { deleteFile(dir / "missing.txt"); }), err::FileNotFound);
  EXPECT_EQ(errorNumber([&] { appendText("", "x"); }), err::BadFileNameOrNumber);

  createFolder(dir / "a\\b/c");
  EXPECT_TRUE(folderExists(dir / "a/b/c"));
  createFolder(dir / "a/b/c");  // exists: no error
  writeFile(dir / "a/z.txt", "z");
  writeFile(dir / "a/y.txt", "y");
  EXPECT_EQ(listFolder(dir / "a"), (std::vector<std::string>{"b", "y.txt", "z.txt"}));
  EXPECT_EQ(errorNumber([&] { copyFile(dir / "a/y.txt", dir / "a/z.txt", false); }), err::FileAlreadyExists);
  copyFile(dir / "a/y.txt", dir / "a/z.txt");
  EXPECT_EQ(readFile(dir / "a/z.txt"), "y");
  EXPECT_TRUE(fileExists(dir / "a\\z.txt"));
  EXPECT_FALSE(fileExists(dir / "a"));
}

TEST(Files, AtomicWriteReplacesWholeWithTheGivenMode) {
  ScratchFolder dir;
  std::string path = dir / "store";
  writeFile(path, "old content that is longer");
  writeFileAtomic(path, "new", 0600);
  EXPECT_EQ(readFile(path), "new");
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(listFolder(dir.path()), std::vector<std::string>{"store"});
}

// The lines LineReader gives for a file holding `content`.
std::vector<std::string> linesOf(const ScratchFolder& dir, const std::string& content) {
  std::string path = dir / "lines.txt";
  writeFile(path, content);
  LineReader reader(path);
  std::vector<std::string> lines;
  while (!reader.atEnd()) lines.emplace_back(reader.next());
  EXPECT_EQ(errorNumber([&] { reader.next(); }), err::InputPastEndOfFile);
  return lines;
}

TEST(LineReader, AcceptsEveryLineEndAndALastLineWithoutOne) {
  ScratchFolder dir;
  using L = std::vector<std::string>;
  EXPECT_EQ(linesOf(dir, "a\r\nb\r\n"), (L{"a", "b"}));
  EXPECT_EQ(linesOf(dir, "a\nb\n"), (L{"a", "b"}));
  EXPECT_EQ(linesOf(dir, "a\rb\r"), (L{"a", "b"}));
  EXPECT_EQ(linesOf(dir, "a\r\nb\nc\rd"), (L{"a", "b", "c", "d"}));
  EXPECT_EQ(linesOf(dir, "x\na\r"), (L{"x", "a"}));
  EXPECT_EQ(linesOf(dir, "a\n\n\r\n"), (L{"a", "", ""}));
  EXPECT_EQ(linesOf(dir, "\r\n"), (L{""}));
  EXPECT_EQ(linesOf(dir, "only"), (L{"only"}));
  EXPECT_EQ(linesOf(dir, ""), L{});
}

TEST(LineReader, LinesSpanningTheBlockBoundary) {
  ScratchFolder dir;
  constexpr std::size_t kBlock = 1 << 20;
  // CR the last byte of the first block, LF the first of the second.
  std::string first(kBlock - 1, 'a');
  EXPECT_EQ(linesOf(dir, first + "\r\ntail"), (std::vector<std::string>{first, "tail"}));
  // A line that starts in one block and ends in the next.
  std::string head(kBlock - 10, 'h');
  std::string across(20, 'x');
  EXPECT_EQ(linesOf(dir, head + "\n" + across + "\r\nend\r\n"), (std::vector<std::string>{head, across, "end"}));
  // A line longer than a block, and a file ending in a CR right after a block.
  std::string longLine(kBlock * 2 + 5, 'l');
  EXPECT_EQ(linesOf(dir, "x\r\n" + longLine + "\r"), (std::vector<std::string>{"x", longLine}));
}

TEST(LineReader, OpeningErrors) {
  ScratchFolder dir;
  EXPECT_EQ(errorNumber([&] { LineReader r(dir / "missing.txt"); }), err::FileNotFound);
  EXPECT_EQ(errorNumber([&] { LineReader r(dir / "missing/x.txt"); }), err::PathNotFound);
  EXPECT_EQ(errorNumber([&] { LineReader r(dir.path()); }), err::PathFileAccessError);
  writeFile(dir / "empty.txt", "");
  LineReader empty(dir / "empty.txt");
  EXPECT_TRUE(empty.atEnd());
  EXPECT_EQ(errorNumber([&] { empty.next(); }), err::InputPastEndOfFile);
}

}  // namespace
}  // namespace rc::platform
