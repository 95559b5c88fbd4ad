#include "tools/images/ImageWorkFolder.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace rc::tools {

namespace fs = std::filesystem;

namespace {

thread_local ImageWorkFolder* currentFolder = nullptr;

// The memory-backed folders a private work folder may be made in, best first.
std::vector<std::string> candidates() {
  std::vector<std::string> places;
  if (const char* tmp = std::getenv("TMPDIR"); tmp != nullptr && *tmp == '/') places.emplace_back(tmp);
  places.emplace_back("/dev/shm");
  places.push_back("/run/user/" + std::to_string(::getuid()));
  return places;
}

// Whether the file system of `folder` has room for a check's work: a
// small /dev/shm (a container's 64 MiB) fills up, where the disk would not.
bool roomFor(const std::string& folder) {
  constexpr unsigned long long kRoom = 256ull << 20;
  struct statfs st {};
  return ::statfs(folder.c_str(), &st) == 0 &&
         static_cast<unsigned long long>(st.f_bavail) * static_cast<unsigned long long>(st.f_bsize) >= kRoom;
}

constexpr const char* kFolderPrefix = "ravelcrest-work-";
constexpr const char* kOwnerName = ".owner";

// Whether the work folder `folder` (a name mkdtemp made from kFolderPrefix)
// was left by a run that died: it is ours, a folder and not a link, and no
// live process holds the lock on its owner file (a lock ends with its
// process, however that ends), and it has not changed for a minute, so one
// being made is not taken for one left. A folder without an owner file
// (an older build's) must have rested an hour.
bool abandoned(const fs::path& folder) {
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) return false;
  const auto rested = std::chrono::system_clock::now() - std::chrono::system_clock::from_time_t(st.st_mtime);
  const platform::UniqueFd owner(::open((folder / kOwnerName).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  if (!owner.valid()) return errno == ENOENT && rested >= std::chrono::hours(1);
  return rested >= std::chrono::minutes(1) && ::flock(owner.get(), LOCK_EX | LOCK_NB) == 0;
}

// Removes the work folders in `place` that runs killed by a signal left.
void sweepAbandoned(const std::string& place) {
  std::error_code ec;
  const std::string prefix = kFolderPrefix;
  for (const fs::directory_entry& e : fs::directory_iterator(place, ec)) {
    const std::string name = e.path().filename().string();
    if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) continue;
    std::error_code ignored;
    if (abandoned(e.path())) fs::remove_all(e.path(), ignored);
  }
}

}  // namespace

bool memoryBacked(const std::string& path) {
  struct statfs st {};
  if (::statfs(path.c_str(), &st) != 0) return false;
  return st.f_type == TMPFS_MAGIC || st.f_type == RAMFS_MAGIC;
}

void moveWorkFile(const std::string& from, const std::string& to) {
  std::error_code ec;
  if (!fs::is_regular_file(fs::symlink_status(from, ec))) return;
  fs::rename(from, to, ec);  // replaces a link at `to` itself
  if (!ec) return;
  fs::remove(to, ec);
  fs::copy_file(from, to, ec);  // creates `to` afresh: nothing is written through
  if (ec) throw fs::filesystem_error("cannot move the image work file", from, to, ec);
  fs::remove(from, ec);
}

ImageWorkFolder::ImageWorkFolder() : previous_(currentFolder) { currentFolder = this; }

ImageWorkFolder::~ImageWorkFolder() {
  currentFolder = previous_;
  if (folder_.empty()) return;
  std::error_code ec;
  fs::remove_all(folder_, ec);
}

ImageWorkFolder* ImageWorkFolder::current() { return currentFolder; }

const std::string& ImageWorkFolder::folder() {
  if (tried_) return folder_;
  tried_ = true;
  for (const std::string& place : candidates()) {
    if (!memoryBacked(place)) continue;
    sweepAbandoned(place);
    std::string name = place + "/" + kFolderPrefix + "XXXXXX";
    if (::mkdtemp(name.data()) == nullptr) continue;
    // Held to the end of the process: a later run's sweep sees it is alive.
    platform::UniqueFd owner(::open((name + "/" + kOwnerName).c_str(),
                                    O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (owner.valid() && ::flock(owner.get(), LOCK_EX | LOCK_NB) == 0) {
      owner_ = std::move(owner);
      folder_ = std::move(name);
      break;
    }
    std::error_code ec;
    fs::remove_all(name, ec);
  }
  return folder_;
}

std::string ImageWorkFolder::startCheck(const std::string& imagesFolder) {
  if (memoryBacked(imagesFolder)) return imagesFolder;
  std::error_code ec;
  if (tried_ && !folder_.empty() && !fs::is_directory(fs::symlink_status(folder_, ec))) {
    tried_ = false;  // removed behind the run's back: another is made
    folder_.clear();
  }
  if (folder().empty() || !roomFor(folder_)) return imagesFolder;
  // What an earlier check left (a work file a failed check kept) goes.
  for (const fs::directory_entry& e : fs::directory_iterator(folder_, ec))
    if (e.path().filename() != kOwnerName) fs::remove_all(e.path(), ec);
  return folder_;
}

}  // namespace rc::tools
