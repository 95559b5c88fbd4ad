#include "Core/checks/MeasurementChecks.h"

#include <string>

#include "Core/checks/CheckSkeleton.h"
#include "Core/checks/PropertyStore.h"
#include "Core/checks/FaceWalk.h"
#include "Core/frame/JournalWriters.h"
#include "Core/properties/Comparison.h"
#include "Core/properties/PropertyFile.h"
#include "platform/os/Files.h"

namespace rc::core {

namespace au = rc::automation;

namespace {


using State = CheckOutcome::State;

// A count compared with its baseline under `key`; a difference goes to the
// host's journal as a warning block. The store and the properties file come
// first, so a bad NameOnly fails before the host is asked anything.
template <typename Measure>
void checkCount(SessionContext& s, std::string_view key, std::string_view units, Measure measure) {
  PropertyStore store;
  std::string file = propertiesFilePath(s.InputFile, s.NameOnly);
  double count = measure();
  double base = store.number(key, file);
  if (base == -1) {
    if (count >= 0) store.set(key, file, journalNumber(count), s.VXBuild);
    s.LastOutcome = {count >= 0 ? State::Created : State::Measured, std::string(key), journalNumber(count), "", ""};
    return;
  }
  double diff = 0;
  if (store.compare(count, base, s.tolerance, diff)) {
    s.LastOutcome = {State::Agreed, std::string(key), journalNumber(count), journalNumber(base), ""};
    return;
  }
  JournalBlock block{std::string(key), journalNumber(count), journalNumber(base), differenceText(diff),
                     std::string(units), std::string(journal::kWarning), ""};
  s.LastOutcome = {State::Differed, block.Name, block.NewValue, block.BaseValue, block.Diff};
  RecordJournalBlock(block, s.glbProcessID, s.MultiSession);
}

}  // namespace

std::int16_t TestEdgeCount(SessionContext& s) {
  return runCheck(
      s, "TestEdgeCount",
      [&] {
        checkCount(s, "EdgeCount", "edges", [&] { return CountPartEdges(s.glbProcessID, s.MultiSession); });
      },
      OnFailure::TraceAndSkipExit, " - Failure");
}

std::int16_t TestTessTriangleCount(SessionContext& s) {
  return runCheck(s, "TestTessTriangleCount", [&] {
    checkCount(s, "TessTriangleCount", "triangles",
               [&] { return CountPartTriangles(s.glbProcessID, s.MultiSession); });
  });
}

std::int16_t TestFileSize(SessionContext& s, std::string_view tmpName) {
  return runCheck(s, "TestFileSize", [&] {
    PropertyStore store;
    std::string file = propertiesFilePath(s.InputFile, s.NameOnly);
    double size = -1;
    if (platform::fileExists(tmpName) && platform::fileExists(s.InputFile))
      size = static_cast<double>(platform::fileLength(tmpName));
    double base = store.number("FileSize", file);
    JournalBlock block{"FileSize", journalNumber(size), journalNumber(base), "", "bytes",
                       std::string(journal::kInfo), ""};
    if (base == -1) {
      s.LastOutcome = {State::Measured, block.Name, block.NewValue, "", ""};
      if (size < 0) return;
      store.set("FileSize", file, journalNumber(size), s.VXBuild);
      s.LastOutcome.state = State::Created;
      AppendJournalBlock(block, s.JournFile);
      return;
    }
    double diff = 0;
    s.LastOutcome = {State::Agreed, block.Name, block.NewValue, block.BaseValue, ""};
    if (!store.compare(size, base, s.tolerance, diff)) {
      block.Diff = differenceText(diff);
      block.Prefix = journal::kWarning;
      s.LastOutcome.state = State::Differed;
      s.LastOutcome.message = block.Diff;
    }
    AppendJournalBlock(block, s.JournFile);
  });
}

}  // namespace rc::core
