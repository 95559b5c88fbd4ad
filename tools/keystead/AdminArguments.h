// The command line of keystead-admin, parsed into one request.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/vault/RecordTypes.h"

namespace rc::keystead {

// A command line that does not parse; its text is the complaint.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct AdminRequest {
  std::string command;  // "init", "user add", "add", "list", "log", "get", "check"
  std::string vault;
  std::string file;                 // user add: NAME; get: NAME[@REV]
  std::vector<std::string> files;   // add: FILE... (files and folders)
  std::string fromList;             // add --from-list (a file naming one path a line; "-": standard input)
  std::string directory;            // get: DIRECTORY
  std::string name;                 // add --name
  std::string revision;             // add --revision
  std::string comment;              // add --comment
  std::vector<sim::vault::Reference> references;  // add --ref
  std::optional<std::string> postgres;            // init --postgresql
  bool admin = false;                             // user add --admin
};

// Parses argv[1..]; raises UsageError.
AdminRequest parseAdminArguments(const std::vector<std::string>& args);

// "NAME@REV" split at its last "@"; the revision is empty without one.
sim::vault::Reference splitAtRevision(const std::string& text);

// The usage text printed with a usage error.
extern const char* const kAdminUsage;

}  // namespace rc::keystead
