#include "Core/frame/CheckOutcome.h"

#include <array>

#include "platform/automation/SafeArray.h"

namespace rc::core {

namespace au = rc::automation;
using State = CheckOutcome::State;

namespace {

constexpr std::array<State, 5> kStates = {State::None, State::Measured, State::Created, State::Agreed, State::Differed};
constexpr std::size_t kFields = 5;

}  // namespace

std::string_view stateName(State state) {
  switch (state) {
    case State::None: return "";
    case State::Measured: return "measured";
    case State::Created: return "created";
    case State::Agreed: return "agreed";
    case State::Differed: return "differed";
  }
  return "";
}

au::Variant outcomeVariant(const CheckOutcome& o) {
  return au::Variant(
      au::SafeArray::strings({std::string(stateName(o.state)), o.key, o.newValue, o.baseValue, o.message}));
}

CheckOutcome outcomeFromVariant(const au::Variant& value) {
  if (!value.isArray()) return {};
  const std::vector<au::Variant> items = value.asArray().items();
  if (items.size() != kFields) return {};
  CheckOutcome o;
  const std::string name = items[0].toText();
  bool known = false;
  for (State s : kStates)
    if (stateName(s) == name) o.state = s, known = true;
  if (!known) return {};
  o.key = items[1].toText();
  o.newValue = items[2].toText();
  o.baseValue = items[3].toText();
  o.message = items[4].toText();
  return o;
}

}  // namespace rc::core
