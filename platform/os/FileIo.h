// Low-level helpers shared by the file services: turning errno into the
// run-time error a file statement raises, and writing whole buffers.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rc::platform::fileio {

// Raises the run-time error for errno `e` on `path`: 53 or 76 for a missing
// file or folder, 70 when access is refused, 75 otherwise.
[[noreturn]] void raiseErrno(int e, const std::string& path);

// Writes all `size` bytes at `data` to `fd`, going on after short writes
// and interrupts; answers 0, or errno (EIO when the descriptor takes no
// more). The write-fault hook does not see these writes: for pipes and
// files outside the library's own output.
int writeWhole(int fd, const void* data, std::size_t size);

// Reads exactly `size` bytes into `data`, going on after short reads and
// interrupts; answers 0, errno, or -1 when the input ends first.
int readWhole(int fd, void* data, std::size_t size);

// Writes all of `data` to `fd`; on failure closes `fd` and raises.
void writeAll(int fd, std::string_view data, const std::string& path);

// Writes all of `data` to `fd`, counting the bytes written in `written`;
// answers 0, or errno after a failed write (`fd` stays open).
int writeCounted(int fd, std::string_view data, std::size_t& written);

// `line` followed by CR LF, the line end of the library's text files.
std::string withLineEnd(std::string_view line);

// The file layer's one test hook: it refuses the n-th write step from the
// moment a test arms it, as a full disk or a failing device would (EIO). A
// write step is creating a folder, opening a file for writing, one buffer
// written, or a rename into place. Off (and never armed) outside tests.
struct WriteFaultHook {
  // Refuses the n-th write step from now; 0 turns the hook off.
  static void refuseStep(int n);
  // Write steps taken since the last refuseStep call.
  static int steps();
  // Called by the file layer before each write step: EIO when this step is
  // the one to refuse, 0 otherwise.
  static int check();
};

// Puts a temporary in place: when `durable`, its content is made durable
// first (fsync of `fd`) and the folder after the rename; `fd` is closed.
// Answers 0, or errno of the first step that failed (the temporary is then
// still there, `target` untouched). A folder that cannot be synced (a file
// system without directory sync) is not a failure: the file is in place.
// While a FolderSyncs batch lives, syncAndRename on its thread leaves
// the folder sync to it.
int syncAndRename(int fd, const std::string& temp, const std::string& target, bool durable = true);

// Folder syncs of durable replacements gathered over a stretch of work (the
// checks of one document) and done once per folder when it ends: each
// file's content still reaches the device before it replaces the old one,
// and every replacement is durable by the time the batch ends, but a
// folder written ten times is synced once. The calling thread's batch
// until it ends; batches nest (the inner one syncs its own folders).
class FolderSyncs {
 public:
  FolderSyncs();
  // Syncs every folder gathered (errors ignored, as syncAndRename does).
  ~FolderSyncs();
  FolderSyncs(const FolderSyncs&) = delete;
  FolderSyncs& operator=(const FolderSyncs&) = delete;

  // The calling thread's batch, or nullptr.
  static FolderSyncs* current();
  // Notes that `folder` needs a sync.
  void add(const std::string& folder);
  // Syncs the folders gathered so far.
  void flush();
  std::size_t pending() const { return folders_.size(); }

 private:
  std::vector<std::string> folders_;
  FolderSyncs* previous_;
};

// While one lives on a thread (and in the processes that thread forks),
// durable replacements there (syncAndRename, writeFileAtomic) skip their
// syncs: each file still replaces the old one whole, by a rename, but a
// power loss or system crash may lose what was written since, leaving a
// file missing, old or empty. For machines thrown away after the run (CI
// runners), where on a disk the syncs are the slowest part of making
// baselines: `ravelcrest check --no-sync`. Scopes nest.
class SyncsWaived {
 public:
  SyncsWaived();
  ~SyncsWaived();
  SyncsWaived(const SyncsWaived&) = delete;
  SyncsWaived& operator=(const SyncsWaived&) = delete;

  // Whether a scope lives on the calling thread.
  static bool active();

 private:
  bool previous_;
};

// fsync of the folder `folder`; a folder that cannot be opened or synced is passed over.
void syncFolder(const std::string& folder);

// open(2) for writing with O_CLOEXEC added, creating the drive root first
// when `native` lies directly in it; raises on failure.
int openForWrite(const std::string& native, int flags, unsigned mode);

}  // namespace rc::platform::fileio
