#include "platform/automation/Error.h"

namespace rc::automation {

std::string_view standardDescription(int number) {
  switch (number) {
    case 5: return "Invalid procedure call or argument";
    case 6: return "Overflow";
    case 7: return "Out of memory";
    case 9: return "Subscript out of range";
    case 11: return "Division by zero";
    case 13: return "Type mismatch";
    case 52: return "Bad file name or number";
    case 53: return "File not found";
    case 55: return "File already open";
    case 58: return "File already exists";
    case 62: return "Input past end of file";
    case 70: return "Permission denied";
    case 75: return "Path/File access error";
    case 76: return "Path not found";
    case 91: return "Object variable or With block variable not set";
    case 424: return "Object required";
    case 429: return "ActiveX component can't create object";
    case 438: return "Object doesn't support this property or method";
    case 450: return "Wrong number of arguments or invalid property assignment";
    default: return "Application-defined or object-defined error";
  }
}

AutomationError::AutomationError(int number, std::string description, std::string source)
    : std::runtime_error(description),
      number_(number),
      description_(std::move(description)),
      source_(std::move(source)) {}

void raise(int number, std::string source) {
  throw AutomationError(number, std::string(standardDescription(number)), std::move(source));
}

void raiseSystem(int number, int systemError, std::string source) {
  AutomationError e(number, std::string(standardDescription(number)), std::move(source));
  e.systemError_ = systemError;
  throw e;
}

AutomationError AutomationError::withDetail(std::string_view detail) const {
  AutomationError e(number_, description_ + ": " + std::string(detail), source_);
  e.systemError_ = systemError_;
  return e;
}

void raiseWithDetail(int number, std::string_view detail, std::string source) {
  throw AutomationError(number, std::string(standardDescription(number)) + ": " + std::string(detail),
                        std::move(source));
}

void raise(int number, std::string description, std::string source) {
  throw AutomationError(number, std::move(description), std::move(source));
}

}  // namespace rc::automation
