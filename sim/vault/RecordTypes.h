// The records the vault keeps: users, revisions with their references, and
// audit entries. Times are ISO 8601 UTC text ("2026-12-08T00:31:38Z").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rc::sim::vault {

struct UserRecord {
  std::string name;
  std::string passwordHash;  // Argon2id, libsodium's string form
  bool isAdmin = false;
};

// A reference from a revision to (a revision of) another document. The
// target need not be in the vault.
struct Reference {
  std::string name;
  std::string revision;
};

struct RevisionRecord {
  std::string document;
  std::string label;
  std::int64_t sequence = 0;  // creation order within the document, from 1
  std::string hash;           // SHA-256 of the content, lower-case hex
  std::int64_t size = 0;
  std::optional<std::int32_t> hostVersion;  // the content's fileVersion
  std::string created;
  std::string modified;
  std::vector<Reference> references;
};

struct AuditEntry {
  std::string time;
  std::string user;
  std::string action;  // "login", "login failed", "register user", "check-in", "replace", ...
  std::string document;
  std::string revision;
  std::string comment;
  std::string oldHash;  // for a replaced content
  std::string newHash;
};

// The current time as ISO 8601 UTC text.
std::string nowText();

}  // namespace rc::sim::vault
