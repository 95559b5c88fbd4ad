#include "tools/images/ImageWorkFolder.h"

#include <linux/magic.h>
#include <sys/statfs.h>
#include <unistd.h>

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
    std::string name = place + "/ravelcrest-work-XXXXXX";
    if (::mkdtemp(name.data()) != nullptr) {
      folder_ = std::move(name);
      break;
    }
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
  for (const fs::directory_entry& e : fs::directory_iterator(folder_, ec)) fs::remove_all(e.path(), ec);
  return folder_;
}

}  // namespace rc::tools
