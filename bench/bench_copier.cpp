// The document copier over a large list: documents with four companions
// each in one source folder of 10,000 files, copied with
// GetAllDependDocsWithDocNotOpen, beside `cp -r` of the same folder as the
// baseline. RAVELCREST_BENCH_DOCS sets the document count (default 2,000),
// RAVELCREST_BENCH_DIR the folder the trees are made in (default /tmp).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "Core/frame/Register.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Registry.h"
#include "platform/os/Files.h"
#include "sim/Register.h"

namespace {

namespace au = rc::automation;
namespace fs = std::filesystem;

constexpr int kPartsPerAssembly = 9;

struct Tree {
  std::string dir, src, dst;
  int documents = 0;
  std::int64_t bytes = 0;

  Tree() {
    const char* base = std::getenv("RAVELCREST_BENCH_DIR");
    std::string tmpl = std::string(base != nullptr ? base : "/tmp") + "/ravelcrest-bench-copier-XXXXXX";
    dir = mkdtemp(tmpl.data());
    setenv("RAVELCREST_DRIVE_ROOT", (dir + "/root").c_str(), 1);
    src = dir + "/src";
    dst = dir + "/dst";
    const char* env = std::getenv("RAVELCREST_BENCH_DOCS");
    documents = env != nullptr ? std::atoi(env) : 2000;
    fs::create_directories(src + "/models");
    const std::string companion(4096, 'c');
    std::string list;
    // Every tenth document is an assembly of the nine parts after it.
    for (int i = 0; i < documents; ++i) {
      const bool assembly = i % (kPartsPerAssembly + 1) == 0;
      const std::string name = "doc" + std::to_string(i) + (assembly ? ".vxlasm" : ".vxlprt");
      std::string deps;
      for (int k = 1; assembly && k <= kPartsPerAssembly && i + k < documents; ++k)
        deps += std::string(deps.empty() ? "" : ", ") + "\"doc" + std::to_string(i + k) + ".vxlprt\"";
      write(src + "/models/" + name, "{ \"title\": \"" + name + "\", \"dependencies\": [" + deps + "] }");
      for (const char* ext : {".properties", ".massprop", ".gif", ".memDump.memleakResults.htm"})
        write(src + "/models/" + name + ext, companion);
      if (assembly) list += "models\\" + name + "\r\n";
    }
    listText = list;
    rc::core::registerClasses();
    rc::sim::registerApplications();
    host = au::createObject("Vexlar.Application");
    app = au::createObject("RavelcrestCore.clsApplication");
    au::letProperty(app, "ResultPath", au::Variant(dir));
  }
  ~Tree() {
    au::call(host, "ExitApp");
    fs::remove_all(dir);
  }
  void write(const std::string& path, const std::string& data) {
    rc::platform::writeFile(path, data);
    bytes += static_cast<std::int64_t>(data.size());
  }
  void reset() {
    fs::remove_all(dst);
    fs::create_directories(dst);
    rc::platform::writeFile(dst + "/Testfiles.txt", listText);
  }

  std::string listText;
  au::ObjectRef host, app;
};

Tree& tree() {
  static Tree t;
  return t;
}

void BM_GetAllDependDocsWithDocNotOpen(benchmark::State& state) {
  Tree& t = tree();
  for (auto _ : state) {
    state.PauseTiming();
    t.reset();
    state.ResumeTiming();
    au::call(t.app, "GetAllDependDocsWithDocNotOpen",
             {au::Variant(t.dst), au::Variant(t.src), au::Variant(""), au::Variant::integer(0)});
  }
  if (!fs::exists(t.dst + "/models/doc1.vxlprt.gif") || fs::exists(t.dir + "/TraceLog.log"))
    state.SkipWithError("the copy is incomplete");
  state.counters["documents"] = t.documents;
  state.SetBytesProcessed(state.iterations() * t.bytes);
}
BENCHMARK(BM_GetAllDependDocsWithDocNotOpen)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CpRecursive(benchmark::State& state) {
  Tree& t = tree();
  const std::string command = "cp -r '" + t.src + "/models' '" + t.dst + "/'";
  for (auto _ : state) {
    state.PauseTiming();
    t.reset();
    state.ResumeTiming();
    if (std::system(command.c_str()) != 0) state.SkipWithError("cp failed");
  }
  state.SetBytesProcessed(state.iterations() * t.bytes);
}
BENCHMARK(BM_CpRecursive)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
