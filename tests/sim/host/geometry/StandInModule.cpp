// A stand-in geometry module for the isolation tests: it misbehaves as a
// kernel might on a hostile file, chosen by the file's name.
#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "sim/host/geometry/GeometryModule.h"

extern "C" __attribute__((visibility("default"))) void rc_geometry_read(const char* path, double, double,
                                                                       const double*, rc_geometry_sink sink,
                                                                       void* context) {
  std::string p(path);
  if (p.find("crash") != std::string::npos) ::raise(SIGSEGV);
  if (p.find("hang") != std::string::npos)
    for (;;) ::pause();
  if (p.find("grow") != std::string::npos) {
    std::vector<std::vector<char>> hoard;
    for (;;) hoard.emplace_back(64 << 20, 'x');
  }
  const char garbled[] = "RCG1\x01\xff\xff\xff\xff";
  sink(context, garbled, sizeof garbled - 1);
}
