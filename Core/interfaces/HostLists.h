// Reading the host's answers: its zero-based lists, their walk, the 16-bit
// loop counters and the host's counts and texts. The structure checks, the
// document copier and the sheet pictures share them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/automation/Dispatch.h"

namespace rc::core {

// Element `index` of a host list (a zero-based array); 13 when `list` is no
// array, 9 when the index lies outside it.
automation::Variant listItem(const automation::Variant& list, std::int32_t index);

// The number of elements of a host list: its upper bound plus one; 13 when
// `list` is no array.
std::int32_t listCount(const automation::Variant& list);

// Raises Overflow (6) unless a 16-bit loop counter can run from 0 to
// `count` - 1, that is unless `count` - 1 lies in -32768..32767. The check
// comes before the loop, so an oversized count walks nothing.
void requireLoop16(std::int64_t count);

// Walks a document's named list (its configurations or its sheets): reads
// the count by `countMember` (hostCount) and hands it to `onCount`, reads the
// zero-based names by `namesMember`, checks the 16-bit loop counter
// (requireLoop16), then calls `each(index, name)` for every name in order.
void walkNames(const automation::ObjectRef& doc, std::string_view countMember, std::string_view namesMember,
               const std::function<void(std::int32_t index, const automation::Variant& name)>& each,
               const std::function<void(std::int32_t count)>& onCount = {});

// A host count as a whole number; Overflow (6) beyond 32 bits.
std::int32_t hostCount(const automation::Variant& value);

// The text of `value` as the host answered it (CStr).
std::string hostText(const automation::Variant& value);

// Whether a host's numeric answer (an error code) is not 0; Empty is 0.
bool nonZero(const automation::Variant& value);

}  // namespace rc::core
