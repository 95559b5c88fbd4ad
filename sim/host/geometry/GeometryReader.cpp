#include "sim/host/geometry/GeometryReader.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/os/OnDemandModules.h"
#include "sim/host/geometry/GeometryFormat.h"
#include "sim/host/geometry/GeometryModule.h"
#include "sim/host/geometry/GeometryWire.h"

#if defined(__SANITIZE_ADDRESS__)
#define RC_GEOMETRY_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RC_GEOMETRY_ASAN 1
#endif
#endif

namespace rc::sim::host::geometry {

namespace {

long long envNumber(const char* name, long long fallback) {
  const char* v = std::getenv(name);
  if (!v || !*v) return fallback;
  char* end = nullptr;
  long long n = std::strtoll(v, &end, 10);
  return (end && *end == '\0' && n > 0) ? n : fallback;
}

long long nowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

void writeAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
}

void sinkToFd(void* context, const char* bytes, std::size_t size) { writeAll(*static_cast<int*>(context), bytes, size); }

// The helper's side: load the module, read, answer through `fd`, and end
// without running this process's exit handlers.
[[noreturn]] void helper(int fd, const std::string& module, const Request& request, const Limits& limits) {
  int devnull = ::open("/dev/null", O_RDWR);
  if (devnull >= 0) {
    ::dup2(devnull, 0);
    ::dup2(devnull, 1);
    ::dup2(devnull, 2);
  }
#ifndef RC_GEOMETRY_ASAN
  // The sanitizer's shadow memory takes more address space than any limit.
  rlimit memory{limits.memoryBytes, limits.memoryBytes};
  ::setrlimit(RLIMIT_AS, &memory);
#endif
  rlimit cpu{static_cast<rlim_t>(limits.seconds) + 1, static_cast<rlim_t>(limits.seconds) + 2};
  ::setrlimit(RLIMIT_CPU, &cpu);
  rlimit core{0, 0};
  ::setrlimit(RLIMIT_CORE, &core);
  void* handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  auto entry = handle ? reinterpret_cast<decltype(&rc_geometry_read)>(::dlsym(handle, kModuleEntry)) : nullptr;
  if (!entry) {
    const char* why = ::dlerror();
    std::string bytes = wire::encode(wire::Refusal{"the geometry module " + module + " cannot be loaded" +
                                                   (why ? std::string(": ") + why : std::string())});
    writeAll(fd, bytes.data(), bytes.size());
    ::_exit(0);
  }
  const double* direction = request.direction.size() == 3 ? request.direction.data() : nullptr;
  entry(request.path.c_str(), request.mesh.deflection, request.mesh.angle, direction, sinkToFd, &fd);
  ::_exit(0);
}

// Runs one reading in a helper and decodes its answer.
Result<wire::Answer> run(const Request& request, const Limits& limits) {
  bool full = !request.direction.empty() ||
              (formatOfFile(request.path) == Format::Step && stepHasProductStructure(request.path));
  std::string module = modulePath(full ? kFullModuleFileName : kModuleFileName);
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return Refused{std::string("cannot start the geometry reader: ") + std::strerror(errno)};
  pid_t pid = ::fork();
  if (pid < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return Refused{std::string("cannot start the geometry reader: ") + std::strerror(errno)};
  }
  if (pid == 0) {
    ::close(fds[0]);
    helper(fds[1], module, request, limits);
  }
  ::close(fds[1]);
  std::string bytes;
  long long deadline = nowMs() + static_cast<long long>(limits.seconds) * 1000;
  bool timedOut = false;
  char buf[1 << 16];
  for (;;) {
    long long left = deadline - nowMs();
    if (left <= 0) {
      timedOut = true;
      break;
    }
    pollfd p{fds[0], POLLIN, 0};
    int r = ::poll(&p, 1, static_cast<int>(std::min(left, 1000LL)));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) continue;
    ssize_t n = ::read(fds[0], buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    bytes.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fds[0]);
  if (timedOut) ::kill(pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (timedOut)
    return Refused{"the geometry kernel did not finish reading it within " + std::to_string(limits.seconds) + " s"};
  if (WIFSIGNALED(status)) {
    int sig = WTERMSIG(status);
    if (sig == SIGXCPU) return Refused{"the geometry kernel did not finish reading it within its time limit"};
    return Refused{std::string("the geometry kernel crashed reading it (") + ::strsignal(sig) + ")"};
  }
  std::optional<wire::Answer> answer = wire::decode(bytes);
  // A helper ends with status 0 after answering; any other status is a
  // crash caught on its way out (a sanitizer's report, an abort handler).
  if (!answer && WIFEXITED(status) && WEXITSTATUS(status) != 0)
    return Refused{"the geometry kernel crashed reading it (exit status " + std::to_string(WEXITSTATUS(status)) + ")"};
  if (!answer) {
    if (bytes.empty()) return Refused{"the geometry kernel ended without an answer (out of memory?)"};
    return Refused{"the geometry reader's answer is damaged"};
  }
  return std::move(*answer);
}

template <typename T>
Result<T> expect(Result<wire::Answer> r) {
  if (auto* refused = std::get_if<Refused>(&r)) return *refused;
  wire::Answer& a = std::get<wire::Answer>(r);
  if (auto* refusal = std::get_if<wire::Refusal>(&a)) return Refused{refusal->reason};
  if (auto* value = std::get_if<T>(&a)) return std::move(*value);
  return Refused{"the geometry reader answered something else"};
}

}  // namespace

Limits Limits::fromEnvironment() {
  Limits l;
  l.seconds = static_cast<int>(envNumber("RAVELCREST_GEOMETRY_TIMEOUT", l.seconds));
  long long mb = envNumber("RAVELCREST_GEOMETRY_MEMORY_MB", 0);
  if (mb > 0) l.memoryBytes = static_cast<unsigned long long>(mb) << 20;
  return l;
}

std::string modulePath(const char* fileName) {
  std::string found = platform::onDemandModulePath({fileName, "RAVELCREST_GEOMETRY_MODULE", kModuleEntry, ""});
  return found.empty() ? fileName : found;
}

Result<Content> readContent(const Request& request, const Limits& limits) {
  Request r = request;
  r.direction.clear();
  return expect<Content>(run(r, limits));
}

Result<Projection> readProjection(const Request& request, const Limits& limits) {
  if (request.direction.size() != 3) return Refused{"a projection needs a direction of three numbers"};
  return expect<Projection>(run(request, limits));
}

}  // namespace rc::sim::host::geometry
