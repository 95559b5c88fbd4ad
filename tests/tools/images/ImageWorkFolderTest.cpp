#include "tools/images/ImageWorkFolder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace rc::tools {
namespace {

namespace fs = std::filesystem;

std::string read(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A folder on the disk (not memory-backed), removed afterwards.
class DiskFolder {
 public:
  DiskFolder() {
    char tmpl[] = "/var/tmp/ravelcrest-work-test-XXXXXX";
    path_ = ::mkdtemp(tmpl);
  }
  ~DiskFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

TEST(ImageWorkFolder, WorkForADiskGoesToAPrivateMemoryFolderThatEndsWithTheRun) {
  DiskFolder images;
  if (memoryBacked(images.path()) || !fs::is_directory("/dev/shm") || !memoryBacked("/dev/shm"))
    GTEST_SKIP() << "needs a disk folder and /dev/shm";
  std::string work;
  {
    ImageWorkFolder folder;
    ASSERT_EQ(ImageWorkFolder::current(), &folder);
    work = folder.startCheck(images.path());
    ASSERT_NE(work, images.path().string());
    EXPECT_TRUE(memoryBacked(work));
    struct stat st {};
    ASSERT_EQ(::lstat(work.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);  // nobody else reads or plants files there
    // What a failed check left is gone when the next one starts.
    std::ofstream(work + "/view-diff.bmp") << "left over";
    EXPECT_EQ(folder.startCheck(images.path()), work);
    EXPECT_FALSE(fs::exists(work + "/view-diff.bmp"));
    EXPECT_TRUE(fs::exists(work + "/.owner"));  // the run's lock stays
    // Removed behind the run's back: another is made.
    fs::remove_all(work);
    const std::string again = folder.startCheck(images.path());
    EXPECT_TRUE(fs::is_directory(again));
    work = again;
  }
  EXPECT_FALSE(fs::exists(work));
  EXPECT_EQ(ImageWorkFolder::current(), nullptr);
}

// The folders runs killed by a signal left go when the next run makes its
// own; those of live runs, ones being made, links and other names stay.
TEST(ImageWorkFolder, AFolderLeftByAKilledRunGoesAndALiveRunsStays) {
  DiskFolder images;
  char tmpl[] = "/dev/shm/ravelcrest-sweep-test-XXXXXX";
  if (memoryBacked(images.path()) || !fs::is_directory("/dev/shm") || !memoryBacked("/dev/shm") || !::mkdtemp(tmpl))
    GTEST_SKIP() << "needs a disk folder and /dev/shm";
  const fs::path place = tmpl;
  const auto make = [&](const char* name, bool owner, std::chrono::minutes age) {
    fs::create_directory(place / name);
    if (owner) std::ofstream(place / name / ".owner");
    std::ofstream(place / name / "view-diff.bmp") << "left";
    fs::last_write_time(place / name, fs::file_time_type::clock::now() - age);
    return place / name;
  };
  make("ravelcrest-work-dead01", true, std::chrono::minutes(2));
  const fs::path live = make("ravelcrest-work-live01", true, std::chrono::minutes(90));
  make("ravelcrest-work-young1", true, std::chrono::minutes(0));
  make("ravelcrest-work-oldbld", false, std::chrono::minutes(120));
  make("ravelcrest-work-newbld", false, std::chrono::minutes(2));
  make("ravelcrest-work-other-name", true, std::chrono::minutes(90));
  const fs::path target = make("linked-target", true, std::chrono::minutes(90));
  fs::create_directory_symlink(target, place / "ravelcrest-work-link01");
  // A live run holds its lock (another open file description conflicts).
  const int held = ::open((live / ".owner").c_str(), O_RDONLY);
  ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);

  const char* saved = std::getenv("TMPDIR");
  const std::string savedValue = saved ? saved : "";
  ::setenv("TMPDIR", place.c_str(), 1);
  std::string work;
  {
    ImageWorkFolder folder;
    work = folder.startCheck(images.path());
  }
  saved ? ::setenv("TMPDIR", savedValue.c_str(), 1) : ::unsetenv("TMPDIR");
  ::close(held);

  EXPECT_EQ(fs::path(work).parent_path(), place);
  EXPECT_FALSE(fs::exists(place / "ravelcrest-work-dead01"));
  EXPECT_FALSE(fs::exists(place / "ravelcrest-work-oldbld"));
  for (const char* kept : {"ravelcrest-work-live01", "ravelcrest-work-young1", "ravelcrest-work-newbld",
                           "ravelcrest-work-other-name", "ravelcrest-work-link01"})
    EXPECT_TRUE(fs::exists(fs::symlink_status(place / kept))) << kept;
  EXPECT_TRUE(fs::exists(target / "view-diff.bmp"));
  fs::remove_all(place);
}

TEST(ImageWorkFolder, MemoryBackedResultsKeepTheirWork) {
  if (!fs::is_directory("/dev/shm") || !memoryBacked("/dev/shm")) GTEST_SKIP() << "needs /dev/shm";
  char tmpl[] = "/dev/shm/ravelcrest-images-XXXXXX";
  const std::string images = ::mkdtemp(tmpl);
  ImageWorkFolder folder;
  EXPECT_EQ(folder.startCheck(images), images);
  fs::remove_all(images);
}

TEST(ImageWorkFolder, AMovedWorkFileReplacesALinkAndNeverWritesThroughIt) {
  DiskFolder results;
  char tmpl[] = "/dev/shm/ravelcrest-work-move-XXXXXX";
  const fs::path work = fs::is_directory("/dev/shm") ? fs::path(::mkdtemp(tmpl)) : results.path() / "work";
  fs::create_directories(work);
  std::ofstream(results.path() / "victim") << "keep";
  fs::create_symlink(results.path() / "victim", results.path() / "view-diff.gif");
  std::ofstream(work / "view-diff.gif") << "GIF89a";
  moveWorkFile(work / "view-diff.gif", results.path() / "view-diff.gif");
  EXPECT_FALSE(fs::is_symlink(results.path() / "view-diff.gif"));
  EXPECT_EQ(read(results.path() / "view-diff.gif"), "GIF89a");
  EXPECT_EQ(read(results.path() / "victim"), "keep");
  EXPECT_FALSE(fs::exists(work / "view-diff.gif"));
  // Nothing to move: nothing happens.
  moveWorkFile(work / "missing.gif", results.path() / "missing.gif");
  EXPECT_FALSE(fs::exists(results.path() / "missing.gif"));
  fs::remove_all(work);
}

}  // namespace
}  // namespace rc::tools
