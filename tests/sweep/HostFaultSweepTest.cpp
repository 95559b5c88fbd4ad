// Every check of clsApplication, and the members of clsPropertyManager that
// talk to the host, run on every sample document with the host failing at
// its 1st, 2nd, ... call (SimFailAfter) until a run meets no fault. Each
// faulted run must end as the member ends on failure (its result, its
// trace lines, the journal lines sent before the fault and no others), raise
// nothing it should not, and leave every baseline, document and copied
// file either as it was or as a run without a fault leaves it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Core/frame/Register.h"
#include "Core/interfaces/DocumentType.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Error.h"
#include "platform/automation/Registry.h"
#include "platform/automation/SafeArray.h"
#include "platform/os/MessageSink.h"
#include "sim/Register.h"
#include "tests/sweep/SweepSupport.h"

namespace rc::testing {
namespace {

namespace au = rc::automation;
namespace fs = std::filesystem;
using au::Variant;
using sweep::Snapshot;

// Where a member's run stands: the sample document and the folders.
struct Place {
  std::string models;    // the copy of examples/models (documents and baselines)
  std::string results;   // ResultPath
  std::string copies;    // where the copier writes
  std::string document;  // full path of the document under test
  std::string relative;  // the document relative to `models`
};

enum Object { kApp, kStore };

// A member under test and how it ends when a host call fails.
struct Member {
  const char* name;
  Object object = kApp;
  std::vector<int> types;  // document types it runs on
  std::function<std::vector<Variant>(const Place&)> args = [](const Place&) { return std::vector<Variant>{}; };
  std::optional<Variant> failure;          // result after a failure (none: a sub)
  std::vector<std::string> failureTrace;   // the last trace lines after a failure
  bool strict = false;    // every host call's failure ends the run
  bool carriesOn = false; // failures are skipped statement by statement
  bool raises = false;    // the host's error reaches the caller
  bool moduleTrace = false;  // failure lines go to the drive root's trace log
};

void PrintTo(const Member& m, std::ostream* os) { *os << m.name; }

Variant i16(int v) { return Variant::integer(static_cast<std::int16_t>(v)); }

std::vector<Member> members() {
  using core::kAssembly, core::kDrawing, core::kPart;
  const std::vector<int> all{kPart, kAssembly, kDrawing}, parts{kPart}, models{kPart, kAssembly},
      assemblies{kAssembly}, drawings{kDrawing};
  auto dataFolder = [](const Place& p) { return std::vector<Variant>{Variant(p.results + "/data")}; };
  std::vector<Member> list;
  // Adds a member; the reference lasts until the next add.
  auto add = [&](const char* name, std::vector<int> types, std::optional<Variant> failure,
                 std::vector<std::string> failureTrace) -> Member& {
    Member& m = list.emplace_back();
    m.name = name;
    m.types = std::move(types);
    m.failure = std::move(failure);
    m.failureTrace = std::move(failureTrace);
    return m;
  };
  add("TestEdgeCount", parts, i16(1), {"TestEdgeCount - Failure"}).carriesOn = true;
  add("TestTessTriangleCount", parts, i16(1), {"TestTessTriangleCount - Failed"}).carriesOn = true;
  add("TestFileSize", all, i16(1), {"TestFileSize - Failed"}).args = [](const Place& p) {
    return std::vector<Variant>{Variant(p.document)};
  };
  Member& mass = add("TestMassProp", models, i16(1), {"TestMassProp - Enter", "TestMassProp - Exit"});
  mass.args = [](const Place&) { return std::vector<Variant>{Variant(false)}; };
  mass.carriesOn = true;
  add("TestFileVersion", all, i16(1), {"TestFileVersion - Enter", "TestFileVersion - Exit"}).args =
      [](const Place&) { return std::vector<Variant>{i16(1), i16(1)}; };
  add("TestPerformance", all, Variant(-999.0), {}).args = [](const Place&) {
    return std::vector<Variant>{Variant("Exp_Open"), i16(1), i16(0)};
  };
  Member& sheets = add("FailFeatureInSheets", drawings, std::nullopt, {});
  sheets.args = [](const Place& p) {
    return std::vector<Variant>{Variant(p.results + "/data"), Variant(p.results + "/data/")};
  };
  sheets.raises = true;
  add("ActivateSheets", drawings, i16(1), {"ActivateSheets - Enter", "ActivateSheets - Failed"}).strict = true;
  add("ActivateConfigs", models, i16(1), {"ActivateConfigs - Failed", "ActivateConfigs - Exit"});
  // Both count a part's edges, which goes on past a failing call.
  add("MassPropInCfgs", models, i16(1),
      {"Getting Mass Prop In Configs - Failed", "Getting Mass Prop In Configs - Exit"}).args = dataFolder;
  add("FailedFeatInCongs", models, i16(1), {"Getting Failed Features - Enter"}).args = dataFolder;
  add("ViewCutPaste", drawings, i16(1), {"ViewCutPaste - Failed", "ViewCutPaste - Exit"}).strict = true;
  add("InsertBOM", drawings, std::nullopt, {"InsertBOM - Failed", "InsertBOM - Exit"}).strict = true;
  add("CreateSectionView", drawings, i16(1), {"SectionView - Failed", "SectionView - Exit"}).strict = true;
  add("Features", all, i16(1), {"Features - Failed", "Features - Exit"});
  add("ComponentCount", assemblies, i16(1), {"Component Count - Failed", "Component Count - Exit"});
  add("TestFlexible", assemblies, i16(1), {}).strict = true;
  add("TestAssemInterference", assemblies, std::nullopt, {}).carriesOn = true;
  add("DependentDocs", all, i16(1), {"DependentDocs - Failed", "DependentDocs - Exit"}).args = [](const Place&) {
    return std::vector<Variant>{i16(1), i16(1)};
  };
  // The copier reports a failure in the trace log and goes on.
  Member& copy = add("GetDependDocsWithDocNotOpen", all, std::nullopt, {});
  copy.args = [](const Place& p) {
    return std::vector<Variant>{Variant(p.relative), Variant(p.copies), Variant(p.models), Variant(p.models), i16(0)};
  };
  copy.carriesOn = true;
  // The journal header writers trap their own errors into the module trace.
  for (const char* name : {"InfoHeaderToJournal", "WarningHeaderToJournal"}) {
    Member& header = add(name, all, std::nullopt, {"MessageHeaderToJournal Failed:   host fault"});
    header.object = kStore;
    header.args = [](const Place&) { return std::vector<Variant>{Variant(0), Variant(false)}; };
    header.moduleTrace = true;
  }
  return list;
}

// What one run of a member left behind.
struct Outcome {
  int calls = 0;  // host member calls it made
  std::optional<Variant> result;
  std::string raised;  // the description of an error that reached the caller
  std::vector<std::string> trace, journal;
  Snapshot models, copies;
};

class HostFaultSweep : public ::testing::TestWithParam<Member> {
 protected:
  void SetUp() override {
    root_ = scratch_.root();
    place_.models = scratch_.models();
    place_.results = root_ + "/results";
    place_.copies = root_ + "/copies";
    for (const char* folder : {"/results/data", "/results/perf", "/copies"})
      fs::create_directories(root_ + folder);
    core::registerClasses();
    sim::registerApplications();
    host_ = au::createObject("Vexlar.Application");
    app_ = au::createObject("RavelcrestCore.clsApplication");
    store_ = au::createObject("RavelcrestCore.clsPropertyManager");
  }
  void TearDown() override {
    if (host_) {
      au::call(host_, "SimFailAfter", {Variant(0), Variant("")});
      au::call(host_, "ExitApp");
    }
  }

  // The sample documents of `types`, relative to the models folder.
  std::vector<std::string> documents(const std::vector<int>& types) const {
    std::vector<std::string> out;
    for (const auto& entry : fs::recursive_directory_iterator(place_.models)) {
      const int type = typeOf(entry.path().string());
      if (type && std::find(types.begin(), types.end(), type) != types.end())
        out.push_back(fs::relative(entry.path(), place_.models).string());
    }
    std::sort(out.begin(), out.end());
    return out;
  }

  // Runs `m` on the current document with the host failing at call `failAt`
  // (0: never), from the models folder as `before` holds it.
  Outcome run(const Member& m, const Snapshot& before, int failAt) {
    sweep::restore(place_.models, before, modelsNow_);
    fs::remove_all(place_.copies);
    fs::create_directories(place_.copies);
    const std::string tracePath = m.moduleTrace ? root_ + "/drive/TraceLog.log" : place_.results + "/TraceLog.log";
    fs::remove(tracePath);
    au::call(host_, "CloseAllDocuments");
    au::call(host_, "SimClearJournal");
    std::vector<Variant> open{Variant(place_.document), Variant(typeOf(place_.document)), Variant(0), Variant(""),
                              Variant(0), Variant(0)};
    EXPECT_FALSE(au::call(host_, "OpenDoc6", open).isNothing()) << place_.document;
    const std::string name = fs::path(place_.document).filename().string();
    au::letProperty(app_, "ResultPath", Variant(place_.results));
    au::letProperty(app_, "InputFile", Variant(place_.document));
    au::letProperty(app_, "NameOnly", Variant(name));
    au::letProperty(app_, "BLFile", Variant(fs::path(place_.document).parent_path().string() + "/" + name +
                                            ".massproperties"));
    au::letProperty(app_, "VXBuild", Variant("sweep"));
    au::letProperty(app_, "InpPath", Variant(place_.results + "/perf"));
    au::letProperty(app_, "JournFile", Variant(place_.results + "/journal.txt"));

    Outcome r;
    const std::int32_t start = au::call(host_, "SimCallCount").toLong();
    if (failAt > 0) au::call(host_, "SimFailAfter", {Variant(failAt), Variant("host fault")});
    std::vector<Variant> args = m.args(place_);
    try {
      r.result = au::call(m.object == kApp ? app_ : store_, m.name, args);
    } catch (const au::AutomationError& e) {
      r.raised = e.description();
    }
    au::call(host_, "SimFailAfter", {Variant(0), Variant("")});
    r.calls = au::call(host_, "SimCallCount").toLong() - start;
    r.trace = sweep::traceLines(tracePath);
    for (const Variant& v : au::call(host_, "SimJournal").asArray().items()) r.journal.push_back(v.toText());
    r.models = modelsNow_ = sweep::snapshot(place_.models);
    r.copies = sweep::snapshot(place_.copies);
    return r;
  }

  // The document type of `path` by its extension; 0 for no document.
  static int typeOf(const std::string& path) {
    const std::string ext = fs::path(path).extension().string();
    if (ext == ".vxldrw" || ext == ".drw") return core::kDrawing;
    if (ext == ".vxlasm" || ext == ".asm") return core::kAssembly;
    if (ext == ".vxlprt" || ext == ".prt" || ext == ".vxllfp") return core::kPart;
    return 0;
  }

  // Sweeps `m` on the current document from the models folder as it is.
  // Answers the number of faulted runs.
  int sweepFrom(const Member& m, const std::string& phase) {
    const Snapshot before = sweep::snapshot(place_.models);
    const Outcome clean = run(m, before, 0);
    EXPECT_EQ(clean.raised, "") << phase;
    int faulted = 0;
    for (int n : sweep::faultPositions(clean.calls)) {
      SCOPED_TRACE(phase + ", fault at host call " + std::to_string(n) + " of " + std::to_string(clean.calls));
      const Outcome r = run(m, before, n);
      if (r.calls < n) {
        ADD_FAILURE() << "the fault was not reached";
        continue;
      }
      ++faulted;
      expectFailurePath(m, clean, r);
      for (const std::string& f : sweep::brokenFiles(before, clean.models, r.models, m.carriesOn))
        ADD_FAILURE() << "baseline or document left neither as it was nor whole: " << f;
      for (const std::string& f : sweep::brokenFiles({}, clean.copies, r.copies, false))
        ADD_FAILURE() << "copied file left half written: " << f;
    }
    // Past the last call nothing fails, and the run is the clean one again.
    const Outcome after = run(m, before, clean.calls + 1);
    EXPECT_LT(after.calls, clean.calls + 1) << phase;
    EXPECT_EQ(after.raised, "") << phase;
    EXPECT_EQ(after.trace, clean.trace) << phase;
    return faulted;
  }

  void expectFailurePath(const Member& m, const Outcome& clean, const Outcome& r) {
    if (!r.raised.empty()) {
      EXPECT_TRUE(m.raises) << "raised: " << r.raised;
      EXPECT_EQ(r.raised, "host fault");
      EXPECT_TRUE(sweep::isPrefix(r.journal, clean.journal));
      return;
    }
    if (m.raises) {
      // Only faults the member traps itself may leave it ending normally.
      EXPECT_EQ(r.trace, clean.trace);
      return;
    }
    const bool failed = m.failure ? r.result->toText() == m.failure->toText() &&
                                        r.result->toText() != clean.result->toText()
                                  : r.trace != clean.trace;
    if (m.strict) {
      EXPECT_TRUE(failed) << "a failing host call went unreported";
    }
    if (failed || (!m.failure && !m.failureTrace.empty())) {
      if (failed) {
        ASSERT_GE(r.trace.size(), m.failureTrace.size());
        EXPECT_TRUE(std::equal(m.failureTrace.rbegin(), m.failureTrace.rend(), r.trace.rbegin()))
            << "trace ends with: " << (r.trace.empty() ? std::string("<nothing>") : r.trace.back());
        if (!m.carriesOn) {
          EXPECT_TRUE(sweep::isPrefix(r.journal, clean.journal)) << "journal gained lines";
        }
      }
      return;
    }
    // The fault was trapped and skipped: the result is the clean one.
    if (m.failure) {
      EXPECT_EQ(r.result->toText(), clean.result->toText());
    }
  }

  Place place_;
  Snapshot modelsNow_;  // what the models folder holds now
  au::ObjectRef host_, app_, store_;
  platform::ScopedMessageHandler quiet_{[](std::string_view) {}};

 private:
  sweep::SweepFolder scratch_;
  std::string root_;
};

TEST_P(HostFaultSweep, EveryFailingHostCallEndsOnTheFailurePath) {
  const Member& m = GetParam();
  int faulted = 0;
  for (const std::string& doc : documents(m.types)) {
    place_.relative = doc;
    place_.document = place_.models + "/" + doc;
    // First with no baselines, so that the check writes them, then with the
    // baselines a clean run left.
    for (const auto& entry : fs::recursive_directory_iterator(place_.models))
      if (entry.path().extension() == ".properties" || entry.path().extension() == ".massproperties")
        fs::remove(entry.path());
    modelsNow_ = sweep::snapshot(place_.models);
    faulted += sweepFrom(m, doc + ", no baselines");
    run(m, sweep::snapshot(place_.models), 0);
    faulted += sweepFrom(m, doc + ", baselines in place");
  }
  RecordProperty("faulted_runs", faulted);
}

INSTANTIATE_TEST_SUITE_P(Members, HostFaultSweep, ::testing::ValuesIn(members()),
                         [](const ::testing::TestParamInfo<Member>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace rc::testing
