// The worker's journal part: emptied in place from one document to the
// next while a KeptJournalParts lives, never written through a link, and
// removed when the worker is done.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/os/Files.h"
#include "platform/os/KeptAppends.h"
#include "tests/support/TestSupport.h"
#include "tools/common/OutputFiles.h"
#include "tools/results/ResultsFolder.h"

namespace rc::tools {
namespace {

using rc::testing::ScratchFolder;
namespace fs = std::filesystem;

ino_t inodeOf(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

TEST(JournalPart, AKeptPartIsEmptiedForTheNextDocumentAndRemovedAtTheEnd) {
  ScratchFolder dir;
  const std::string part = journalPartOf(dir.path());
  {
    platform::KeptAppends appends;
    KeptJournalParts parts;
    startJournalPart(part, "'===== one\r\n");
    appendOutputFile(part, "a line of the first document\r\n");
    finishJournalPart(part);
    ASSERT_TRUE(fs::exists(part));
    const ino_t first = inodeOf(part);
    startJournalPart(part, "'===== two\r\n");
    appendOutputFile(part, "a line of the second\r\n");
    EXPECT_EQ(platform::readFile(part), "'===== two\r\na line of the second\r\n");
    EXPECT_EQ(inodeOf(part), first);

    // A link planted at the part is removed, never written through.
    finishJournalPart(part);
    platform::writeFile(dir / "victim.txt", "precious");
    fs::remove(part);
    fs::create_symlink(dir / "victim.txt", part);
    startJournalPart(part, "'===== three\r\n");
    EXPECT_FALSE(fs::is_symlink(part));
    EXPECT_EQ(platform::readFile(part), "'===== three\r\n");
    EXPECT_EQ(platform::readFile(dir / "victim.txt"), "precious");
    // So is a second name of another file: emptying it would empty that file.
    finishJournalPart(part);
    fs::remove(part);
    fs::create_hard_link(dir / "victim.txt", part);
    startJournalPart(part, "'===== four\r\n");
    EXPECT_EQ(platform::readFile(part), "'===== four\r\n");
    EXPECT_EQ(platform::readFile(dir / "victim.txt"), "precious");
    finishJournalPart(part);
  }
  EXPECT_FALSE(fs::exists(part));
  // Without a table each document's part goes when it is done.
  startJournalPart(part, "'===== alone\r\n");
  finishJournalPart(part);
  EXPECT_FALSE(fs::exists(part));
}

}  // namespace
}  // namespace rc::tools
