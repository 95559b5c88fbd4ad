#include "platform/os/KeptAppends.h"

#include <sys/stat.h>

#include <algorithm>

namespace rc::platform {

namespace {

// The table of each thread; a thread without one opens per append.
thread_local KeptAppends* currentTable = nullptr;

}  // namespace

KeptAppends::KeptAppends(std::size_t capacity) : capacity_(std::max<std::size_t>(capacity, 1)), previous_(currentTable) {
  currentTable = this;
}

KeptAppends::~KeptAppends() { currentTable = previous_; }

KeptAppends* KeptAppends::current() { return currentTable; }

KeptAppends::File* KeptAppends::find(const std::string& native, bool follow, const struct stat& now) {
  auto it = std::find_if(files_.begin(), files_.end(),
                         [&](const File& f) { return f.follow == follow && f.native == native; });
  if (it == files_.end()) return nullptr;
  if (it->device != now.st_dev || it->inode != now.st_ino || it->mode != now.st_mode || it->owner != now.st_uid ||
      it->group != now.st_gid) {
    files_.erase(it);
    return nullptr;
  }
  it->used = ++clock_;
  return &*it;
}

KeptAppends::File& KeptAppends::keep(const std::string& native, bool follow, UniqueFd fd, const struct stat& st,
                                     bool readable) {
  forget(native, follow);
  if (files_.size() >= capacity_)
    files_.erase(std::min_element(files_.begin(), files_.end(),
                                  [](const File& a, const File& b) { return a.used < b.used; }));
  File f;
  f.native = native;
  f.follow = follow;
  f.fd = std::move(fd);
  f.device = st.st_dev;
  f.inode = st.st_ino;
  f.mode = st.st_mode;
  f.owner = st.st_uid;
  f.group = st.st_gid;
  f.readable = readable;
  f.used = ++clock_;
  files_.push_back(std::move(f));
  return files_.back();
}

void KeptAppends::forget(const std::string& native, bool follow) {
  std::erase_if(files_, [&](const File& f) { return f.follow == follow && f.native == native; });
}

}  // namespace rc::platform
