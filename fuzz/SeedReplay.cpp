// Replays a fuzz target's seeds without libFuzzer: linked with one target's
// source in place of libFuzzer's main, it feeds every file named on the
// command line (for a folder, every file in it, in name order) to that
// target's LLVMFuzzerTestOneInput once. So the seeds run as an ordinary test
// with any compiler, and under the sanitizers in their build. A target that
// finds its contract broken traps; the last name printed is the input.
//   seeds_<target> PATH...
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

// The files `arg` names: itself, or the regular files in the folder, sorted.
// Empty when it names neither (reported by the caller).
std::vector<fs::path> inputsOf(const fs::path& arg) {
  std::error_code ec;
  if (fs::is_regular_file(arg, ec)) return {arg};
  std::vector<fs::path> files;
  if (!fs::is_directory(arg, ec)) return files;
  for (const fs::directory_entry& e : fs::directory_iterator(arg, ec))
    if (e.is_regular_file(ec)) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

// The bytes of `file`; false when it cannot be read.
bool readBytes(const fs::path& file, std::vector<std::uint8_t>& out) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PATH...\n", argv[0]);
    return 2;
  }
  std::size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    const std::vector<fs::path> files = inputsOf(argv[i]);
    if (files.empty()) {
      std::fprintf(stderr, "%s: no seeds in %s\n", argv[0], argv[i]);
      return 1;
    }
    for (const fs::path& file : files) {
      std::vector<std::uint8_t> bytes;
      if (!readBytes(file, bytes)) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], file.c_str());
        return 1;
      }
      std::printf("%s\n", file.c_str());
      std::fflush(stdout);
      // An empty vector's data() may be null, which no libFuzzer input is.
      static const std::uint8_t none = 0;
      LLVMFuzzerTestOneInput(bytes.empty() ? &none : bytes.data(), bytes.size());
      ++replayed;
    }
  }
  std::printf("%zu seeds replayed\n", replayed);
  return 0;
}
