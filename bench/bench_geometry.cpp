// Geometry documents: the speed and memory of the host's STEP reading.
//
// BM_OpenAndCheck: open a STEP part of about 1.5 MB and run every check that
// applies to it through the command-line harness's runner (eleven checks
// and the view image), against the kernel alone reading the same file, meshing
// it with the same parameters and computing its volume properties, in the
// same process. Counter "ratio": harness / kernel (target: at most 1.3).
//
// BM_Render: the rasteriser on a 100,000-triangle shape at 1024 x 768
// (target: under 30 ms).
//
// BM_OpenMemory: the peak memory of opening that file (the helper process
// plus what the host keeps) against the kernel's own footprint for the same
// work in a process of its own. Counter "ratio" (target: at most 1.2).
#include <benchmark/benchmark.h>

#include <BRepAlgoAPI_Cut.hxx>
#include <BRepAlgoAPI_Fuse.hxx>
#include <BRepBuilderAPI_Transform.hxx>
#include <BRepGProp.hxx>
#include <BRepMesh_IncrementalMesh.hxx>
#include <BRepPrimAPI_MakeBox.hxx>
#include <BRepPrimAPI_MakeCylinder.hxx>
#include <BRepPrimAPI_MakeSphere.hxx>
#include <BRep_Builder.hxx>
#include <GProp_GProps.hxx>
#include <Message.hxx>
#include <Message_Messenger.hxx>
#include <STEPControl_Reader.hxx>
#include <STEPControl_Writer.hxx>
#include <TopExp_Explorer.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <gp_Ax2.hxx>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Core/frame/Register.h"
#include "bench/BenchScratch.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Registry.h"
#include "platform/display/Surface.h"
#include "sim/Register.h"
#include "sim/host/geometry/GeometryReader.h"
#include "sim/host/geometry/Renderer.h"
#include "tools/check/CheckOptions.h"
#include "tools/check/CheckRunner.h"
#include "tools/check/DocumentSet.h"
#include "tools/results/ResultsFolder.h"

namespace {

namespace geometry = rc::sim::host::geometry;
using Clock = std::chrono::steady_clock;

double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// CPU seconds used so far by this process and by its reaped children (the
// host's helper processes): the machine's load does not change them.
double cpuSeconds() {
  auto seconds = [](const rusage& u) {
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
  };
  rusage self{}, children{};
  getrusage(RUSAGE_SELF, &self);
  getrusage(RUSAGE_CHILDREN, &children);
  return seconds(self) + seconds(children);
}

// A part of about 1.5 MB of STEP: a compound of 10 x 10 flanged bushes
// (a bored cylinder on a bored disc), each made with the kernel's Booleans.
struct LargePart {
  rc::bench::ScratchDir dir;
  std::string path = dir / "models/bushes.step";
  std::size_t bytes = 0;
  LargePart() {
    Message::DefaultMessenger()->ChangePrinters().Clear();
    std::filesystem::create_directories(dir / "models");
    TopoDS_Shape bush = BRepAlgoAPI_Fuse(BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(0, 0, 0), gp::DZ()), 4, 2).Shape(),
                                         BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(0, 0, 2), gp::DZ()), 2.5, 6).Shape())
                            .Shape();
    bush = BRepAlgoAPI_Cut(bush, BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(0, 0, -1), gp::DZ()), 1.5, 10).Shape()).Shape();
    TopoDS_Compound all;
    BRep_Builder builder;
    builder.MakeCompound(all);
    for (int i = 0; i < 10; ++i)
      for (int j = 0; j < 10; ++j) {
        gp_Trsf t;
        t.SetTranslation(gp_Vec(10.0 * i, 10.0 * j, 0));
        // A copy of its own, so the file holds each bush's geometry.
        builder.Add(all, BRepBuilderAPI_Transform(bush, t, true).Shape());
      }
    STEPControl_Writer writer;
    writer.Transfer(all, STEPControl_AsIs);
    writer.Write(path.c_str());
    bytes = std::filesystem::file_size(path);
  }
};

const LargePart& largePart() {
  static const LargePart part;
  return part;
}

// What the kernel alone does for the same file: read, mesh, volume properties.
double kernelAlone(const std::string& path) {
  STEPControl_Reader reader;
  reader.ReadFile(path.c_str());
  reader.TransferRoots();
  TopoDS_Shape shape = reader.OneShape();
  BRepMesh_IncrementalMesh mesh(shape, 0.1, false, 0.5, false);
  GProp_GProps props;
  BRepGProp::VolumeProperties(shape, props);
  return props.Mass();
}

void registerOnce() {
  static bool done = [] {
    setenv("LC_ALL", "C", 1);
    rc::core::registerClasses();
    rc::sim::registerApplications();
    return true;
  }();
  (void)done;
}

void BM_OpenAndCheck(benchmark::State& state) {
  registerOnce();
  const LargePart& part = largePart();
  std::string root = std::filesystem::path(part.path).parent_path().parent_path().string();
  setenv("RAVELCREST_DRIVE_ROOT", (root + "/drive").c_str(), 1);
  std::ostringstream notes;
  std::vector<rc::tools::DocumentItem> docs = rc::tools::collectDocuments({part.path}, notes);
  rc::tools::RunOptions options;
  options.tolerance = std::string(rc::tools::kDefaultTolerance);
  double kernel = 0, harness = 0, kernelCpu = 0, harnessCpu = 0;
  int run = 0;
  std::size_t rows = 0;
  for (auto _ : state) {
    options.results = rc::tools::prepareResultsFolder(root + "/results-" + std::to_string(++run));
    auto t0 = Clock::now();
    double c0 = cpuSeconds();
    benchmark::DoNotOptimize(kernelAlone(part.path));
    double k = since(t0), kc = cpuSeconds() - c0;
    auto t1 = Clock::now();
    double c1 = cpuSeconds();
    rows = rc::tools::runDocument(docs[0], 0, options).rows.size();
    double h = since(t1), hc = cpuSeconds() - c1;
    kernel += k;
    harness += h;
    kernelCpu += kc;
    harnessCpu += hc;
    state.SetIterationTime(h);
  }
  state.counters["cpu_ratio"] = harnessCpu / kernelCpu;
  state.counters["file_MB"] = static_cast<double>(part.bytes) / 1e6;
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["kernel_s"] = kernel / static_cast<double>(state.iterations());
  state.counters["ratio"] = harness / kernel;
}
BENCHMARK(BM_OpenAndCheck)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// The host's reading alone (helper process, module, answer), against the kernel alone.
void BM_Read(benchmark::State& state) {
  const LargePart& part = largePart();
  double kernel = 0, host = 0, kernelCpu = 0, hostCpu = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    double c0 = cpuSeconds();
    benchmark::DoNotOptimize(kernelAlone(part.path));
    double k = since(t0), kc = cpuSeconds() - c0;
    auto t1 = Clock::now();
    double c1 = cpuSeconds();
    auto content = geometry::readContent(geometry::Request{part.path, {}, {}});
    double h = since(t1), hc = cpuSeconds() - c1;
    kernelCpu += kc;
    hostCpu += hc;
    if (!std::holds_alternative<geometry::Content>(content)) state.SkipWithError("the part was refused");
    kernel += k;
    host += h;
    state.SetIterationTime(h);
  }
  state.counters["kernel_s"] = kernel / static_cast<double>(state.iterations());
  state.counters["ratio"] = host / kernel;
  state.counters["cpu_ratio"] = hostCpu / kernelCpu;
}
BENCHMARK(BM_Read)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// A sphere meshed finely enough for about 100,000 triangles.
geometry::Mesh sphereMesh() {
  geometry::Mesh m;
  const int rings = 224, segments = 224;
  for (int i = 0; i <= rings; ++i)
    for (int j = 0; j < segments; ++j) {
      double t = M_PI * i / rings, p = 2 * M_PI * j / segments;
      m.vertices.insert(m.vertices.end(), {static_cast<float>(50 * std::sin(t) * std::cos(p)),
                                           static_cast<float>(50 * std::sin(t) * std::sin(p)),
                                           static_cast<float>(50 * std::cos(t))});
    }
  for (int i = 0; i < rings; ++i)
    for (int j = 0; j < segments; ++j) {
      std::uint32_t a = i * segments + j, b = i * segments + (j + 1) % segments;
      std::uint32_t c = a + segments, d = b + segments;
      m.triangles.insert(m.triangles.end(), {a, b, c, b, d, c});
    }
  for (int i = 0; i <= rings; i += 16) {
    std::vector<float> ring;
    for (int j = 0; j <= segments; ++j)
      for (int k = 0; k < 3; ++k) ring.push_back(m.vertices[3 * (i * segments + j % segments) + k]);
    m.edges.push_back(std::move(ring));
  }
  return m;
}

void BM_Render(benchmark::State& state) {
  static const geometry::Mesh mesh = sphereMesh();
  rc::display::Surface surface(1024, 768);
  for (auto _ : state) geometry::render(surface, mesh, rc::display::rgb(255, 255, 255));
  state.counters["triangles"] = static_cast<double>(mesh.triangleCount());
}
BENCHMARK(BM_Render)->Unit(benchmark::kMillisecond);

// The memory benchmark measures in fresh processes: this program started
// again with $RC_BENCH_GEOMETRY_MEMORY set to "kernel PATH" (the kernel's
// own work, its peak) or "host PATH" (the host's opening: its helper's peak
// plus what the host keeps), printing kilobytes.
long residentKb() {
  std::ifstream in("/proc/self/statm");
  long pages = 0, resident = 0;
  in >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

const bool kMemoryMode = [] {
  const char* mode = std::getenv("RC_BENCH_GEOMETRY_MEMORY");
  if (!mode) return false;
  std::string m(mode), path = m.substr(m.find(' ') + 1);
  Message::DefaultMessenger()->ChangePrinters().Clear();
  long kb = 0;
  if (m.rfind("kernel ", 0) == 0) {
    kernelAlone(path);
    rusage self{};
    getrusage(RUSAGE_SELF, &self);
    kb = self.ru_maxrss;
  } else {
    long before = residentKb();
    auto content = geometry::readContent(geometry::Request{path, {}, {}});
    long kept = residentKb() - before;
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    kb = children.ru_maxrss + kept;
    benchmark::DoNotOptimize(content);
  }
  std::printf("%ld\n", kb);
  std::fflush(stdout);
  _exit(0);
}();

long measuredKb(const std::string& mode) {
  std::string command = "RC_BENCH_GEOMETRY_MEMORY='" + mode + "' /proc/" + std::to_string(getpid()) + "/exe";
  std::FILE* p = popen(command.c_str(), "r");
  long kb = 0;
  if (p) {
    if (std::fscanf(p, "%ld", &kb) != 1) kb = 0;
    pclose(p);
  }
  return kb;
}

void BM_OpenMemory(benchmark::State& state) {
  const LargePart& part = largePart();
  long kernel = 0, host = 0;
  for (auto _ : state) {
    kernel = measuredKb("kernel " + part.path);
    host = measuredKb("host " + part.path);
  }
  state.counters["kernel_MB"] = kernel / 1024.0;
  state.counters["host_MB"] = host / 1024.0;
  state.counters["ratio"] = kernel > 0 ? static_cast<double>(host) / static_cast<double>(kernel) : 0;
}
BENCHMARK(BM_OpenMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
