// The document copier with the file system refusing its 1st, 2nd, ... write
// step (folder creation, open for writing, a buffer written, a rename)
// until a run meets no refusal. Every run must report the failure in the
// trace log (or, when the trace line itself cannot be written, raise it),
// leave each copied file either missing or whole, leave no temporary file
// behind and never touch the source tree.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Core/frame/Register.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Error.h"
#include "platform/automation/Registry.h"
#include "platform/os/FileIo.h"
#include "platform/os/MessageSink.h"
#include "sim/Register.h"
#include "tests/sweep/SweepSupport.h"

namespace rc::testing {
namespace {

namespace au = rc::automation;
namespace fs = std::filesystem;
using au::Variant;
using platform::fileio::WriteFaultHook;

// How the copier is reached.
enum class Route { OneDocument, ListFile, FlatCopy };

struct Case {
  const char* document;  // relative to the models folder
  Route route;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.document << " route " << static_cast<int>(c.route); }

class FileFaultSweep : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    root_ = scratch_.root();
    fs::create_directories(copies());
    core::registerClasses();
    sim::registerApplications();
    host_ = au::createObject("Vexlar.Application");
    app_ = au::createObject("RavelcrestCore.clsApplication");
    au::letProperty(app_, "ResultPath", Variant(root_));
  }
  void TearDown() override {
    WriteFaultHook::refuseStep(0);
    if (host_) au::call(host_, "ExitApp");
  }

  std::string models() const { return scratch_.models(); }
  std::string copies() const { return root_ + "/copies"; }

  struct Outcome {
    int steps = 0;
    int raised = 0;  // the error number that reached the caller
    std::vector<std::string> trace;
    sweep::Snapshot copied;
  };

  // Copies the case's document with write step `refuse` refused (0: none),
  // into an empty copies folder (but for its list file).
  Outcome run(const Case& c, int refuse) {
    for (const auto& entry : fs::directory_iterator(copies()))
      if (entry.path().filename() != "Testfiles.txt") fs::remove_all(entry.path());
    fs::remove(root_ + "/TraceLog.log");
    Outcome out;
    WriteFaultHook::refuseStep(refuse);
    try {
      if (c.route == Route::OneDocument) {
        au::call(app_, "GetDependDocsWithDocNotOpen", {Variant(c.document), Variant(copies()), Variant(models()),
                                                       Variant(models()), Variant::integer(0)});
      } else if (c.route == Route::ListFile) {
        au::call(app_, "GetAllDependDocsWithDocNotOpen",
                 {Variant(copies()), Variant(models()), Variant(models()), Variant::integer(0)});
      } else {
        au::ObjectRef tool = au::createObject("RavelcrestCore.Class1");
        au::call(tool, "GetFiles", {Variant(c.document), Variant(copies()), Variant(models()), Variant(models()),
                                    Variant::integer(0)});
      }
    } catch (const au::AutomationError& e) {
      out.raised = e.number();
    }
    out.steps = WriteFaultHook::steps();
    WriteFaultHook::refuseStep(0);
    out.trace = sweep::traceLines(root_ + "/TraceLog.log");
    out.copied = sweep::snapshot(copies());
    return out;
  }

  au::ObjectRef host_, app_;
  platform::ScopedMessageHandler quiet_{[](std::string_view) {}};

 private:
  sweep::SweepFolder scratch_;
  std::string root_;
};

TEST_P(FileFaultSweep, EveryRefusedWriteLeavesCopiesWholeAndIsReported) {
  const Case& c = GetParam();
  if (c.route == Route::ListFile) platform::writeFile(copies() + "/Testfiles.txt", std::string(c.document) + "\r\n");
  const sweep::Snapshot source = sweep::snapshot(models());
  const Outcome clean = run(c, 0);
  ASSERT_EQ(clean.raised, 0);
  ASSERT_GT(clean.copied.size(), 1u) << "nothing was copied";
  for (const std::string& line : clean.trace) EXPECT_EQ(line.find("Failure"), std::string::npos) << line;
  for (int n : sweep::faultPositions(clean.steps)) {
    SCOPED_TRACE("write step " + std::to_string(n) + " of " + std::to_string(clean.steps) + " refused");
    const Outcome r = run(c, n);
    ASSERT_GE(r.steps, n) << "the refusal was not reached";
    if (r.raised != 0) {
      // Only a trace line that cannot be written reaches the caller.
      EXPECT_EQ(r.raised, au::err::PathFileAccessError);
    } else if (c.route != Route::FlatCopy) {
      bool reported = false;
      for (const std::string& line : r.trace) reported |= line.starts_with("GetDependencies4 Failure: ");
      EXPECT_TRUE(reported) << "a refused write went unreported";
    }
    for (const std::string& f : sweep::brokenFiles({}, clean.copied, r.copied, false))
      ADD_FAILURE() << "copy left half written or stray: " << f;
    EXPECT_EQ(sweep::snapshot(models()), source) << "the source tree changed";
  }
  const Outcome after = run(c, clean.steps + 1);
  EXPECT_EQ(after.raised, 0);
  EXPECT_EQ(after.copied, clean.copied);
}

INSTANTIATE_TEST_SUITE_P(Copier, FileFaultSweep,
                         ::testing::Values(Case{"tree/top.vxlasm", Route::OneDocument},
                                           Case{"fastener.vxlasm", Route::OneDocument},
                                           Case{"bracket.vxldrw", Route::OneDocument},
                                           Case{"tree/top.vxlasm", Route::ListFile},
                                           Case{"frame.vxlasm", Route::ListFile},
                                           Case{"tree/top.vxlasm", Route::FlatCopy}));

// The checks that write baselines, with each write step of a run refused in
// turn: the baselines are as they were or as a clean run writes them, never
// half an appended line, and the check ends as it does on any failure.
class BaselineWriteSweep : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    core::registerClasses();
    sim::registerApplications();
    host_ = au::createObject("Vexlar.Application");
    app_ = au::createObject("RavelcrestCore.clsApplication");
    au::letProperty(app_, "ResultPath", Variant(scratch_.root()));
    au::letProperty(app_, "VXBuild", Variant("sweep"));
  }
  void TearDown() override {
    WriteFaultHook::refuseStep(0);
    if (host_) au::call(host_, "ExitApp");
  }

  struct Outcome {
    int steps = 0;
    int raised = 0;
    Variant result;
    sweep::Snapshot models;
  };

  // Runs the check on `doc` from the models folder as `before` holds it.
  Outcome run(const std::string& doc, const sweep::Snapshot& before, int refuse) {
    sweep::restore(scratch_.models(), before, sweep::snapshot(scratch_.models()));
    const std::string path = scratch_.models() + "/" + doc;
    const std::string name = fs::path(path).filename().string();
    au::call(host_, "CloseAllDocuments");
    std::vector<Variant> open{Variant(path), Variant(1), Variant(0), Variant(""), Variant(0), Variant(0)};
    au::call(host_, "OpenDoc6", open);
    au::letProperty(app_, "InputFile", Variant(path));
    au::letProperty(app_, "NameOnly", Variant(name));
    au::letProperty(app_, "BLFile", Variant(path + ".massproperties"));
    std::vector<Variant> args;
    const std::string member = GetParam();
    if (member == "TestFileSize") args = {Variant(path)};
    if (member == "TestMassProp") args = {Variant(false)};
    if (member == "TestFileVersion") args = {Variant::integer(1), Variant::integer(0)};
    Outcome out;
    WriteFaultHook::refuseStep(refuse);
    try {
      out.result = au::call(app_, member, args);
    } catch (const au::AutomationError& e) {
      out.raised = e.number();
    }
    out.steps = WriteFaultHook::steps();
    WriteFaultHook::refuseStep(0);
    out.models = sweep::snapshot(scratch_.models());
    return out;
  }

  sweep::SweepFolder scratch_;
  au::ObjectRef host_, app_;
  platform::ScopedMessageHandler quiet_{[](std::string_view) {}};
};

TEST_P(BaselineWriteSweep, EveryRefusedWriteLeavesBaselinesWhole) {
  for (const char* doc : {"bracket.vxlprt", "nut.prt"}) {
    // First with no baselines (the check writes them), then with a key
    // already there (the properties file is appended to or left alone).
    for (const auto& entry : fs::recursive_directory_iterator(scratch_.models()))
      if (entry.path().extension() == ".properties" || entry.path().extension() == ".massproperties")
        fs::remove(entry.path());
    platform::writeFile(scratch_.models() + "/nut.prt.properties", "Other = 1      Build: x, Date: 01/01/2000\r\n");
    const sweep::Snapshot before = sweep::snapshot(scratch_.models());
    const Outcome clean = run(doc, before, 0);
    ASSERT_EQ(clean.raised, 0) << doc;
    for (int n : sweep::faultPositions(clean.steps)) {
      SCOPED_TRACE(std::string(doc) + ": write step " + std::to_string(n) + " of " + std::to_string(clean.steps));
      const Outcome r = run(doc, before, n);
      ASSERT_GE(r.steps, n);
      // Only a trace line that cannot be written reaches the caller.
      if (r.raised != 0) {
        EXPECT_EQ(r.raised, au::err::PathFileAccessError);
      }
      for (const std::string& f : sweep::brokenFiles(before, clean.models, r.models, false))
        ADD_FAILURE() << "baseline left neither as it was nor whole: " << f << "\n" << r.models.at(f);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Checks, BaselineWriteSweep,
                         ::testing::Values("TestEdgeCount", "TestTessTriangleCount", "TestFileSize", "TestMassProp",
                                           "TestFileVersion"));

}  // namespace
}  // namespace rc::testing
