// Feeds arbitrary bytes, as a STEP file, to the host's geometry loader: the
// helper process that loads the geometry module and reads the file with the
// kernel, and the host's decoding of its answer. Whatever the bytes, the
// loader must answer the content or a refusal with a reason; it must never
// crash or hang. (Fed to the kernel in-process, such inputs crash it within
// seconds: tests/sim/host/geometry/inputs/kernel-crash.step is one.) The seeds
// are generated: make_geometry_samples --seeds fuzz/seeds/geometry_loader.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <variant>

#include "fuzz/FuzzScratch.h"
#include "sim/host/geometry/GeometryReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace geometry = rc::sim::host::geometry;
  static const std::string path = rc::fuzz::scratchFolder() + "/input.step";
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  geometry::Limits limits;
  limits.seconds = 20;
  auto read = geometry::readContent(geometry::Request{path, {0.5, 0.5}, {}}, limits);
  if (auto* refused = std::get_if<geometry::Refused>(&read); refused && refused->reason.empty()) __builtin_trap();
  return 0;
}
