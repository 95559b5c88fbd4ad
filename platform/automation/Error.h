// Run-time errors of the automation runtime.
//
// Every failure that crosses a member call is an AutomationError carrying the
// error number, its description and a source. The standard numbers have fixed
// descriptions; raise() fills them in.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace rc::automation {

// The error numbers the library and its peers raise.
namespace err {
inline constexpr int InvalidCall = 5;
inline constexpr int Overflow = 6;
inline constexpr int OutOfMemory = 7;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int DivisionByZero = 11;
inline constexpr int TypeMismatch = 13;
inline constexpr int BadFileNameOrNumber = 52;
inline constexpr int FileNotFound = 53;
inline constexpr int FileAlreadyOpen = 55;
inline constexpr int FileAlreadyExists = 58;
inline constexpr int InputPastEndOfFile = 62;
inline constexpr int PermissionDenied = 70;
inline constexpr int PathFileAccessError = 75;
inline constexpr int PathNotFound = 76;
inline constexpr int ObjectNotSet = 91;
inline constexpr int ObjectRequired = 424;
inline constexpr int CannotCreateObject = 429;
inline constexpr int NotSupported = 438;
inline constexpr int WrongArgumentCount = 450;
// Raised by an application object with a description of its own.
inline constexpr int ApplicationDefined = 440;
}  // namespace err

// The standard description of `number`, or "Application-defined or
// object-defined error" when the number has none.
std::string_view standardDescription(int number);

// Throws AutomationError(number) with the standard description, carrying
// the system's error number `systemError` behind it.
[[noreturn]] void raiseSystem(int number, int systemError, std::string source = "");

class AutomationError : public std::runtime_error {
 public:
  AutomationError(int number, std::string description, std::string source = "");

  int number() const { return number_; }
  const std::string& description() const { return description_; }
  const std::string& source() const { return source_; }
  // The system's error number behind a file error (ENOSPC), 0 when none
  // is known. Callers that word their own messages use it where the
  // automation number is general ("Path/File access error").
  int systemError() const { return systemError_; }

  // The same error with ": <detail>" after its description, so that the
  // text still starts with the standard description.
  AutomationError withDetail(std::string_view detail) const;

 private:
  friend void raiseSystem(int number, int systemError, std::string source);  // sets systemError_
  int number_;
  std::string description_;
  std::string source_;
  int systemError_ = 0;
};

// Throws AutomationError(number) with the standard description.
[[noreturn]] void raise(int number, std::string source = "");
// Throws AutomationError(number) whose description is the standard one
// followed by ": <detail>" ("Type mismatch: argument 'a' of Add ...").
[[noreturn]] void raiseWithDetail(int number, std::string_view detail, std::string source = "");
// Throws AutomationError(number) with a description of the caller's.
[[noreturn]] void raise(int number, std::string description, std::string source);

}  // namespace rc::automation
