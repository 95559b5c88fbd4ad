#include "Core/checks/PerformanceTimers.h"

#include "Core/checks/CheckSkeleton.h"
#include "Core/checks/PropertyStore.h"
#include "Core/frame/JournalWriters.h"
#include "Core/properties/Comparison.h"
#include "Core/properties/PropertyFile.h"
#include "platform/automation/Trap.h"
#include "platform/os/Paths.h"
#include "platform/os/System.h"

namespace rc::core {

namespace au = rc::automation;

namespace {

constexpr double kPerformanceError = -999;

}  // namespace

std::string_view performanceBaselineKey(std::string_view perfType) {
  if (!perfType.starts_with("Exp_")) return perfType;
  return perfType.substr(perfType.rfind('_') + 1);
}

double TestPerformance(SessionContext& s, std::string_view perfType, std::int16_t test, std::int16_t param) {
  double perf = kPerformanceError;
  au::trapped(
      [&] {
        s.BLFile = propertiesFilePath(s.InputFile, s.NameOnly);
        s.perfLog = platform::joinPath(s.InpPath, "Performance.log");
        PropertyStore store;
        double time = store.number(perfType, s.perfLog, param == 1);
        std::string_view key = performanceBaselineKey(perfType);
        CheckOutcome& outcome = s.LastOutcome;
        outcome = {CheckOutcome::State::Measured, std::string(key), journalNumber(time), "", ""};
        if (test != 1) {
          perf = time;
          return;
        }
        double base = store.number(key, s.BLFile);
        if (base == -1) {
          if (time >= 0) {
            store.set(key, s.BLFile, journalNumber(time), s.VXBuild);
            outcome.state = CheckOutcome::State::Created;
          }
          perf = time;
          return;
        }
        double diff = 0;
        outcome.baseValue = journalNumber(base);
        outcome.state = CheckOutcome::State::Agreed;
        if (!store.compare(time, base, s.tolerance, diff)) {
          JournalBlock block{std::string(perfType), journalNumber(time), journalNumber(base), differenceText(diff),
                             "sec", std::string(journal::kWarning), ""};
          outcome.state = CheckOutcome::State::Differed;
          outcome.message = block.Diff;
          AppendJournalBlock(block, s.JournFile);
        }
        perf = time;
      },
      [&](const au::AutomationError&) {
        perf = kPerformanceError;
        s.LastOutcome = {};
      });
  return perf;
}

void SimpleWriteError(std::string_view perfType, std::string_view perf, std::string_view BLperf,
                      std::string_view strRet, std::string_view Units, std::string_view JournFile) {
  JournalBlock block{std::string(perfType), std::string(perf), std::string(BLperf), std::string(strRet),
                     std::string(Units),    std::string(journal::kWarning), ""};
  AppendJournalBlock(block, JournFile);
}

void StartTimer(SessionContext& s) {
  s.timerStart = 0;
  s.timerStop = 0;
  s.timerStart = static_cast<std::int32_t>(platform::tickCount());
}

std::uint32_t elapsedTicks(std::int32_t start, std::int32_t stop) {
  // Unsigned subtraction is modulo 2^32, so a counter that wrapped between
  // the readings still gives the time between them.
  return static_cast<std::uint32_t>(stop) - static_cast<std::uint32_t>(start);
}

std::string StopTimer(SessionContext& s) {
  // Nothing here can fail: a counter that wrapped between the readings
  // still gives the time (elapsedTicks), so every stop has a valid time.
  s.timerStop = static_cast<std::int32_t>(platform::tickCount());
  return "Timer Change = " + std::to_string(elapsedTicks(s.timerStart, s.timerStop));
}

}  // namespace rc::core
