#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstring>
#include <functional>

#include "platform/automation/Error.h"
#include "platform/os/FileTree.h"
#include "platform/os/Files.h"
#include "platform/os/GrowingFile.h"
#include "platform/os/OutputFiles.h"
#include "platform/os/Paths.h"
#include "platform/os/SettingsStore.h"
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
  createFolder(dir / "a/b/m//n/o/");  // empty components and a trailing slash
  EXPECT_TRUE(folderExists(dir / "a/b/m/n/o"));
  writeFile(dir / "a/b/f", "f");
  EXPECT_NE(errorNumber([&] { createFolder(dir / "a/b/f/g"); }), 0);  // a file in the way
  deleteFile(dir / "a/b/f");
  std::filesystem::remove_all(std::string(dir / "a/b/m"));
  writeFile(dir / "a/z.txt", "z");
  writeFile(dir / "a/y.txt", "y");
  EXPECT_EQ(listFolder(dir / "a"), (std::vector<std::string>{"b", "y.txt", "z.txt"}));
  EXPECT_EQ(errorNumber([&] { copyFile(dir / "a/y.txt", dir / "a/z.txt", false); }), err::FileAlreadyExists);
  copyFile(dir / "a/y.txt", dir / "a/z.txt");
  EXPECT_EQ(readFile(dir / "a/z.txt"), "y");
  EXPECT_TRUE(fileExists(dir / "a\\z.txt"));
  EXPECT_FALSE(fileExists(dir / "a"));
}

TEST(Files, APathHoldingNulIsABadFileNameEverywhere) {
  // The system would end the name at the NUL: ".../cut\0.gif" writing "cut".
  ScratchFolder dir;
  writeFile(dir / "cut", "the file the NUL would name");
  createFolder(dir / "sub");
  const std::string cut = dir / std::string("cut\0.gif", 8);
  const std::vector<std::pair<const char*, std::function<void()>>> opens = {
      {"writeFile", [&] { writeFile(cut, "x"); }},
      {"appendText", [&] { appendText(cut, "x"); }},
      {"appendLine", [&] { appendLine(cut, "x"); }},
      {"writeFileAtomic", [&] { writeFileAtomic(cut, "x"); }},
      {"readFile", [&] { readFile(cut); }},
      {"readFileFrom", [&] { readFileFrom(cut, 1); }},
      {"GrowingFile", [&] { GrowingFile journal(cut); }},
      {"fileLength", [&] { fileLength(cut); }},
      {"copyFile from", [&] { copyFile(cut, dir / "copy.txt"); }},
      {"copyFile to", [&] { copyFile(dir / "cut", cut); }},
      {"deleteFile", [&] { deleteFile(cut); }},
      {"createFolder", [&] { createFolder(cut); }},
      {"listFolder", [&] { listFolder(cut); }},
      {"LineReader", [&] { LineReader reader(cut); }},
      {"output::replaceFile", [&] { output::replaceFile(cut, "x"); }},
      {"output::appendLine", [&] { output::appendLine(cut, "x"); }},
      {"copyFileReplacing", [&] { copyFileReplacing(dir / "cut", cut); }},
      {"SettingsStore", [&] { SettingsStore(cut).set("HKEY_CURRENT_USER\\X", "a", "b"); }},
  };
  for (const auto& [what, open] : opens) {
    std::string description;
    try {
      open();
    } catch (const automation::AutomationError& e) {
      description = e.description();
      EXPECT_EQ(e.number(), err::BadFileNameOrNumber) << what << ": " << description;
    }
    EXPECT_NE(description.find("cut\\0.gif"), std::string::npos) << what << ": " << description;
  }
  EXPECT_EQ(readFile(dir / "cut"), "the file the NUL would name");
  EXPECT_EQ(listFolder(dir.path()), (std::vector<std::string>{"cut", "sub"}));
  EXPECT_EQ(listFolder(dir / "sub"), std::vector<std::string>{});
  // Questions about such a path have the answer "no such file".
  EXPECT_FALSE(fileExists(cut));
  EXPECT_FALSE(folderExists(dir / std::string("sub\0", 4)));
  EXPECT_FALSE(isLink(cut));
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

TEST(LineReader, SkipsALeadingByteOrderMark) {
  ScratchFolder dir;
  using L = std::vector<std::string>;
  EXPECT_EQ(linesOf(dir, "\xEF\xBB\xBF" "EdgeCount = 1\r\nx"), (L{"EdgeCount = 1", "x"}));
  EXPECT_EQ(linesOf(dir, "\xEF\xBB\xBF"), L{});
  EXPECT_EQ(linesOf(dir, "a\r\n\xEF\xBB\xBF"), (L{"a", "\xEF\xBB\xBF"}));  // only at the start
}

// Seconds spent reading every line of `content`.
double secondsToRead(const ScratchFolder& dir, const std::string& content, std::size_t& lines) {
  writeFile(dir / "big.txt", content);
  auto start = std::chrono::steady_clock::now();
  LineReader reader(dir / "big.txt");
  lines = 0;
  while (!reader.atEnd()) {
    reader.next();
    ++lines;
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(LineReader, TimeIsLinearWhateverTheLineEnds) {
  // 8 MiB of one line end, then a line. A reader that searched the rest of
  // its block for an LF at each CR would take minutes on this; every line
  // end style takes a second or so, also under the sanitizers.
  ScratchFolder dir;
  constexpr std::size_t kSize = 8u << 20;
  for (const char* end : {"\r", "\n", "\r\n"}) {
    std::string content;
    std::size_t count = kSize / std::strlen(end);
    content.reserve(kSize + 16);
    for (std::size_t i = 0; i < count; ++i) content += end;
    content += "EdgeCount = 1";
    std::size_t lines = 0;
    EXPECT_LT(secondsToRead(dir, content, lines), 60.0) << "line end " << static_cast<int>(end[0]) << std::strlen(end);
    EXPECT_EQ(lines, count + 1);
  }
  // One line of 8 MiB with no end at all.
  std::size_t lines = 0;
  EXPECT_LT(secondsToRead(dir, std::string(kSize, 'x'), lines), 60.0);
  EXPECT_EQ(lines, 1u);
}

// Where skipSharedLines leaves two readers of `a` and `b`, and their next lines.
struct Skipped {
  std::int64_t bytes;
  std::string nextA, nextB;
};
Skipped skipped(const ScratchFolder& dir, const std::string& a, const std::string& b) {
  writeFile(dir / "a.txt", a);
  writeFile(dir / "b.txt", b);
  LineReader ra(dir / "a.txt"), rb(dir / "b.txt");
  Skipped s{skipSharedLines(ra, rb), "<end>", "<end>"};
  if (!ra.atEnd()) s.nextA = ra.next();
  if (!rb.atEnd()) s.nextB = rb.next();
  return s;
}

TEST(LineReader, SkipSharedLinesStopsAtTheLineThatMayDiffer) {
  ScratchFolder dir;
  auto expect = [&](const std::string& a, const std::string& b, std::int64_t bytes, const char* nextA, const char* nextB) {
    Skipped s = skipped(dir, a, b);
    EXPECT_EQ(s.bytes, bytes) << a << "|" << b;
    EXPECT_EQ(s.nextA, nextA) << a << "|" << b;
    EXPECT_EQ(s.nextB, nextB) << a << "|" << b;
  };
  expect("1\r\n2\r\n3\r\n", "1\r\n2\r\n3\r\n", 9, "<end>", "<end>");
  expect("1\r\n2\r\n3\r\n", "1\r\n2\r\n4\r\n", 6, "3", "4");
  expect("1\r\n2\r\n3\r\n", "1\r\n2\r\n", 6, "3", "<end>");
  expect("12\n", "13\n", 0, "12", "13");
  // A CR right before the first difference may be half of a CR LF.
  expect("a\r\nb", "a\rb", 0, "a", "a");
  expect("x\ra\r\nb", "x\ra\rb", 2, "a", "a");
  // The same lines ended differently are not shared bytes, but are found
  // equal line by line afterwards.
  expect("a\nb\n", "a\r\nb\r\n", 0, "a", "a");
  // A byte-order mark on one side only.
  expect("\xEF\xBB\xBF" "1\r\n2\r\n", "1\r\n3\r\n", 3, "2", "3");

  // Across blocks: a difference far into a large file.
  std::string common;
  for (int i = 0; i < 200000; ++i) common += std::to_string(i) + " 0.5\r\n";
  Skipped far = skipped(dir, common + "tail 1\r\n", common + "tail 2\r\n");
  EXPECT_EQ(far.bytes, static_cast<std::int64_t>(common.size()));
  EXPECT_EQ(far.nextA, "tail 1");
  EXPECT_EQ(lineCount(dir / "a.txt", far.bytes), 200000);
  EXPECT_EQ(lineCount(dir / "a.txt", 0), 0);
}

TEST(LineReader, SkippedLinesAreFoundWhereverTheirEndsFallInTheBlocks) {
  // Lines around the reader's block sizes, with each kind of line end, read
  // or passed over in turn: what is read is always the right line.
  ScratchFolder dir;
  std::vector<std::string> lines;
  std::string text;
  const char* ends[] = {"\r\n", "\n", "\r"};
  int k = 0;
  for (std::size_t length : {0u, 1u, 16383u, 16384u, 16385u, 16386u, 49151u, 49152u, 3u, 200000u, 0u, 7u}) {
    std::string line(length, static_cast<char>('a' + k % 26));
    if (!line.empty()) line[0] = 'K';
    lines.push_back(line);
    text += line + ends[k++ % 3];
  }
  text += "Klast";  // no line end
  lines.push_back("Klast");
  writeFile(dir / "lines.txt", text);
  for (int skipEvery : {2, 3}) {
    LineReader reader(dir / "lines.txt");
    for (std::size_t i = 0; i < lines.size(); ++i) {
      ASSERT_FALSE(reader.atEnd()) << i;
      EXPECT_EQ(reader.nextStartsWith("K"), !lines[i].empty()) << i;
      EXPECT_FALSE(reader.nextStartsWith(lines[i] + "more")) << i;
      if (i % skipEvery == 0) {
        reader.skipLine();
      } else {
        EXPECT_EQ(reader.next(), lines[i]) << i;
      }
    }
    EXPECT_TRUE(reader.atEnd());
    EXPECT_EQ(errorNumber([&] { reader.skipLine(); }), err::InputPastEndOfFile);
  }
}

}  // namespace
}  // namespace rc::platform
