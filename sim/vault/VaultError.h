// The one error type of the vault's store. Its kind tells callers how to
// report it (the administration tool's exit code, ReplaceDocument's status,
// the automation error raised by the objects); its text is complete and
// names the vault, document or file concerned.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace rc::sim::vault {

enum class ErrorKind {
  Refused,   // bad input: a name, label, password or file the vault will not take
  NotFound,  // no such vault, user, document, revision, file or folder
  Exists,    // the vault, user or revision is already there
  Busy,      // another process holds the vault's lock longer than the wait allows
  Damaged,   // records or contents that do not read back as written
  Storage,   // the file system or the database failed
  Interrupted,  // the caller asked the operation to stop (Ctrl-C); it changed nothing
};

class VaultError : public std::runtime_error {
 public:
  VaultError(ErrorKind kind, const std::string& text) : std::runtime_error(text), kind_(kind) {}
  ErrorKind kind() const { return kind_; }

 private:
  ErrorKind kind_;
};

// The text of a system call that failed with errno `error` while `doing`
// something in `folder`: a full device and a read-only vault are named as
// such ("no space left on the device holding FOLDER", "the vault is
// read-only: FOLDER cannot be written"), anything else is `doing` and the
// system's text.
std::string systemFailureText(int error, const std::string& folder, std::string_view doing);

}  // namespace rc::sim::vault
