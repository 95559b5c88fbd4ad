#include "platform/os/System.h"

#include <limits.h>
#include <signal.h>
#include <spawn.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <algorithm>
#include <cerrno>
#include <mutex>

#include "platform/automation/Error.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"

extern char** environ;

namespace rc::platform {

void keepLargeBlocksForReuse() {
#ifdef __GLIBC__
  // 32 MiB is the largest threshold the allocator accepts on 64-bit systems.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
#endif
}

namespace au = rc::automation;

namespace {

// Process-wide state of the system services: the executable path override,
// the installed folder picker and the programs started and not yet reaped.
struct SystemState {
  std::mutex mu;
  std::string executableOverride;
  std::string executable;  // /proc/self/exe as first read: the program never changes
  FolderPicker picker;
  std::vector<pid_t> started;
};

SystemState& systemState() {
  static SystemState s;
  return s;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Collects started programs that have ended, so that they leave no zombies.
// A program the embedder has already waited for is simply forgotten.
void reapStarted(SystemState& s) {
  std::erase_if(s.started, [](pid_t pid) {
    int status = 0;
    pid_t r = ::waitpid(pid, &status, WNOHANG);
    return r == pid || (r < 0 && errno == ECHILD);
  });
}

}  // namespace

std::uint32_t tickCount() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
  return static_cast<std::uint32_t>(ms);
}

std::string computerName() {
  char buf[HOST_NAME_MAX + 1] = {};
  if (::gethostname(buf, sizeof buf - 1) != 0) return "";
  return buf;
}

std::uint64_t freeBytes(std::string_view folder) {
  // The space of the drive that holds the folder: the folder itself need not
  // exist yet (nor the drive root, made on first use), so the nearest folder
  // along it that does is measured. An empty folder is the drive root.
  std::string native = folder.empty() ? driveRoot() : nativePath(folder);
  if (native.empty() || native.front() != '/') {
    char cwd[PATH_MAX];
    native = std::string(::getcwd(cwd, sizeof cwd) != nullptr ? cwd : ".") + "/" + native;
  }
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  while (!folderExists(native) && native.size() > 1) {
    std::size_t p = native.find_last_of('/');
    native = p == 0 || p == std::string::npos ? "/" : native.substr(0, p);
  }
  struct statvfs st{};
  if (::statvfs(native.c_str(), &st) != 0) au::raise(au::err::PathNotFound, std::string(folder));
  return static_cast<std::uint64_t>(st.f_bavail) * static_cast<std::uint64_t>(st.f_frsize);
}

std::string executablePath() {
  SystemState& s = systemState();
  std::lock_guard lock(s.mu);
  if (!s.executableOverride.empty()) return s.executableOverride;
  if (s.executable.empty()) {
    char buf[PATH_MAX + 1];
    const ssize_t n = ::readlink("/proc/self/exe", buf, PATH_MAX);
    if (n > 0) s.executable.assign(buf, static_cast<std::size_t>(n));
  }
  return s.executable;
}

void setExecutablePathOverride(std::string path) {
  SystemState& s = systemState();
  std::lock_guard lock(s.mu);
  s.executableOverride = std::move(path);
}

std::vector<std::string> splitCommandLine(std::string_view line) {
  std::vector<std::string> args;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && isBlank(line[i])) ++i;
    if (i == line.size()) break;
    std::string arg;
    bool quoted = false;
    for (; i < line.size(); ++i) {
      char c = line[i];
      if (quoted) {
        if (c != '"') {
          arg += c;
        } else if (i + 1 < line.size() && line[i + 1] == '"') {
          arg += '"';
          ++i;
        } else {
          quoted = false;
        }
      } else if (c == '"') {
        quoted = true;
      } else if (isBlank(c)) {
        break;
      } else {
        arg += c;
      }
    }
    args.push_back(std::move(arg));
  }
  return args;
}

std::int32_t startProgram(std::string_view commandLine, int /*windowStyle*/) {
  // The program would be run under the name before the NUL.
  if (holdsNul(commandLine))
    au::raiseWithDetail(au::err::BadFileNameOrNumber, "the command line holds a NUL character");
  std::vector<std::string> args = splitCommandLine(commandLine);
  if (args.empty()) au::raise(au::err::InvalidCall);
  std::string program = args[0];
  // A program named with a path is taken as given; a bare name is searched
  // on PATH.
  bool hasPath = program.find_first_of("/\\") != std::string::npos || (program.size() >= 2 && program[1] == ':');
  if (hasPath) program = nativePath(program);
  if (hasPath && !fileExists(program)) au::raise(au::err::FileNotFound, args[0]);

  std::vector<char*> argv;
  argv.push_back(program.data());
  for (std::size_t i = 1; i < args.size(); ++i) argv.push_back(args[i].data());
  argv.push_back(nullptr);

  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK);
  pid_t pid = 0;
  int rc = hasPath ? ::posix_spawn(&pid, program.c_str(), nullptr, &attr, argv.data(), environ)
                   : ::posix_spawnp(&pid, program.c_str(), nullptr, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);

  SystemState& s = systemState();
  std::lock_guard lock(s.mu);
  reapStarted(s);
  if (rc != 0) au::raise(au::err::FileNotFound, args[0]);
  s.started.push_back(pid);
  return static_cast<std::int32_t>(pid);
}

std::string browseForFolder(std::string_view title) {
  FolderPicker picker;
  {
    SystemState& s = systemState();
    std::lock_guard lock(s.mu);
    picker = s.picker;
  }
  return picker ? picker(title) : std::string();
}

FolderPicker setFolderPicker(FolderPicker picker) {
  SystemState& s = systemState();
  std::lock_guard lock(s.mu);
  FolderPicker previous = std::move(s.picker);
  s.picker = std::move(picker);
  return previous;
}

void doEvents() {}

}  // namespace rc::platform
