// What the last check method of a session found, kept for the harness that
// called it: the values its journal block states (or would state, for a
// check that agreed), so a harness need not read them back out of the
// journal's text or measure again.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/automation/Variant.h"

namespace rc::core {

struct CheckOutcome {
  enum class State : std::uint8_t {
    None,      // nothing recorded: the method compares nothing, or it was abandoned
    Measured,  // measured, with no baseline to compare with and none made
    Created,   // made the baseline from what it measured
    Agreed,    // compared with the baseline, within the tolerance
    Differed,  // compared with the baseline, beyond the tolerance (a warning was journaled)
  };
  State state = State::None;
  std::string key;        // the baseline's key, or the journal block's name where it has no key
  std::string newValue;   // the measured value as the journal writes it; "" when it has none
  std::string baseValue;  // the baseline value as the journal writes it; "" when none was read
  std::string message;    // the difference as the check phrased it

  friend bool operator==(const CheckOutcome&, const CheckOutcome&) = default;
};

// "", "measured", "created", "agreed", "differed".
std::string_view stateName(CheckOutcome::State state);

// The outcome as clsApplication.LastOutcome answers it: a zero-based String
// array of state name, key, new value, baseline value and message.
automation::Variant outcomeVariant(const CheckOutcome& outcome);

// The outcome an outcomeVariant() array holds; any other value (Empty, an
// array of another length, an unknown state name) reads as nothing recorded.
CheckOutcome outcomeFromVariant(const automation::Variant& value);

}  // namespace rc::core
