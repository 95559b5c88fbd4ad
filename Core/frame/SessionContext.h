// The session context a harness sets on clsApplication before it calls the
// checks, and the state the session keeps between calls. Every field starts
// empty, as the class has no initialisation: strings "", Booleans False,
// Longs 0, the Variant Empty. Nothing validates them; a wrong value surfaces
// inside the check that uses it.
#pragma once

#include <cstdint>
#include <string>

#include "Core/frame/CheckOutcome.h"
#include "platform/automation/Variant.h"

namespace rc::core {

struct SessionContext {
  std::string PathName;         // kept for the harness
  std::string InputFile;        // full path of the document under test
  std::string InpPath;          // folder of the performance log
  bool Failure = false;         // set by the mass-properties comparison
  std::string FailureFile;      // kept for the harness
  automation::Variant tolerance;  // "p" or "p,f"; may also hold an object
  std::string NameOnly;         // document name as it occurs in InputFile
  std::int32_t glbProcessID = 0;  // host session to attach to
  std::string VXPath;           // installation folder of the host
  std::string AltBaseLinePath;  // kept for the harness
  std::string JournFile;        // journal file of the file-journaling checks
  bool MultiSession = false;    // attach by process ID first
  std::string VXBuild;          // host build written into new baselines
  std::string ResultPath;       // folder of the trace log
  std::string BLFile;           // mass-properties baseline file
  std::string perfLog;          // performance log path

  // State kept between calls, which the harness does not set.
  // The stopwatch readings in milliseconds.
  std::int32_t timerStart = 0;
  std::int32_t timerStop = 0;
  // What the last check method found; every method call starts it afresh
  // (clsApplication.LastOutcome).
  CheckOutcome LastOutcome;
};

}  // namespace rc::core
