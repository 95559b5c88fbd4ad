#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/os/FileIo.h"
#include "platform/os/Files.h"
#include "platform/os/KeptAppends.h"
#include "platform/os/OutputFiles.h"
#include "tests/support/TestSupport.h"

namespace rc::platform {
namespace {

using rc::testing::errorNumber;
using rc::testing::ScopedEnv;
using rc::testing::ScratchFolder;

bool isLink(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

TEST(OutputFiles, AppendNeverWritesThroughALink) {
  ScratchFolder dir;
  writeFile(dir / "target.txt", "precious\r\n");
  std::filesystem::create_symlink(dir / "target.txt", dir / "journal.txt");
  EXPECT_EQ(errorNumber([&] { output::appendLine(dir / "journal.txt", "forged"); }), 75);
  EXPECT_EQ(readFile(dir / "target.txt"), "precious\r\n");
  // A dangling link is not followed to create its target either.
  std::filesystem::create_symlink(dir / "nowhere.txt", dir / "TraceLog.log");
  EXPECT_EQ(errorNumber([&] { output::appendLines(dir / "TraceLog.log", "x\r\n"); }), 75);
  EXPECT_FALSE(std::filesystem::exists(dir / "nowhere.txt"));
}

TEST(OutputFiles, ReplaceSwapsTheLinkItselfAndLeavesItsTargetAlone) {
  ScratchFolder dir;
  writeFile(dir / "target.txt", "precious");
  std::filesystem::create_symlink(dir / "target.txt", dir / "Performance.log");
  output::replaceFile(dir / "Performance.log", "Exp_Open = 1\r\n");
  EXPECT_FALSE(isLink(dir / "Performance.log"));
  EXPECT_EQ(readFile(dir / "Performance.log"), "Exp_Open = 1\r\n");
  EXPECT_EQ(readFile(dir / "target.txt"), "precious");
  // No temporary is left behind, and a folder in the way is refused.
  EXPECT_EQ(listFolder(dir.path()), (std::vector<std::string>{"Performance.log", "target.txt"}));
  createFolder(dir / "data.dat");
  EXPECT_EQ(errorNumber([&] { output::replaceFile(dir / "data.dat", ""); }), 75);
  EXPECT_EQ(errorNumber([&] { output::replaceFile(dir / "no/such/x.dat", ""); }), 76);
}

TEST(OutputFiles, NewFilesAreReadableByAllUnderTheUsualMask) {
  // Journals and trace logs are read by other users' tools: 0644 under umask 022.
  ScratchFolder dir;
  const mode_t old = ::umask(022);
  output::appendLine(dir / "journal.txt", "line");
  output::replaceFile(dir / "baseline.properties", "x=1\r\n");
  ::umask(old);
  namespace fs = std::filesystem;
  const fs::perms readable = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                             fs::perms::others_read;
  EXPECT_EQ(fs::status(dir / "journal.txt").permissions() & fs::perms::all, readable);
  EXPECT_EQ(fs::status(dir / "baseline.properties").permissions() & fs::perms::all, readable);
}

TEST(OutputFiles, AnEmptyReplacementIsMadeInPlaceOnlyWhereNothingIs) {
  ScratchFolder dir;
  output::replaceFile(dir / "new.dat", "", 0600);
  EXPECT_EQ(readFile(dir / "new.dat"), "");
  EXPECT_EQ(std::filesystem::status(dir / "new.dat").permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  writeFile(dir / "old.dat", "lines\r\n");
  output::replaceFile(dir / "old.dat", "");
  EXPECT_EQ(readFile(dir / "old.dat"), "");
  // A dangling link is replaced, never followed to make its target.
  std::filesystem::create_symlink(dir / "elsewhere.dat", dir / "link.dat");
  output::replaceFile(dir / "link.dat", "");
  EXPECT_FALSE(isLink(dir / "link.dat"));
  EXPECT_FALSE(std::filesystem::exists(dir / "elsewhere.dat"));
  EXPECT_EQ(listFolder(dir.path()), (std::vector<std::string>{"link.dat", "new.dat", "old.dat"}));
}

TEST(OutputFiles, PipesFoldersAndEmptyPathsAreRefusedWithoutWaiting) {
  ScratchFolder dir;
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
  // Opening a pipe nobody reads would block a plain open for writing.
  EXPECT_EQ(errorNumber([&] { output::appendLine(dir / "fifo", "x"); }), 75);
  EXPECT_EQ(errorNumber([&] { output::appendLine(dir.path(), "x"); }), 75);
  EXPECT_EQ(errorNumber([&] { output::appendLine("", "x"); }), 52);
  EXPECT_EQ(errorNumber([&] { output::appendLine(dir / "no/such/x.log", "x"); }), 76);
}

TEST(OutputFiles, AppendStartsOnALineOfItsOwn) {
  ScratchFolder dir;
  ScopedEnv root("RAVELCREST_DRIVE_ROOT", dir / "drive");
  output::appendLine("\\TraceLog.log", "one");  // creates the drive root
  EXPECT_EQ(readFile(dir / "drive/TraceLog.log"), "one\r\n");

  writeFile(dir / "b.properties", "EdgeCount = 1      Build: x");
  output::appendLine(dir / "b.properties", "FaceCount = 9");
  EXPECT_EQ(readFile(dir / "b.properties"), "EdgeCount = 1      Build: x\r\nFaceCount = 9\r\n");
  for (const char* ended : {"a\r", "a\n"}) {
    writeFile(dir / "c.txt", ended);
    output::appendLines(dir / "c.txt", "b\r\n");
    EXPECT_EQ(readFile(dir / "c.txt"), std::string(ended) + "b\r\n");
  }
  // A file that may be written but not read is still appended to.
  if (::geteuid() != 0) {
    writeFile(dir / "w.log", "x");
    ::chmod((dir / "w.log").c_str(), 0200);
    output::appendLine(dir / "w.log", "y");
    ::chmod((dir / "w.log").c_str(), 0600);
    EXPECT_EQ(readFile(dir / "w.log"), "xy\r\n");
  }
}

TEST(OutputFiles, AFailedWriteLeavesTheOldContentWhole) {
  // Each write step refused in turn (a refused buffer is half written, as a
  // full disk leaves it): an append adds all its lines or none, a
  // replacement leaves the old content or the new, and no temporary stays.
  using fileio::WriteFaultHook;
  ScratchFolder dir;
  const std::string old = "Key = 1      Build: b, Date: 01/01/2000\r\n";
  const std::string line = "Other = 22      Build: b, Date: 01/01/2000";
  for (bool present : {true, false}) {
    for (int step = 1; step <= 3; ++step) {
      const std::string path = dir / "baseline.properties";
      std::filesystem::remove(path);
      if (present) writeFile(path, old);
      WriteFaultHook::refuseStep(step);
      const int error = errorNumber([&] { output::appendLine(path, line); });
      WriteFaultHook::refuseStep(0);
      const std::string after = fileExists(path) ? readFile(path) : "<none>";
      const std::string before = present ? old : "<none>";
      if (error != 0) {
        EXPECT_EQ(after, before) << "step " << step;
      } else {
        EXPECT_EQ(after, (present ? old : "") + line + "\r\n") << "step " << step;
      }
    }
  }
  for (int step = 1; step <= 3; ++step) {
    const std::string path = dir / "mass.massproperties";
    writeFile(path, "old\r\n");
    WriteFaultHook::refuseStep(step);
    const int error = errorNumber([&] { output::replaceFile(path, "new\r\nlines\r\n"); });
    WriteFaultHook::refuseStep(0);
    EXPECT_EQ(readFile(path), error != 0 ? "old\r\n" : "new\r\nlines\r\n") << "step " << step;
    EXPECT_EQ(listFolder(dir.path()).size(), 2u) << "a temporary was left at step " << step;
  }
  // A replacement written a block at a time: whole, or (a block refused, or
  // the producer giving up) the old content and no temporary.
  const std::string path = dir / "picture.bmp";
  auto blocks = [](const output::BlockWriter& write) {
    write("BM");
    write("rows 1\n");
    write("rows 2\n");
  };
  for (int step = 1; step <= 3; ++step) {
    writeFile(path, "old");
    WriteFaultHook::refuseStep(step);
    const int error = errorNumber([&] { output::replaceFileFrom(path, blocks); });
    WriteFaultHook::refuseStep(0);
    EXPECT_EQ(readFile(path), error != 0 ? "old" : "BMrows 1\nrows 2\n") << "step " << step;
    EXPECT_EQ(listFolder(dir.path()).size(), 3u) << "a temporary was left at step " << step;
  }
  writeFile(path, "old");
  EXPECT_THROW(output::replaceFileFrom(path, [](const output::BlockWriter& write) {
                 write("half");
                 throw std::runtime_error("the encoder gave up");
               }),
               std::runtime_error);
  EXPECT_EQ(readFile(path), "old");
  EXPECT_EQ(listFolder(dir.path()).size(), 3u);
}

ino_t inodeOf(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

TEST(OutputFiles, InPlaceWritesKeepTheFileAndTouchOnlyAPlainFileOfOurs) {
  ScratchFolder dir;
  writeFile(dir / "part.txt", "the previous document\r\n");
  const ino_t part = inodeOf(dir / "part.txt");
  {
    // A descriptor kept open on the part goes on appending from its start.
    KeptAppends kept;
    output::appendLine(dir / "part.txt", "more");
    ASSERT_TRUE(output::emptyInPlace(dir / "part.txt"));
    output::appendLine(dir / "part.txt", "next");
    EXPECT_EQ(kept.size(), 1u);
  }
  EXPECT_EQ(readFile(dir / "part.txt"), "next\r\n");
  EXPECT_EQ(inodeOf(dir / "part.txt"), part);
  {
    // Emptied, then filled by another writer (the host's journal lines) to
    // the size the kept file had: its last byte is read, not assumed.
    KeptAppends kept;
    ASSERT_TRUE(output::emptyInPlace(dir / "part.txt"));
    output::appendLine(dir / "part.txt", "ab");
    ASSERT_TRUE(output::emptyInPlace(dir / "part.txt"));
    appendText(dir / "part.txt", "xyz!");
    output::appendLine(dir / "part.txt", "next");
  }
  EXPECT_EQ(readFile(dir / "part.txt"), "xyz!\r\nnext\r\n");

  writeFile(dir / "Performance.log", "Exp_Open = 0.25\r\n");
  const ino_t log = inodeOf(dir / "Performance.log");
  ASSERT_TRUE(output::rewriteInPlace(dir / "Performance.log", "Exp_Open = 1\r\n"));
  EXPECT_EQ(readFile(dir / "Performance.log"), "Exp_Open = 1\r\n");  // the longer old content is cut
  EXPECT_EQ(inodeOf(dir / "Performance.log"), log);
  EXPECT_TRUE(output::holdsExactly(dir / "Performance.log", "Exp_Open = 1\r\n"));
  EXPECT_FALSE(output::holdsExactly(dir / "Performance.log", "Exp_Open = 2\r\n"));

  // A link, a second name, a folder or nothing at all is left for the caller
  // to replace; neither the link's target nor the other name changes.
  writeFile(dir / "target.txt", "precious");
  std::filesystem::create_symlink(dir / "target.txt", dir / "link.txt");
  EXPECT_FALSE(output::emptyInPlace(dir / "link.txt"));
  EXPECT_FALSE(output::rewriteInPlace(dir / "link.txt", "forged"));
  EXPECT_FALSE(output::holdsExactly(dir / "link.txt", "precious"));
  std::filesystem::create_hard_link(dir / "target.txt", dir / "second.txt");
  EXPECT_FALSE(output::emptyInPlace(dir / "second.txt"));
  EXPECT_FALSE(output::rewriteInPlace(dir / "second.txt", "forged"));
  EXPECT_EQ(readFile(dir / "target.txt"), "precious");
  createFolder(dir / "folder.txt");
  EXPECT_FALSE(output::emptyInPlace(dir / "folder.txt"));
  EXPECT_FALSE(output::rewriteInPlace(dir / "missing.txt", "x"));
  EXPECT_FALSE(std::filesystem::exists(dir / "missing.txt"));
  // Nor is a file more open to others than a new one would be.
  writeFile(dir / "open.txt", "x");
  std::filesystem::permissions(dir / "open.txt", std::filesystem::perms::all);
  EXPECT_FALSE(output::rewriteInPlace(dir / "open.txt", "y"));
}

TEST(OutputFiles, AFailedRewriteInPlaceLeavesNoMixOfOldAndNew) {
  ScratchFolder dir;
  writeFile(dir / "Performance.log", "Exp_Open = 0.5\r\n");
  fileio::WriteFaultHook::refuseStep(1);
  EXPECT_EQ(errorNumber([&] { output::rewriteInPlace(dir / "Performance.log", "Exp_Open = 12.75\r\n"); }), 75);
  fileio::WriteFaultHook::refuseStep(0);
  EXPECT_FALSE(std::filesystem::exists(dir / "Performance.log"));
}

TEST(OutputFiles, DurableReplacementsInABatchSyncEachFolderOnceAtItsEnd) {
  ScratchFolder dir;
  std::filesystem::create_directories(dir / "a");
  {
    fileio::FolderSyncs batch;
    EXPECT_EQ(fileio::FolderSyncs::current(), &batch);
    for (const char* name : {"a/one.txt", "a/two.txt", "three.txt", "a/one.txt"})
      output::replaceFile(dir / name, "content\r\n");
    EXPECT_EQ(batch.pending(), 2u);  // "a" and the scratch folder, each once
    {
      fileio::FolderSyncs inner;
      output::replaceFile(dir / "a/four.txt", "x");
      output::replaceFile(dir / "empty.txt", "");  // a new empty file needs no sync
      EXPECT_EQ(inner.pending(), 1u);
      EXPECT_EQ(batch.pending(), 2u);
    }
    EXPECT_EQ(fileio::FolderSyncs::current(), &batch);
    // Scratch output is not synced at all; a folder gone by the end is passed over.
    output::replaceNativeFile(dir / "scratch.txt", "x", 0644, /*durable=*/false);
    std::filesystem::create_directories(dir / "gone");
    output::replaceFile(dir / "gone/file.txt", "x");
    EXPECT_EQ(batch.pending(), 3u);
    std::filesystem::remove_all(dir / "gone");
    EXPECT_EQ(readFile(dir / "a/one.txt"), "content\r\n");  // in place before the batch ends
  }
  EXPECT_EQ(fileio::FolderSyncs::current(), nullptr);
}

}  // namespace
}  // namespace rc::platform
