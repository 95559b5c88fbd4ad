// The vault's records (users, revisions, references, audit log) over either
// storage backend. Every change is one transaction that also writes its
// audit entry, so a change and its entry are recorded together or not at all.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/vault/RecordTypes.h"
#include "sim/vault/StoreBackend.h"

namespace rc::sim::vault {

class Records {
 public:
  explicit Records(std::unique_ptr<StoreBackend> backend) : db_(std::move(backend)) {}

  // Creates the tables in one transaction; Exists when they are there.
  void createSchema();
  // Whether the database holds the vault's tables.
  bool holdsVault();
  // Raises Damaged when the database holds no vault (or another format).
  void checkSchema();

  std::optional<UserRecord> user(std::string_view name);
  std::vector<UserRecord> users();
  // Adds `user` with its audit entry; Exists when the name is taken.
  void addUser(const UserRecord& user, const AuditEntry& entry);
  void addAudit(const AuditEntry& entry);
  std::vector<AuditEntry> auditLog();

  // The revisions of `document` in creation order, with their references.
  std::vector<RevisionRecord> revisions(std::string_view document);
  // Every revision of every document, by name and creation order.
  std::vector<RevisionRecord> allRevisions();

  // Records `rev` as the newest revision of its document, labelled
  // rev.label or, when that is empty, with the next free label "A", "B",
  // ... "Z", "AA", ...; Exists when the label is taken. `inside` runs inside
  // the transaction before it commits. Returns the record as stored.
  RevisionRecord addRevision(RevisionRecord rev, AuditEntry entry, const std::function<void()>& inside);
  // Records every revision of `batch` as addRevision does, in order and in
  // one transaction: all or none. An error names the document it is about.
  std::vector<RevisionRecord> addRevisions(std::vector<std::pair<RevisionRecord, AuditEntry>> batch,
                                           const std::function<void()>& inside);

  // Points revision (document, label) at new content and, unless
  // `modified` is nullopt, a new modification time. Returns the record as
  // it was, or nullopt (and changes nothing) when there is no such revision.
  std::optional<RevisionRecord> replaceContent(const RevisionRecord& content, std::optional<std::string> modified,
                                               AuditEntry entry, const std::function<void()>& inside);

  StoreBackend& backend() { return *db_; }

 private:
  void insertAudit(const AuditEntry& entry);
  // addRevision's work inside a write transaction the caller holds.
  void insertRevision(RevisionRecord& rev, AuditEntry& entry);
  std::vector<RevisionRecord> selectRevisions(std::string_view where, const std::vector<SqlValue>& params);

  std::unique_ptr<StoreBackend> db_;
};

// The label of the n-th revision (from 1): "A" ... "Z", "AA", "AB", ...
std::string letterLabel(std::int64_t n);

}  // namespace rc::sim::vault
