#include "sim/vault/VaultCheck.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "platform/os/UniqueFd.h"
#include "sim/vault/ContentHash.h"
#include "sim/vault/Names.h"
#include "sim/vault/VaultError.h"
#include "sim/vault/VaultLocation.h"
#include "sim/vault/WriterLock.h"

namespace rc::sim::vault {

namespace {

constexpr std::size_t kChunk = 1 << 16;

// A file of blobs/ as read: its size and SHA-256, or why it could not be.
struct Content {
  std::int64_t size = 0;
  std::string hash;
  std::string unreadable;
};

Content readContent(int dirFd, const std::string& name) {
  Content c;
  platform::UniqueFd fd(::openat(dirFd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  if (fd.get() < 0) {
    c.unreadable = std::strerror(errno);
    return c;
  }
  ContentHash hash;
  std::vector<unsigned char> buf(kChunk);
  for (;;) {
    ssize_t n = ::read(fd.get(), buf.data(), buf.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      c.unreadable = std::strerror(errno);
      return c;
    }
    if (n == 0) break;
    hash.update(buf.data(), static_cast<std::size_t>(n));
    c.size += n;
  }
  c.hash = hash.hex();
  return c;
}

bool isHashName(const std::string& name) {
  return name.size() == 64 && std::all_of(name.begin(), name.end(), [](char ch) {
           return (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f');
         });
}

std::string modeText(mode_t mode) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%04o", static_cast<unsigned>(mode & 07777));
  return buf;
}

// A problem when `path` can be read or entered by other users.
void checkPrivate(const std::string& path, const std::string& fix, std::vector<std::string>& problems) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || (st.st_mode & 077) == 0) return;
  problems.push_back("open to others: " + path + " (mode " + modeText(st.st_mode) + "): " + fix);
}

}  // namespace

CheckReport checkVault(Vault& vault) {
  CheckReport report;
  for (const std::string& line : vault.integrityProblems()) report.problems.push_back("database: " + line);

  const std::string& dir = vault.directory();
  checkPrivate(dir, "chmod 700 " + dir, report.problems);
  checkPrivate(dir + "/" + kSqliteFile, "chmod 600 " + dir + "/" + kSqliteFile, report.problems);
  checkPrivate(dir + "/" + kConfFile, "chmod 600 " + dir + "/" + kConfFile, report.problems);

  // A writer holds the lock shared while its temporary lives: with the lock
  // held alone here, every temporary is a dead writer's.
  WriterLock lock(vault.blobs().lockPath(), /*create=*/false);
  const bool noWriter = lock.tryAlone();

  const std::string& blobDir = vault.blobs().directory();
  platform::UniqueFd dirFd(::open(blobDir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dirFd.get() < 0) throw VaultError(ErrorKind::Damaged, "cannot read the folder " + blobDir + ": " + std::strerror(errno));
  std::vector<std::string> names;
  if (DIR* list = ::fdopendir(::dup(dirFd.get()))) {
    while (const dirent* e = ::readdir(list)) {
      std::string name = e->d_name;
      if (name != "." && name != "..") names.push_back(std::move(name));
    }
    ::closedir(list);
  }
  std::sort(names.begin(), names.end());

  // Every file named as a content is read once; revisions and the audit
  // log's replaced contents say which of them the vault knows.
  std::map<std::string, Content> contents;
  std::set<std::string> known;
  for (const AuditEntry& e : vault.auditLog()) {
    if (!e.oldHash.empty()) known.insert(e.oldHash);
    if (!e.newHash.empty()) known.insert(e.newHash);
  }
  const std::string folder = std::string(kBlobFolder) + "/";
  for (const std::string& name : names) {
    struct stat st {};
    const bool regular = ::fstatat(dirFd.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode);
    if (name.rfind(kIncomingPrefix, 0) == 0) {
      report.problems.push_back("temporary: " + folder + printable(name) + " (" + std::to_string(st.st_size) + " bytes): " +
                                (noWriter ? "left by a check-in that did not finish; the next check-in removes it"
                                          : "a check-in is writing it, or died; the next check-in with none running removes it"));
      continue;
    }
    if (!regular || !isHashName(name)) {
      report.problems.push_back("stray: " + folder + printable(name) + ": " + (regular ? "not a content of the vault" : "no regular file"));
      continue;
    }
    Content c = readContent(dirFd.get(), name);
    ++report.contents;
    if (!c.unreadable.empty()) report.problems.push_back("unreadable: " + folder + name + ": " + c.unreadable);
    else if (c.hash != name) report.problems.push_back("damaged: " + folder + name + ": its bytes do not match its SHA-256");
    contents.emplace(name, std::move(c));
  }

  for (const RevisionRecord& rev : vault.allRevisions()) {
    ++report.revisions;
    known.insert(rev.hash);
    const std::string what = printable(rev.document) + "@" + printable(rev.label);
    auto it = contents.find(rev.hash);
    if (it == contents.end()) {
      report.problems.push_back("missing: " + what + ": its content " + folder + rev.hash + " is not in the vault");
    } else if (it->second.unreadable.empty() && it->second.hash == rev.hash && it->second.size != rev.size) {
      report.problems.push_back("damaged: " + what + ": " + folder + rev.hash + " holds " + std::to_string(it->second.size) +
                                " bytes, not the " + std::to_string(rev.size) + " recorded");
    }
  }
  for (const auto& [name, c] : contents)
    if (!known.count(name))
      report.problems.push_back("stray: " + folder + name + ": a content no revision or audit entry names (a check-in that did not finish)");
  return report;
}

}  // namespace rc::sim::vault
