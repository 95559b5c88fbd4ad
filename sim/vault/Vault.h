// One vault: a directory holding its records (vault.sqlite, or vault.conf
// naming a PostgreSQL database) and its contents (blobs/). Every operation
// of the connection objects and of keystead-admin goes through here.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/vault/BlobStore.h"
#include "sim/vault/FaultPoint.h"
#include "sim/vault/RecordTypes.h"
#include "sim/vault/Records.h"

namespace rc::sim::vault {

class Vault {
 public:
  // The directory that `nameOrDirectory` names: itself when it is an
  // existing directory, else <base>/<name> with base
  // ${KEYSTEAD_VAULTS:-${XDG_DATA_HOME:-~/.local/share}/keystead}. Raises
  // NotFound when it is neither a directory nor a plain name.
  static std::string locate(std::string_view nameOrDirectory);

  // Opens the vault in `directory`; NotFound when it holds none, Damaged
  // when its records are no vault's. OpenMode::ReadOnly serves a vault on a
  // read-only folder or device to callers that only read.
  static std::unique_ptr<Vault> open(const std::string& directory, OpenMode mode = OpenMode::ReadWrite);

  // Makes an empty vault in `directory`, created when missing: the folder,
  // blobs/ and the database readable by their owner only (0700, 0600). The
  // directory must be empty; for a PostgreSQL vault it may hold just its
  // vault.conf, or `postgresConninfo` names the database and vault.conf is
  // written. On failure nothing is left behind.
  static void create(const std::string& directory, const std::optional<std::string>& postgresConninfo = std::nullopt);

  const std::string& directory() const { return dir_; }
  void setFaultHook(FaultHook hook) { hook_ = std::move(hook); }
  // Asked while contents are copied in and out, and before a batch records
  // its revisions: once it answers true, the operation raises Interrupted
  // and leaves the vault (and the folder written to) as it was. A batch
  // whose commit has begun completes.
  void setStopCheck(StopCheck stop) { blobs_.setStopCheck(std::move(stop)); }
  // How long a change waits for another process's lock before it fails as
  // Busy (10 seconds unless set).
  void setLockWait(int milliseconds) { records_.backend().setLockWait(milliseconds); }

  // Users. The password is kept only as its Argon2id hash.
  void addUser(const std::string& name, std::string_view password, bool isAdmin, const std::string& actor);
  // The user when `password` is theirs, else nullopt; audits either way.
  std::optional<UserRecord> login(const std::string& name, std::string_view password);
  std::optional<UserRecord> user(std::string_view name);
  std::vector<UserRecord> users();
  void audit(const std::string& actor, std::string action, std::string document = "", std::string revision = "");

  // Revisions of `document` in creation order (empty when unknown).
  std::vector<RevisionRecord> revisions(std::string_view document);
  // The revision labelled `label`, or the newest when `label` is nullopt.
  std::optional<RevisionRecord> revision(std::string_view document, std::optional<std::string_view> label = std::nullopt);

  struct CheckIn {
    std::string file;                 // the local file
    std::string name;                 // the document name (the file's name when empty)
    std::string label;                // the next letter label when empty
    std::vector<Reference> references;
    std::string comment;
  };
  // Adds a new revision. Refused (bad name, label or reference), NotFound
  // (missing file), Exists (label taken), Busy, Storage.
  RevisionRecord checkIn(const CheckIn& request, const std::string& actor);
  // Adds a new revision for each request, in order, as one change: the
  // contents are flushed together (BlobBatch) and every record is written
  // in one transaction. Either all are checked in or none is, and a failed
  // batch leaves no content of its own behind; the error names the file or
  // document it is about. Raises as checkIn does.
  std::vector<RevisionRecord> checkInAll(const std::vector<CheckIn>& requests, const std::string& actor);

  // Makes the content of `source` the content of (name, label); false when
  // there is no such revision, or `label` is no plain file name part
  // (nothing changes). The old content stays in
  // blobs/; the audit entry records both hashes.
  bool replace(const SourceFile& source, const std::string& name, const std::string& label, const std::string& comment,
               bool useOldDates, const std::string& actor);

  // Writes the revision's content as `directory/<document>`.
  void save(const RevisionRecord& rev, const std::string& directory);

  std::vector<RevisionRecord> allRevisions();
  std::vector<AuditEntry> auditLog();

  // What the database's integrity check finds wrong, one line each.
  std::vector<std::string> integrityProblems() { return records_.backend().integrityProblems(); }
  const BlobStore& blobs() const { return blobs_; }

 private:
  Vault(std::string dir, std::unique_ptr<StoreBackend> backend);
  // The revision `request` asks for, its names and labels checked.
  RevisionRecord requested(const CheckIn& request);
  std::vector<RevisionRecord> checkInBatch(const std::vector<CheckIn>& requests, const std::string& actor);
  void fault(FaultPoint p) const {
    if (hook_) hook_(p);
  }

  std::string dir_;
  Records records_;
  BlobStore blobs_;
  FaultHook hook_;
};

// The file name part of `path` (after the last "/").
std::string baseName(std::string_view path);

}  // namespace rc::sim::vault
