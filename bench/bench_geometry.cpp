// Geometry documents: the speed and memory of the host's STEP reading.
//
// BM_OpenAndCheck: open a STEP part of about 1.5 MB and run every check that
// applies to it through the command-line harness's runner (ten checks and
// the view image), against the kernel alone reading the same file, meshing
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
#include <BRepFilletAPI_MakeFillet.hxx>
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
#include <TopTools_ListOfShape.hxx>
#include <TopoDS.hxx>
#include <TopoDS_Compound.hxx>
#include <gp_Ax2.hxx>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
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
#include "tools/CheckOptions.h"
#include "tools/CheckRunner.h"
#include "tools/DocumentSet.h"
#include "tools/ResultsFolder.h"

namespace {

namespace geometry = rc::sim::host::geometry;
using Clock = std::chrono::steady_clock;

double since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

// A 200 x 200 x 10 plate with a grid of 24 x 24 filleted-free through holes
// of two sizes: about 1.5 MB of STEP.
struct LargePart {
  rc::bench::ScratchDir dir;
  std::string path = dir / "models/plate.step";
  std::size_t bytes = 0;
  LargePart() {
    Message::DefaultMessenger()->ChangePrinters().Clear();
    std::filesystem::create_directories(dir / "models");
    TopoDS_Shape plate = BRepPrimAPI_MakeBox(200, 200, 10).Shape();
    TopTools_ListOfShape tools;
    for (int i = 0; i < 24; ++i)
      for (int j = 0; j < 24; ++j)
        tools.Append(BRepPrimAPI_MakeCylinder(gp_Ax2(gp_Pnt(6 + 8.0 * i, 6 + 8.0 * j, -1), gp::DZ()),
                                              (i + j) % 2 ? 2.0 : 2.5, 12)
                         .Shape());
    TopTools_ListOfShape args;
    args.Append(plate);
    BRepAlgoAPI_Cut cut;
    cut.SetArguments(args);
    cut.SetTools(tools);
    cut.Build();
    STEPControl_Writer writer;
    writer.Transfer(cut.Shape(), STEPControl_AsIs);
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
  double kernel = 0, harness = 0;
  int run = 0;
  std::size_t rows = 0;
  for (auto _ : state) {
    options.results = rc::tools::prepareResultsFolder(root + "/results-" + std::to_string(++run));
    auto t0 = Clock::now();
    benchmark::DoNotOptimize(kernelAlone(part.path));
    double k = since(t0);
    auto t1 = Clock::now();
    rows = rc::tools::runDocument(docs[0], 0, options).rows.size();
    double h = since(t1);
    kernel += k;
    harness += h;
    state.SetIterationTime(h);
  }
  state.counters["file_MB"] = static_cast<double>(part.bytes) / 1e6;
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["kernel_s"] = kernel / static_cast<double>(state.iterations());
  state.counters["ratio"] = harness / kernel;
}
BENCHMARK(BM_OpenAndCheck)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

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

long maxRssKb(const rusage& u) { return u.ru_maxrss; }

// The peak resident memory (KiB) of `work` run in a child process.
template <typename Fn>
long childPeakKb(Fn work) {
  pid_t pid = fork();
  if (pid == 0) {
    work();
    _exit(0);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  return maxRssKb(usage);
}

long selfRssKb() {
  std::ifstream in("/proc/self/statm");
  long pages = 0, resident = 0;
  in >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

void BM_OpenMemory(benchmark::State& state) {
  const LargePart& part = largePart();
  long kernel = 0, ours = 0;
  for (auto _ : state) {
    // Both measured in fresh children of the same process: the kernel's own
    // work, and the host's opening (its helper's peak plus what it keeps).
    kernel = childPeakKb([&] { kernelAlone(part.path); });
    int fds[2];
    if (pipe(fds) != 0) break;
    long helper = childPeakKb([&] {
      long before = selfRssKb();
      auto content = geometry::readContent(geometry::Request{part.path, {}, {}});
      long kept = selfRssKb() - before;
      rusage children{};
      getrusage(RUSAGE_CHILDREN, &children);
      long total = children.ru_maxrss + kept;
      (void)!write(fds[1], &total, sizeof total);
      benchmark::DoNotOptimize(content);
    });
    (void)helper;
    if (read(fds[0], &ours, sizeof ours) != sizeof ours) ours = 0;
    close(fds[0]);
    close(fds[1]);
  }
  state.counters["kernel_MB"] = kernel / 1024.0;
  state.counters["host_MB"] = ours / 1024.0;
  state.counters["ratio"] = kernel > 0 ? static_cast<double>(ours) / static_cast<double>(kernel) : 0;
}
BENCHMARK(BM_OpenMemory)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
