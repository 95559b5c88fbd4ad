// Inputs far beyond what a harness meets: a 200 MB document, a properties
// file with a 100 MB line, JSON nested 100,000 deep, a list file of a
// million lines; and two processes writing 1,000 settings each. Each input
// runs in a child process; it must end normally (a clear error counts) and
// its peak resident memory stay within a bound that does not grow with the
// input. The figures go to the test's output.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "Core/frame/Register.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Error.h"
#include "platform/automation/Registry.h"
#include "platform/automation/SafeArray.h"
#include "platform/os/Files.h"
#include "platform/os/MessageSink.h"
#include "sim/Register.h"
#include "tests/support/StoreWriters.h"

namespace rc::testing {
namespace {

namespace au = rc::automation;
namespace fs = std::filesystem;
using au::Variant;

constexpr long kMiB = 1024;  // ru_maxrss counts KiB

// Runs `body` in a child process; answers its peak resident memory in KiB,
// or -1 when it did not exit with 0 (a crash, a failed expectation).
long peakKiB(const std::function<bool()>& body) {
  std::fflush(nullptr);
  pid_t pid = ::fork();
  if (pid == 0) {
    bool ok = false;
    try {
      ok = body();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "child: %s\n", e.what());
    }
    std::fflush(nullptr);
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  rusage usage{};
  if (::wait4(pid, &status, 0, &usage) != pid) return -1;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return usage.ru_maxrss;
}

class BigInput : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/ravelcrest-big-XXXXXX";
    dir_ = mkdtemp(tmpl);
    setenv("RAVELCREST_DRIVE_ROOT", (dir_ + "/drive").c_str(), 1);
    setenv("LC_ALL", "C", 1);
    for (const char* f : {"/drive", "/src", "/copies", "/results"}) fs::create_directories(dir_ + f);
    // What a child that does nothing but start the host takes, for comparison.
    idle_ = peakKiB([] {
      session();
      return true;
    });
    ASSERT_GT(idle_, 0);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Registers the classes and starts the host session in this process.
  static au::ObjectRef session() {
    core::registerClasses();
    sim::registerApplications();
    return au::createObject("Vexlar.Application");
  }

  // Reports the figure and checks it against the bound (MiB above idle).
  void expectPeak(const char* what, long peak, long boundMiB) {
    ASSERT_GT(peak, 0) << what << ": the child failed";
    std::printf("peak RSS %-44s %7.1f MiB (idle child %.1f MiB)\n", what, peak / 1024.0, idle_ / 1024.0);
    RecordProperty(what, std::to_string(peak / 1024) + " MiB");
    EXPECT_LT(peak - idle_, boundMiB * kMiB) << what;
  }

  // In a child: opens `doc` in a fresh host session; true when the open is
  // refused (error bit 1) with `reason` among the session's messages.
  static bool refusedOpen(const std::string& doc, const std::string& reason) {
    au::ObjectRef host = session();
    std::vector<Variant> args{Variant(doc), Variant(1), Variant(0), Variant(""), Variant(0), Variant(0)};
    const bool refused = au::call(host, "OpenDoc6", args).isNothing() && (args[4].toLong() & 1) != 0;
    std::string messages;
    for (const Variant& m : au::call(host, "SimMessages").asArray().items()) messages += m.toText();
    const bool clear = messages.find(reason) != std::string::npos;
    if (!refused || !clear) std::fprintf(stderr, "not refused with '%s': %s\n", reason.c_str(), messages.c_str());
    return refused && clear;
  }

  std::string dir_;
  long idle_ = 0;
};

TEST_F(BigInput, A200MegabyteDocumentIsRefusedUnreadAndCopiedInBoundedMemory) {
  const std::string doc = dir_ + "/src/huge.vxlprt";
  platform::writeFile(doc, "{\"title\": \"huge\", \"notes\": \"");
  fs::resize_file(doc, 200u << 20);  // the rest reads as NUL bytes
  const long open = peakKiB([&] { return refusedOpen(doc, "huge.vxlprt: file too large"); });
  expectPeak("open a 200 MB document", open, 16);

  const long copy = peakKiB([&] {
    session();
    au::ObjectRef app = au::createObject("RavelcrestCore.clsApplication");
    au::letProperty(app, "ResultPath", Variant(dir_ + "/results"));
    std::vector<Variant> args{Variant("huge.vxlprt"), Variant(dir_ + "/copies"), Variant(dir_ + "/src"),
                              Variant(dir_ + "/src"), Variant::integer(0)};
    au::call(app, "GetDependDocsWithDocNotOpen", args);
    // The copy is whole (the host reads no references from a file it refuses).
    return fs::file_size(dir_ + "/copies/huge.vxlprt") == (200u << 20);
  });
  expectPeak("copy a 200 MB document", copy, 16);
}

TEST_F(BigInput, APropertiesFileWithA100MegabyteLine) {
  const std::string file = dir_ + "/src/part.vxlprt.properties";
  constexpr std::size_t kLine = 100u << 20;
  // Written before the children start, so that they inherit none of it.
  platform::writeFile(file, "Notes = " + std::string(kLine, 'x') + "\r\nEdgeCount = 42\r\n");
  const long skip = peakKiB([&] {
    session();
    au::ObjectRef store = au::createObject("RavelcrestCore.clsPropertyManager");
    const std::string got = au::call(store, "GetProperty", {Variant("EdgeCount"), Variant(file)}).toText();
    if (got != "42") std::fprintf(stderr, "EdgeCount read as '%s'\n", got.substr(0, 80).c_str());
    return got == "42";
  });
  // A long line that is not the key's is passed over, not held.
  expectPeak("look past a 100 MB properties line", skip, 16);

  const long value = peakKiB([&] {
    session();
    au::ObjectRef store = au::createObject("RavelcrestCore.clsPropertyManager");
    const std::string got = au::call(store, "GetProperty", {Variant("Notes"), Variant(file)}).toText();
    if (got.size() != kLine) std::fprintf(stderr, "Notes read as %zu bytes\n", got.size());
    return got.size() == kLine;
  });
  // The value asked for is the answer, so it is held: a few copies of it at most.
  expectPeak("read a 100 MB property value", value, 5 * 100);
}

TEST_F(BigInput, JsonNested100000DeepIsRefused) {
  const std::string doc = dir_ + "/src/deep.vxlprt";
  platform::writeFile(doc, "{\"extra\": " + std::string(100000, '[') + std::string(100000, ']') + "}");
  const long open = peakKiB([&] { return refusedOpen(doc, "deep.vxlprt: nested too deeply"); });
  expectPeak("open JSON nested 100,000 deep", open, 16);
}

TEST_F(BigInput, AListFileOfAMillionLines) {
  platform::writeFile(dir_ + "/src/a.vxlprt", "{}");
  std::string list;
  for (int i = 0; i < 1000000; ++i) list += "a.vxlprt\r\n";
  platform::writeFile(dir_ + "/copies/Testfiles.txt", list);
  const long copy = peakKiB([&] {
    session();
    au::ObjectRef app = au::createObject("RavelcrestCore.clsApplication");
    au::letProperty(app, "ResultPath", Variant(dir_ + "/results"));
    au::call(app, "GetAllDependDocsWithDocNotOpen",
             {Variant(dir_ + "/copies"), Variant(dir_ + "/src"), Variant(dir_ + "/src"), Variant::integer(0)});
    return platform::fileExists(dir_ + "/copies/a.vxlprt") && !platform::fileExists(dir_ + "/results/TraceLog.log");
  });
  expectPeak("copy from a list of a million lines", copy, 32);
}

TEST_F(BigInput, TwoProcessesWritingAThousandSettingsEachKeepThemAll) {
  expectConcurrentWritersKeepEverything(dir_ + "/registry", 1000);
}

}  // namespace
}  // namespace rc::testing
