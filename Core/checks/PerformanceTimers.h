// Timing tests: a time read from the harness's performance log compared
// with its baseline, a warning block the harness phrases itself, and a
// millisecond stopwatch.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "Core/frame/SessionContext.h"

namespace rc::core {

// The baseline key of a performance type: the text after the last "_" for
// a type that begins with "Exp_" (case-sensitive), else the type itself.
std::string_view performanceBaselineKey(std::string_view perfType);

// Reads the time of `perfType` from InpPath's "Performance.log" (`param` 1
// sums its lines) and, with `test` 1, compares it with the baseline in the
// document's properties file: creates the baseline when missing and the
// time is not negative, or appends a warning block to JournFile when they
// differ. Sets BLFile and perfLog and records what it found in LastOutcome
// (under the baseline key). Answers the time, or -999 after a run-time
// error. Writes no trace lines.
double TestPerformance(SessionContext& session, std::string_view perfType, std::int16_t test, std::int16_t param);

// Appends the harness's own warning block to `JournFile`.
void SimpleWriteError(std::string_view perfType, std::string_view perf, std::string_view BLperf,
                      std::string_view strRet, std::string_view Units, std::string_view JournFile);

// Clears both stopwatch readings and takes the start reading.
void StartTimer(SessionContext& session);

// Takes the stop reading and answers "Timer Change = " and the milliseconds
// since the start reading.
std::string StopTimer(SessionContext& session);

// The milliseconds from `start` to `stop` on the 32-bit tick counter, which
// may have wrapped once in between.
std::uint32_t elapsedTicks(std::int32_t start, std::int32_t stop);

}  // namespace rc::core
