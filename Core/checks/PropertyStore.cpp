#include "Core/checks/PropertyStore.h"

#include <vector>

#include "platform/automation/Registry.h"

namespace rc::core {

namespace au = rc::automation;

PropertyStore::PropertyStore() : obj_(au::createObject("VxlClasses.clsPropertyManager")) {}

std::string PropertyStore::text(std::string_view key, std::string_view file, bool sumMode) {
  return au::call(obj_, "GetProperty", key, file, au::Variant::integer(sumMode ? 1 : 0)).toText();
}

double PropertyStore::number(std::string_view key, std::string_view file, bool sumMode) {
  return au::Variant(text(key, file, sumMode)).toDouble();
}

void PropertyStore::set(std::string_view key, std::string_view file, std::string_view value, std::string_view build) {
  au::call(obj_, "SetProperty", key, file, value, build);
}

bool PropertyStore::compare(const au::Variant& newValue, const au::Variant& baseline, const au::Variant& tolerance,
                            double& diff) {
  std::vector<au::Variant> args{newValue, baseline, tolerance, diff};
  bool same = au::call(obj_, "CompareProperty", args).toBool();
  diff = args[3].toDouble();
  return same;
}

void PropertyStore::infoHeaderToJournal(std::int32_t processId, bool multiSession) {
  au::call(obj_, "InfoHeaderToJournal", processId, multiSession);
}

}  // namespace rc::core
