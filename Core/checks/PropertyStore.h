// PropertyStore: the property store (clsPropertyManager) as the checks
// reach it, late-bound by ProgID and member name.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/automation/Dispatch.h"

namespace rc::core {

// Created through "VxlClasses.clsPropertyManager" and called by member name.
class PropertyStore {
 public:
  PropertyStore();

  // GetProperty's text for `key` (first-match or sum mode).
  std::string text(std::string_view key, std::string_view file, bool sumMode = false);
  // That text as a number by the locale-aware conversion (13 when it is none).
  double number(std::string_view key, std::string_view file, bool sumMode = false);
  // SetProperty; its result is ignored, as the checks do.
  void set(std::string_view key, std::string_view file, std::string_view value, std::string_view build);
  // CompareProperty(new, baseline, tolerance, diff).
  bool compare(const automation::Variant& newValue, const automation::Variant& baseline,
               const automation::Variant& tolerance, double& diff);
  // InfoHeaderToJournal: the "Information (ST)" header in the session's journal.
  void infoHeaderToJournal(std::int32_t processId, bool multiSession);

 private:
  automation::ObjectRef obj_;
};

}  // namespace rc::core
