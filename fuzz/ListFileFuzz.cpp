// Feeds arbitrary bytes to the copier as its list file (Testfiles.txt):
// the lines read are the lines an independent split finds, and whatever the
// names in it (climbing "..", absolute paths, odd bytes), the copier writes
// nothing outside the folder it copies to and raises nothing but run-time
// errors.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "Core/frame/Register.h"
#include "fuzz/FuzzScratch.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Error.h"
#include "platform/automation/Registry.h"
#include "platform/os/Files.h"
#include "platform/os/MessageSink.h"
#include "sim/Register.h"

namespace {

namespace au = rc::automation;
namespace fs = std::filesystem;

// The lines of `text` as the list reader must see them: an optional UTF-8
// byte-order mark skipped, lines ended by CR LF, LF or CR, the last one
// needing no line end.
std::vector<std::string> referenceLines(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  std::vector<std::string> lines;
  while (!text.empty()) {
    std::size_t end = text.find_first_of("\r\n");
    lines.emplace_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + (text.substr(end, 2) == "\r\n" ? 2 : 1));
  }
  return lines;
}

// The scratch tree, made once: documents to copy, a folder beside the copy
// folder that must stay as it is, and a host session the copier attaches to.
struct Scratch {
  std::string root = rc::fuzz::scratchFolder() + "/list";
  au::ObjectRef host, app;
  rc::platform::ScopedMessageHandler quiet{[](std::string_view) {}};

  Scratch() {
    for (const char* f : {"/src/sub", "/copies", "/outside", "/results", "/drive"}) fs::create_directories(root + f);
    ::setenv("RAVELCREST_DRIVE_ROOT", (root + "/drive").c_str(), 1);
    rc::platform::writeFile(root + "/src/a.vxlprt", R"({"dependencies": ["sub/b.prt", "../outside/keep.prt"]})");
    rc::platform::writeFile(root + "/src/a.vxlprt.properties", "EdgeCount=4\r\n");
    rc::platform::writeFile(root + "/src/sub/b.prt", "{}");
    rc::platform::writeFile(root + "/outside/keep.prt", "{}");
    rc::core::registerClasses();
    rc::sim::registerApplications();
    host = au::createObject("Vexlar.Application");
    app = au::createObject("RavelcrestCore.clsApplication");
    au::letProperty(app, "ResultPath", au::Variant(root + "/results"));
  }
  // Names of everything in the tree outside the copy and results folders.
  std::vector<std::string> untouchable() const {
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
      const std::string p = e.path().string();
      if (p.starts_with(root + "/copies") || p.starts_with(root + "/results") || p.starts_with(root + "/drive"))
        continue;
      names.push_back(p + ":" + std::to_string(e.is_regular_file() ? e.file_size() : 0));
    }
    std::sort(names.begin(), names.end());
    return names;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Scratch s;
  static const std::vector<std::string> before = s.untouchable();
  const std::string copies = s.root + "/copies";
  for (const auto& e : fs::directory_iterator(copies)) fs::remove_all(e.path());
  std::string_view text(reinterpret_cast<const char*>(data), size);
  rc::platform::writeFile(copies + "/Testfiles.txt", text);

  std::vector<std::string> read;
  rc::platform::LineReader reader(copies + "/Testfiles.txt");
  while (!reader.atEnd()) read.emplace_back(reader.next());
  if (read != referenceLines(text)) __builtin_trap();

  std::vector<au::Variant> args{au::Variant(copies), au::Variant(s.root + "/src"), au::Variant(s.root + "/src"),
                                au::Variant::integer(0)};
  try {
    au::call(s.app, "GetAllDependDocsWithDocNotOpen", args);
  } catch (const au::AutomationError&) {
    // A trace line that cannot be written is raised; that is the contract.
  }
  if (s.untouchable() != before) __builtin_trap();
  fs::remove(s.root + "/results/TraceLog.log");
  return 0;
}
