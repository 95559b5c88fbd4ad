// The text of a member call as the operations log records it:
// `andSelectByID("", "DRAWINGVIEW", 0.1, 0.1, 0)`. Texts are quoted (an
// inner quote doubled), numbers in their shortest exact form, Booleans
// True/False, arguments separated by ", ".
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "platform/automation/Variant.h"

namespace rc::sim::host::calltext {

// One argument as a call would write it.
std::string argument(const automation::Variant& v);
// The shortest text that reads back as exactly `value`.
std::string number(double value);
// `member(arg, arg, ...)`.
std::string line(std::string_view member, std::span<const automation::Variant> args);
std::string line(std::string_view member, std::initializer_list<automation::Variant> args);

}  // namespace rc::sim::host::calltext
