// The baseline index and the link-refusing folder access baseline review
// relies on: hostile names survive the index, an index naming anything but
// plain files of its folder is not believed, and nothing is read or written
// through a link.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tools/check/BaselineIndex.h"
#include "tools/common/FolderFiles.h"
#include "tools/common/OutputFiles.h"

namespace rc::tools {
namespace {

namespace fs = std::filesystem;

class BaselineIndexTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/ravelcrest-index-XXXXXX";
    dir = mkdtemp(tmpl);
  }
  void TearDown() override { fs::remove_all(dir); }
  fs::path dir;
};

TEST_F(BaselineIndexTest, HostileNamesRoundTripAndForeignEntriesAreIgnored) {
  const std::string odd = "a\tb%\n\r\x1b.vxlprt";
  recordBaselines(dir.string(), odd, {odd + ".properties"});
  recordBaselines(dir.string(), "c.prt", {"c.prt.properties", "c-prt.gif"});
  recordBaselines(dir.string(), "c.prt", {"c.prt.properties"});  // already there: nothing changes
  BaselineIndex index = readBaselineIndex(dir.string());
  ASSERT_EQ(index.size(), 2u);
  EXPECT_EQ(index[odd], std::set<std::string>{odd + ".properties"});
  EXPECT_EQ(index["c.prt"].size(), 2u);

  // An index written by hand may name only plain files of its own folder.
  std::ofstream(dir / ".ravelcrest" / "baselines", std::ios::app)
      << "d.prt\t../victim\nd.prt\t.ravelcrest\n../e.prt\tx\nd.prt\t/etc/passwd\nd.prt\td.prt.properties\nno tab\n";
  index = readBaselineIndex(dir.string());
  EXPECT_EQ(index["d.prt"], std::set<std::string>{"d.prt.properties"});
  EXPECT_EQ(index.count("../e.prt"), 0u);

  forgetBaselines(dir.string(), {"c.prt", "d.prt"});
  index = readBaselineIndex(dir.string());
  EXPECT_EQ(index.size(), 1u);
  EXPECT_EQ(index.count(odd), 1u);
}

TEST_F(BaselineIndexTest, AnIndexReachedThroughALinkIsNotBelieved) {
  fs::create_directories(dir / "elsewhere");
  recordBaselines((dir / "elsewhere").string(), "x.prt", {"x.prt.properties"});
  fs::create_directories(dir / "here");
  fs::create_directory_symlink(dir / "elsewhere" / ".ravelcrest", dir / "here" / ".ravelcrest");
  EXPECT_TRUE(readBaselineIndex((dir / "here").string()).empty());
}

TEST_F(BaselineIndexTest, FolderFilesRefuseLinksAndKeepTheReplacedFilesMode) {
  fs::create_directories(dir / "doc" / "state");
  std::ofstream(dir / "secret") << "secret";
  fs::create_symlink(dir / "secret", dir / "doc" / "link");
  fs::create_directory_symlink(dir, dir / "doc" / "up");
  const FolderFiles folder = FolderFiles::open((dir / "doc").string());
  EXPECT_THROW(folder.read("link"), OutputError);
  EXPECT_THROW(folder.sub("up"), OutputError);
  EXPECT_THROW(folder.read("../secret"), OutputError);
  EXPECT_THROW(folder.sub(".."), OutputError);

  // A link where the file goes is replaced, not written through.
  folder.replace("link", "new");
  std::ifstream secret(dir / "secret");
  std::string kept;
  secret >> kept;
  EXPECT_EQ(kept, "secret");
  EXPECT_FALSE(fs::is_symlink(dir / "doc" / "link"));
  EXPECT_EQ(folder.read("link"), "new");

  std::ofstream(dir / "doc" / "private") << "old";
  ::chmod((dir / "doc" / "private").c_str(), 0600);
  folder.replace("private", "new");
  struct stat st {};
  ASSERT_EQ(::stat((dir / "doc" / "private").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  folder.sub("state").replace("fresh", "x", 0640);
  ASSERT_EQ(::stat((dir / "doc" / "state" / "fresh").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "doc"), fs::directory_iterator()), 4);  // no temporary left
}

}  // namespace
}  // namespace rc::tools
