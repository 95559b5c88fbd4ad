#include "platform/os/GrowingFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/automation/Error.h"
#include "platform/os/Files.h"
#include "platform/os/OutputFiles.h"
#include "tests/support/TestSupport.h"

namespace rc::platform {
namespace {

using rc::testing::errorNumber;
using rc::testing::ScratchFolder;
namespace err = rc::automation::err;

TEST(GrowingFile, ReadsWhatOthersAppendThroughTheDescriptorItOpened) {
  ScratchFolder dir;
  const std::string path = dir / "journal.txt";
  output::appendLine(path, "'===== part");
  const GrowingFile journal(path);
  const std::int64_t mark = journal.length();
  EXPECT_EQ(mark, 13);
  EXPECT_EQ(journal.readFrom(mark), "");

  output::appendLine(path, "first");
  appendLine(path, "second");  // the host's writer, which follows links
  EXPECT_EQ(journal.readFrom(mark), "first\r\nsecond\r\n");
  EXPECT_EQ(journal.readFrom(0), readFile(path));
  EXPECT_EQ(journal.readFrom(1000), "");

  // A tail longer than one read comes whole.
  const std::string big(100000, 'x');
  const std::int64_t before = journal.length();
  appendText(path, big);
  EXPECT_EQ(journal.readFrom(before), big);

  // Emptied in place, it reads from its new start.
  output::emptyInPlace(path);
  EXPECT_EQ(journal.length(), 0);
  output::appendLine(path, "next document");
  EXPECT_EQ(journal.readFrom(0), "next document\r\n");
  EXPECT_TRUE(journal.isAt(path));

  // Replaced or removed behind its back, the path no longer leads to it.
  output::replaceFile(path, "another file\r\n");
  EXPECT_FALSE(journal.isAt(path));
  EXPECT_EQ(journal.readFrom(0), "next document\r\n");
  const GrowingFile again(path);
  deleteFile(path);
  EXPECT_FALSE(again.isAt(path));
}

TEST(GrowingFile, RefusesAMissingFileALinkAPipeAndADeviceWithoutBlocking) {
  ScratchFolder dir;
  EXPECT_EQ(errorNumber([&] { GrowingFile journal(dir / "missing.txt"); }), err::FileNotFound);
  EXPECT_EQ(errorNumber([&] { GrowingFile journal(dir / "no/such/journal.txt"); }), err::PathNotFound);
  // A pipe nobody writes to would block the open, and a device like
  // /dev/zero would never end a read.
  const std::string fifo = dir / "fifo.txt";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(errorNumber([&] { GrowingFile journal(fifo); }), err::PathFileAccessError);
  const std::string link = dir / "zero.txt";
  ASSERT_EQ(::symlink("/dev/zero", link.c_str()), 0);
  EXPECT_EQ(errorNumber([&] { GrowingFile journal(link); }), err::PathFileAccessError);
  EXPECT_EQ(errorNumber([&] { GrowingFile journal("/dev/zero"); }), err::PathFileAccessError);
}

}  // namespace
}  // namespace rc::platform
