#include "Core/interfaces/HostLists.h"

#include "platform/automation/Error.h"
#include "platform/automation/SafeArray.h"

namespace rc::core {

namespace au = rc::automation;

au::Variant listItem(const au::Variant& list, std::int32_t index) {
  if (!list.isArray()) au::raise(au::err::TypeMismatch);
  return list.asArray().get({index});
}

std::int32_t listCount(const au::Variant& list) {
  if (!list.isArray()) au::raise(au::err::TypeMismatch);
  return list.asArray().ubound(1) + 1;
}

void requireLoop16(std::int64_t count) {
  if (count - 1 > 32767 || count - 1 < -32768) au::raise(au::err::Overflow);
}

void walkNames(const au::ObjectRef& doc, std::string_view countMember, std::string_view namesMember,
               const std::function<void(std::int32_t, const au::Variant&)>& each,
               const std::function<void(std::int32_t)>& onCount) {
  const std::int32_t count = hostCount(au::call(doc, countMember));
  if (onCount) onCount(count);
  au::Variant names = au::call(doc, namesMember);
  requireLoop16(count);
  for (std::int32_t i = 0; i < count; ++i) each(i, listItem(names, i));
}

std::int32_t hostCount(const au::Variant& value) { return value.toLong(); }

std::string hostText(const au::Variant& value) { return value.toText(); }

bool nonZero(const au::Variant& value) {
  if (value.isEmpty()) return false;
  return value.toDouble() != 0;
}

}  // namespace rc::core
