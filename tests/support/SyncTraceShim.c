/* A preloaded library that records, in order, every fsync and every rename
 * a program makes: "fsync PATH" (the descriptor's path) and "rename FROM TO",
 * one line each, appended to the file named by $SYNC_TRACE_LOG. Tests read
 * it to check that a temporary reaches the device before it replaces a file. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static void logLine(const char* what, const char* a, const char* b) {
  const char* log = getenv("SYNC_TRACE_LOG");
  if (log == NULL) return;
  char line[2 * PATH_MAX + 32];
  int n = b ? snprintf(line, sizeof line, "%s %s %s\n", what, a, b) : snprintf(line, sizeof line, "%s %s\n", what, a);
  if (n <= 0 || (size_t)n >= sizeof line) return;
  int fd = open(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return;
  ssize_t ignored = write(fd, line, (size_t)n);
  (void)ignored;
  close(fd);
}

static void logDescriptor(const char* what, int fd) {
  char link[64], path[PATH_MAX];
  if (snprintf(link, sizeof link, "/proc/self/fd/%d", fd) <= 0) return;
  ssize_t n = readlink(link, path, sizeof path - 1);
  if (n < 0) return;
  path[n] = '\0';
  logLine(what, path, NULL);
}

/* Paths as given, made absolute against the working folder. */
static const char* absolute(const char* path, char* buf) {
  if (path[0] == '/') return path;
  char cwd[PATH_MAX];
  if (getcwd(cwd, sizeof cwd) == NULL) return path;
  int n = snprintf(buf, PATH_MAX, "%s/%s", cwd, path);
  return n > 0 && n < PATH_MAX ? buf : path;
}

int fsync(int fd) {
  static int (*real)(int);
  if (!real) real = (int (*)(int))dlsym(RTLD_NEXT, "fsync");
  int r = real(fd);
  if (r == 0) logDescriptor("fsync", fd);
  return r;
}

int fdatasync(int fd) {
  static int (*real)(int);
  if (!real) real = (int (*)(int))dlsym(RTLD_NEXT, "fdatasync");
  int r = real(fd);
  if (r == 0) logDescriptor("fsync", fd);
  return r;
}

int rename(const char* from, const char* to) {
  static int (*real)(const char*, const char*);
  if (!real) real = (int (*)(const char*, const char*))dlsym(RTLD_NEXT, "rename");
  char a[PATH_MAX], b[PATH_MAX];
  const char* fa = absolute(from, a);
  const char* tb = absolute(to, b);
  int r = real(from, to);
  if (r == 0) logLine("rename", fa, tb);
  return r;
}
