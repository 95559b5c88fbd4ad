// The one error type of the vault's store. Its kind tells callers how to
// report it (the administration tool's exit code, ReplaceDocument's status,
// the automation error raised by the objects); its text is complete and
// names the vault, document or file concerned.
#pragma once

#include <stdexcept>
#include <string>

namespace rc::sim::vault {

enum class ErrorKind {
  Refused,   // bad input: a name, label, password or file the vault will not take
  NotFound,  // no such vault, user, document, revision, file or folder
  Exists,    // the vault, user or revision is already there
  Busy,      // another process holds the vault's lock longer than the wait allows
  Damaged,   // records or contents that do not read back as written
  Storage,   // the file system or the database failed
};

class VaultError : public std::runtime_error {
 public:
  VaultError(ErrorKind kind, const std::string& text) : std::runtime_error(text), kind_(kind) {}
  ErrorKind kind() const { return kind_; }

 private:
  ErrorKind kind_;
};

}  // namespace rc::sim::vault
