#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/os/FileIo.h"
#include "tools/common/OutputFiles.h"

namespace rc::tools {
namespace {

namespace fs = std::filesystem;

class OutputFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/ravelcrest-output-XXXXXX";
    dir = mkdtemp(tmpl);
    victim = dir / "victim";
    std::ofstream(victim) << "keep";
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string read(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  fs::path dir, victim;
};

TEST_F(OutputFilesTest, ReplaceNeverFollowsALink) {
  fs::create_symlink(victim, dir / "Performance.log");
  replaceOutputFile((dir / "Performance.log").string(), "Exp_Open = 0\r\n");
  EXPECT_EQ(read(victim), "keep");
  EXPECT_FALSE(fs::is_symlink(dir / "Performance.log"));
  EXPECT_EQ(read(dir / "Performance.log"), "Exp_Open = 0\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);  // no temporary left
}

TEST_F(OutputFilesTest, AppendRefusesALinkNamingThePath) {
  fs::create_symlink(victim, dir / "journal.txt");
  try {
    appendOutputFile((dir / "journal.txt").string(), "x");
    FAIL() << "wrote through a link";
  } catch (const OutputError& e) {
    EXPECT_NE(std::string(e.what()).find((dir / "journal.txt").string()), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("symbolic link"), std::string::npos);
  }
  EXPECT_EQ(read(victim), "keep");
}

TEST_F(OutputFilesTest, StartKeepsThePreviousAndMovesALinkAside) {
  fs::path journal = dir / "journal.txt", kept = dir / "journal.1.txt";
  appendOutputFile(journal.string(), "run 1\r\n");
  startOutputFile(journal.string(), kept.string());
  EXPECT_EQ(read(kept), "run 1\r\n");
  EXPECT_EQ(fs::file_size(journal), 0u);
  fs::remove(journal);
  fs::create_symlink(victim, journal);
  startOutputFile(journal.string(), kept.string());
  EXPECT_TRUE(fs::is_symlink(kept));
  EXPECT_FALSE(fs::is_symlink(journal));
  appendOutputFile(journal.string(), "run 3\r\n");
  EXPECT_EQ(read(victim), "keep");
  fs::create_directory(dir / "folder");
  EXPECT_THROW(startOutputFile((dir / "folder").string(), kept.string()), OutputError);
}

TEST_F(OutputFilesTest, AnAppendStartsALineOfItsOwnAndRefusesWhatIsNoFile) {
  fs::path journal = dir / "journal.txt";
  std::ofstream(journal) << "'cut short";
  appendOutputFile(journal.string(), "'===== bolt.vxlprt\r\n");
  EXPECT_EQ(read(journal), "'cut short\r\n'===== bolt.vxlprt\r\n");
  // A pipe nobody reads would hold an open for writing forever.
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  try {
    appendOutputFile((dir / "pipe").string(), "x\r\n");
    FAIL() << "wrote into a pipe";
  } catch (const OutputError& e) {
    EXPECT_EQ(std::string(e.what()), "cannot write " + (dir / "pipe").string() + ": it is not a regular file");
  }
}

TEST_F(OutputFilesTest, AnUnchangedFileIsLeftAsItIsAndAChangedOneReplaced) {
  const fs::path record = dir / "last-run.json";
  replaceOutputFile(record.string(), "{\"changes\": 1}\n");
  struct stat before {};
  ASSERT_EQ(::lstat(record.c_str(), &before), 0);
  EXPECT_FALSE(replaceChangedOutputFile(record.string(), "{\"changes\": 1}\n"));
  struct stat after {};
  ASSERT_EQ(::lstat(record.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_TRUE(replaceChangedOutputFile(record.string(), "{\"changes\": 2}\n"));
  EXPECT_EQ(read(record), "{\"changes\": 2}\n");
  // A link to a file of the same content is still replaced, never kept.
  fs::create_symlink(victim, dir / "candidate.dat");
  EXPECT_TRUE(replaceChangedOutputFile((dir / "candidate.dat").string(), "keep"));
  EXPECT_FALSE(fs::is_symlink(dir / "candidate.dat"));
  EXPECT_EQ(read(victim), "keep");
}

TEST_F(OutputFilesTest, ScratchIsRewrittenInPlaceUnlessALinkIsThere) {
  const fs::path log = dir / "Performance.log";
  replaceOutputFile(log.string(), "Exp_Open = 0.125\r\n", Durability::Scratch);
  struct stat first {}, second {};
  ASSERT_EQ(::lstat(log.c_str(), &first), 0);
  replaceOutputFile(log.string(), "Exp_Open = 2\r\n", Durability::Scratch);
  ASSERT_EQ(::lstat(log.c_str(), &second), 0);
  EXPECT_EQ(second.st_ino, first.st_ino);
  EXPECT_EQ(read(log), "Exp_Open = 2\r\n");
  fs::remove(log);
  fs::create_symlink(victim, log);
  replaceOutputFile(log.string(), "Exp_Open = 3\r\n", Durability::Scratch);
  EXPECT_FALSE(fs::is_symlink(log));
  EXPECT_EQ(read(victim), "keep");
}

TEST_F(OutputFilesTest, PathsAreTheSystemsOwnAndErrorsNameThem) {
  // A backslash is part of a name here, not a separator of the host's paths.
  fs::path odd = dir / "odd\\name.json";
  replaceOutputFile(odd.string(), "{}\n", Durability::Scratch);
  appendOutputFile((dir / "odd\\journal.txt").string(), "x\r\n");
  EXPECT_EQ(read(odd), "{}\n");
  EXPECT_TRUE(fs::exists(dir / "odd\\journal.txt"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);
  const std::string missing = (dir / "no" / "report.html").string();
  try {
    replaceOutputFile(missing, "<html>");
    FAIL() << "wrote into a missing folder";
  } catch (const OutputError& e) {
    EXPECT_EQ(std::string(e.what()), "cannot write " + missing + ": Path not found");
  }
  fs::create_directory(dir / "folder");
  EXPECT_THROW(replaceOutputFile((dir / "folder").string(), "x"), OutputError);
  EXPECT_TRUE(fs::is_directory(dir / "folder"));
  // A failed write is told in the system's words (a full disk: "No space
  // left on device"), not as a general file error.
  for (bool append : {false, true}) {
    platform::fileio::WriteFaultHook::refuseStep(1);
    try {
      append ? appendOutputFile(victim.string(), "x\r\n") : replaceOutputFile(victim.string(), "new");
      ADD_FAILURE() << "a refused write passed";
    } catch (const OutputError& e) {
      EXPECT_EQ(std::string(e.what()), "cannot write " + victim.string() + ": " + std::strerror(EIO));
    }
    platform::fileio::WriteFaultHook::refuseStep(0);
    EXPECT_EQ(read(victim), "keep");
  }
}

}  // namespace
}  // namespace rc::tools
