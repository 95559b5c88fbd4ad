#include "platform/os/KeptAppends.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "platform/os/FileIo.h"
#include "platform/os/Files.h"
#include "platform/os/OutputFiles.h"
#include "tests/support/TestSupport.h"

namespace rc::platform {
namespace {

using rc::testing::errorNumber;
using rc::testing::ScratchFolder;

TEST(KeptAppends, AFileIsOpenedOnceAndItsLinesStayInOrder) {
  ScratchFolder dir;
  KeptAppends kept;
  fileio::WriteFaultHook::refuseStep(0);
  for (int i = 0; i < 5; ++i) output::appendLine(dir / "TraceLog.log", "line " + std::to_string(i));
  // Five appends, one open: a write step each and one for the open.
  EXPECT_EQ(fileio::WriteFaultHook::steps(), 6);
  EXPECT_EQ(kept.size(), 1u);
  EXPECT_EQ(readFile(dir / "TraceLog.log"), "line 0\r\nline 1\r\nline 2\r\nline 3\r\nline 4\r\n");
}

TEST(KeptAppends, TheTableEndsWithItsScope) {
  ScratchFolder dir;
  {
    KeptAppends kept;
    EXPECT_EQ(KeptAppends::current(), &kept);
    {
      KeptAppends inner;
      EXPECT_EQ(KeptAppends::current(), &inner);
    }
    EXPECT_EQ(KeptAppends::current(), &kept);
  }
  EXPECT_EQ(KeptAppends::current(), nullptr);
  fileio::WriteFaultHook::refuseStep(0);
  output::appendLine(dir / "a.log", "x");
  output::appendLine(dir / "a.log", "y");
  EXPECT_EQ(fileio::WriteFaultHook::steps(), 4);  // without a table: an open per append
}

TEST(KeptAppends, ARotatedOrDeletedFileIsOpenedAgain) {
  ScratchFolder dir;
  KeptAppends kept;
  const std::string journal = dir / "journal.txt";
  output::appendLine(journal, "one");
  std::filesystem::rename(journal, dir / "journal.1.txt");  // the harness rotates it
  output::appendLine(journal, "two");
  EXPECT_EQ(readFile(dir / "journal.1.txt"), "one\r\n");
  EXPECT_EQ(readFile(journal), "two\r\n");
  std::filesystem::remove(journal);  // a test deletes it
  output::appendLine(journal, "three");
  EXPECT_EQ(readFile(journal), "three\r\n");
  // Replaced by another file that lacks its last line end: the next line
  // starts a line of its own, as it does in a file opened afresh.
  writeFile(dir / "other.txt", "partial");
  std::filesystem::rename(dir / "other.txt", journal);
  output::appendLine(journal, "four");
  EXPECT_EQ(readFile(journal), "partial\r\nfour\r\n");
  // The same goes for appendText, which follows links.
  appendText(dir / "host.txt", "a\r\n");
  std::filesystem::remove(dir / "host.txt");
  appendText(dir / "host.txt", "b\r\n");
  EXPECT_EQ(readFile(dir / "host.txt"), "b\r\n");
}

TEST(KeptAppends, AnotherWritersPartialLineIsEndedFirst) {
  ScratchFolder dir;
  KeptAppends kept;
  const std::string data = dir / "RavelcrestPartAssembly.dat";
  output::appendLine(data, "Default");
  appendText(data, "12");  // another writer, no line end
  output::appendLine(data, "0");
  output::appendLines(data, "");  // nothing to add: nothing added
  output::appendLine(data, "1");
  EXPECT_EQ(readFile(data), "Default\r\n12\r\n0\r\n1\r\n");
  // Truncated in place behind the table's back: no line end is owed.
  std::filesystem::resize_file(data, 0);
  output::appendLine(data, "x");
  EXPECT_EQ(readFile(data), "x\r\n");
}

TEST(KeptAppends, ALinkPutInPlaceOfAKeptFileIsNeverWrittenThrough) {
  ScratchFolder dir;
  KeptAppends kept;
  writeFile(dir / "target.txt", "precious\r\n");
  const std::string trace = dir / "TraceLog.log";
  output::appendLine(trace, "one");
  std::filesystem::remove(trace);
  std::filesystem::create_symlink(dir / "target.txt", trace);
  EXPECT_EQ(errorNumber([&] { output::appendLine(trace, "forged"); }), 75);
  EXPECT_EQ(readFile(dir / "target.txt"), "precious\r\n");
  // A file made read-only behind the table's back is refused as a fresh open refuses it.
  if (::geteuid() != 0) {
    output::appendLine(dir / "ro.log", "one");
    ::chmod((dir / "ro.log").c_str(), 0444);
    EXPECT_EQ(errorNumber([&] { output::appendLine(dir / "ro.log", "two"); }), 70);
    EXPECT_EQ(readFile(dir / "ro.log"), "one\r\n");
  }
}

TEST(KeptAppends, AFailedWriteLeavesNoPartOfItsLines) {
  using fileio::WriteFaultHook;
  ScratchFolder dir;
  KeptAppends kept;
  const std::string path = dir / "MassPropertyInCinfigs.dat";
  output::appendLine(path, "Default");
  // The next write step is the kept file's write: half of it goes in, then
  // the device refuses the rest.
  WriteFaultHook::refuseStep(1);
  EXPECT_EQ(errorNumber([&] { output::appendLines(path, "0.5\r\n0.25\r\n"); }), 75);
  WriteFaultHook::refuseStep(0);
  EXPECT_EQ(readFile(path), "Default\r\n");
  output::appendLine(path, "0.125");
  EXPECT_EQ(readFile(path), "Default\r\n0.125\r\n");
  // A file the failed append created is gone again.
  WriteFaultHook::refuseStep(2);  // the open passes, the write fails
  EXPECT_EQ(errorNumber([&] { output::appendLine(dir / "new.dat", "x"); }), 75);
  WriteFaultHook::refuseStep(0);
  EXPECT_FALSE(std::filesystem::exists(dir / "new.dat"));
}

TEST(KeptAppends, LinesOfTwoProcessesStayWhole) {
  // Two workers append blocks of lines to one trace log through their own
  // tables: every block arrives whole and none is lost.
  ScratchFolder dir;
  const std::string trace = dir / "TraceLog.log";
  constexpr int kBlocks = 300;
  std::vector<pid_t> children;
  for (char who : {'a', 'b'}) {
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      KeptAppends kept;
      const std::string filler(200, who);
      for (int i = 0; i < kBlocks; ++i)
        output::appendLines(trace, std::string(1, who) + " Enter " + filler + "\r\n" + who + " Exit\r\n");
      ::_exit(0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  std::istringstream lines(readFile(trace));
  std::map<char, int> blocks;
  for (std::string enter, exit; std::getline(lines, enter);) {
    ASSERT_TRUE(std::getline(lines, exit));
    ASSERT_EQ(enter, std::string(1, enter[0]) + " Enter " + std::string(200, enter[0]) + "\r");
    ASSERT_EQ(exit, std::string(1, enter[0]) + " Exit\r");
    ++blocks[enter[0]];
  }
  EXPECT_EQ(blocks['a'], kBlocks);
  EXPECT_EQ(blocks['b'], kBlocks);
}

TEST(KeptAppends, AnythingButARegularFileIsOpenedPerAppendAndClosedAgain) {
  KeptAppends kept;
  auto openFiles = [] {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
  };
  const std::size_t before = openFiles();
  for (int i = 0; i < 50; ++i) appendLine("/dev/null", "message");
  EXPECT_EQ(openFiles(), before);
  EXPECT_EQ(kept.size(), 0u);
}

TEST(KeptAppends, TheLeastRecentlyUsedFileMakesRoom) {
  ScratchFolder dir;
  KeptAppends kept(2);
  for (int round = 0; round < 3; ++round)
    for (const char* name : {"a.dat", "b.dat", "c.dat"}) output::appendLine(dir / name, std::to_string(round));
  EXPECT_EQ(kept.size(), 2u);
  for (const char* name : {"a.dat", "b.dat", "c.dat"}) EXPECT_EQ(readFile(dir / name), "0\r\n1\r\n2\r\n") << name;
}

}  // namespace
}  // namespace rc::platform
