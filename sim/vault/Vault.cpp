#include "sim/vault/Vault.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "sim/vault/ContentVersion.h"
#include "sim/vault/Names.h"
#include "sim/vault/Passwords.h"
#include "sim/vault/VaultError.h"
#include "sim/vault/VaultLocation.h"

namespace rc::sim::vault {

namespace fs = std::filesystem;

namespace {

constexpr mode_t kVaultFolderMode = 0700;

bool isDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string vaultsBase() {
  if (const char* v = std::getenv("KEYSTEAD_VAULTS"); v && *v) return v;
  if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x) return std::string(x) + "/keystead";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.local/share/keystead";
}

// Removes what a failed create() made; leaves everything that was there.
class CreateUndo {
 public:
  explicit CreateUndo(std::string dir) : dir_(std::move(dir)) {}
  ~CreateUndo() {
    if (done_) return;
    std::error_code ec;
    for (const fs::path& p : made_) fs::remove_all(p, ec);
  }
  void made(const fs::path& p) { made_.insert(made_.begin(), p); }
  void done() { done_ = true; }

 private:
  std::string dir_;
  std::vector<fs::path> made_;
  bool done_ = false;
};

}  // namespace

std::string baseName(std::string_view path) {
  std::size_t slash = path.find_last_of('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string Vault::locate(std::string_view nameOrDirectory) {
  std::string given(nameOrDirectory);
  if (isDirectory(given)) return given;
  if (!isDocumentName(given)) throw VaultError(ErrorKind::NotFound, "there is no vault named \"" + printable(given) + "\"");
  return vaultsBase() + "/" + given;
}

Vault::Vault(std::string dir, std::unique_ptr<StoreBackend> backend)
    : dir_(std::move(dir)),
      records_(std::move(backend)),
      blobs_(dir_ + "/" + kBlobFolder, dir_ + "/" + kWriterLockFile) {}

std::unique_ptr<Vault> Vault::open(const std::string& directory, OpenMode mode) {
  if (!isDirectory(directory)) throw VaultError(ErrorKind::NotFound, "there is no vault in " + directory);
  std::unique_ptr<Vault> v(new Vault(directory, openBackend(directory, mode)));
  v->records_.checkSchema();
  if (!isDirectory(v->blobs_.directory()))
    throw VaultError(ErrorKind::Damaged, "the vault in " + directory + " has lost its folder " + kBlobFolder + "/");
  return v;
}

void Vault::create(const std::string& directory, const std::optional<std::string>& conninfo) {
  // vault.conf holds the connection string on one line.
  if (conninfo && conninfo->find_first_not_of(" \t") == std::string::npos)
    throw VaultError(ErrorKind::Refused, "the PostgreSQL connection string is empty");
  if (conninfo && conninfo->find_first_of("\r\n") != std::string::npos)
    throw VaultError(ErrorKind::Refused, "a PostgreSQL connection string may not hold a line break");
  CreateUndo undo(directory);
  std::error_code ec;
  if (!fs::exists(directory, ec)) {
    if (!fs::create_directories(directory, ec))
      throw VaultError(ErrorKind::Storage, "cannot make the folder " + directory + ": " + ec.message());
    undo.made(directory);
  } else if (!isDirectory(directory)) {
    throw VaultError(ErrorKind::Exists, directory + " exists and is no folder");
  }
  bool hasConf = false;
  for (const fs::directory_entry& e : fs::directory_iterator(directory, ec)) {
    if (e.path().filename() == kConfFile && !conninfo) {
      hasConf = true;
      continue;
    }
    throw VaultError(ErrorKind::Exists, "the folder " + directory + " is not empty");
  }
  if (ec) throw VaultError(ErrorKind::Storage, "cannot read the folder " + directory + ": " + ec.message());
  // The vault is its owner's alone: the records hold the password hashes.
  if (::chmod(directory.c_str(), kVaultFolderMode) != 0)
    throw VaultError(ErrorKind::Storage, systemFailureText(errno, directory, "cannot make " + directory + " private"));
  if (conninfo) {
    undo.made(directory + "/" + kConfFile);
    writeConf(directory, *conninfo);
  }
  if (!conninfo && !hasConf)
    for (const char* suffix : {"", "-wal", "-shm"}) undo.made(directory + "/" + kSqliteFile + suffix);
  {
    Records records(openBackend(directory, OpenMode::Create));
    records.createSchema();
  }
  std::string blobs = directory + "/" + kBlobFolder;
  undo.made(blobs);
  if (::mkdir(blobs.c_str(), kVaultFolderMode) != 0)
    throw VaultError(ErrorKind::Storage, systemFailureText(errno, directory, "cannot make the folder " + blobs));
  syncFolder(directory);
  undo.done();
}

void Vault::addUser(const std::string& name, std::string_view password, bool isAdmin, const std::string& actor) {
  checkLabel(name, "user name");
  if (password.empty()) throw VaultError(ErrorKind::Refused, "a password may not be empty");
  if (password.find('\0') != std::string_view::npos) throw VaultError(ErrorKind::Refused, "a password may not contain NUL");
  UserRecord u{name, hashPassword(password), isAdmin};
  records_.addUser(u, AuditEntry{nowText(), actor, isAdmin ? "register admin user" : "register user", "", "", name, "", ""});
}

std::optional<UserRecord> Vault::login(const std::string& name, std::string_view password) {
  std::optional<UserRecord> u = records_.user(name);
  bool ok = u ? verifyPassword(password, u->passwordHash) : (spendVerificationTime(password), false);
  records_.addAudit(AuditEntry{nowText(), printable(name), ok ? "login" : "login failed", "", "", "", "", ""});
  if (!ok) return std::nullopt;
  return u;
}

std::optional<UserRecord> Vault::user(std::string_view name) { return records_.user(name); }

std::vector<UserRecord> Vault::users() { return records_.users(); }

void Vault::audit(const std::string& actor, std::string action, std::string document, std::string revision) {
  records_.addAudit(AuditEntry{nowText(), actor, std::move(action), std::move(document), std::move(revision), "", "", ""});
}

std::vector<RevisionRecord> Vault::revisions(std::string_view document) {
  checkDocumentName(document);
  try {
    return records_.revisions(document);
  } catch (const VaultError& e) {
    throw VaultError(e.kind(), "reading the document " + std::string(document) + " failed: " + e.what());
  }
}

std::optional<RevisionRecord> Vault::revision(std::string_view document, std::optional<std::string_view> label) {
  std::vector<RevisionRecord> all = revisions(document);
  if (all.empty()) return std::nullopt;
  if (!label) return all.back();
  for (RevisionRecord& r : all)
    if (r.label == *label) return std::move(r);
  return std::nullopt;
}

RevisionRecord Vault::requested(const CheckIn& request) {
  RevisionRecord rev;
  rev.document = request.name.empty() ? baseName(request.file) : request.name;
  checkDocumentName(rev.document);
  rev.label = request.label;
  if (!rev.label.empty()) checkRevisionLabel(rev.label);
  for (const Reference& r : request.references) {
    checkDocumentName(r.name);
    checkRevisionLabel(r.revision);
  }
  rev.references = request.references;
  return rev;
}

RevisionRecord Vault::checkIn(const CheckIn& request, const std::string& actor) {
  RevisionRecord rev = requested(request);
  SourceFile source(request.file);
  // Refused before any content is written; the transaction checks again.
  if (!rev.label.empty() && revision(rev.document, rev.label))
    throw VaultError(ErrorKind::Exists, "the document " + rev.document + " already has a revision " + rev.label);
  StoredContent content = blobs_.put(source, hook_);
  rev.hash = content.hash;
  rev.size = content.size;
  rev.hostVersion = contentFileVersion(blobs_.pathOf(content.hash));
  rev.created = rev.modified = nowText();
  AuditEntry entry{rev.created, actor, "check-in", rev.document, "", request.comment, "", content.hash};
  return records_.addRevision(std::move(rev), std::move(entry), [this] { fault(FaultPoint::InsideTransaction); });
}

std::vector<RevisionRecord> Vault::checkInAll(const std::vector<CheckIn>& requests, const std::string& actor) {
  if (requests.size() == 1) return {checkIn(requests[0], actor)};
  try {
    return checkInBatch(requests, actor);
  } catch (const VaultError& e) {
    throw VaultError(e.kind(), std::string(e.what()) + "; none of the " + std::to_string(requests.size()) +
                                   " files was checked in");
  }
}

std::vector<RevisionRecord> Vault::checkInBatch(const std::vector<CheckIn>& requests, const std::string& actor) {
  std::vector<std::pair<RevisionRecord, AuditEntry>> batch;
  batch.reserve(requests.size());
  const std::string now = nowText();
  for (const CheckIn& request : requests) {
    try {
      batch.emplace_back(requested(request), AuditEntry{now, actor, "check-in", "", "", request.comment, "", ""});
    } catch (const VaultError& e) {
      throw VaultError(e.kind(), request.file + ": " + e.what());
    }
    const RevisionRecord& rev = batch.back().first;
    // Refused before any content is written; the transaction checks again.
    if (!rev.label.empty() && revision(rev.document, rev.label))
      throw VaultError(ErrorKind::Exists, "the document " + rev.document + " already has a revision " + rev.label);
  }
  BlobBatch contents(blobs_, hook_);
  for (std::size_t i = 0; i < requests.size(); ++i) {
    SourceFile source(requests[i].file);
    StoredContent content = contents.add(source);
    auto& [rev, entry] = batch[i];
    rev.hash = entry.newHash = content.hash;
    rev.size = content.size;
    entry.document = rev.document;
  }
  contents.store();
  for (auto& [rev, entry] : batch) {
    rev.hostVersion = contentFileVersion(blobs_.pathOf(rev.hash));
    rev.created = rev.modified = now;
  }
  if (blobs_.stopRequested()) throw VaultError(ErrorKind::Interrupted, "interrupted before the revisions were recorded");
  // Once the commit is under way the contents stay: a commit whose outcome
  // is unknown (a lost server) must not lose what it may have recorded.
  return records_.addRevisions(std::move(batch), [&] {
    fault(FaultPoint::InsideTransaction);
    contents.keep();
  });
}

bool Vault::replace(const SourceFile& source, const std::string& name, const std::string& label,
                    const std::string& comment, bool useOldDates, const std::string& actor) {
  // A label that is no plain file name part is refused even when an older
  // vault holds it: the tasks name local copies after it.
  if (!isDocumentName(name) || !isRevisionLabel(label) || !revision(name, label)) return false;
  StoredContent content = blobs_.put(source, hook_);
  RevisionRecord rev;
  rev.document = name;
  rev.label = label;
  rev.hash = content.hash;
  rev.size = content.size;
  rev.hostVersion = contentFileVersion(blobs_.pathOf(content.hash));
  std::string now = nowText();
  AuditEntry entry{now, actor, "replace", name, label, comment, "", ""};
  auto old = records_.replaceContent(rev, useOldDates ? std::nullopt : std::optional<std::string>(now), std::move(entry),
                                     [this] { fault(FaultPoint::InsideTransaction); });
  return old.has_value();
}

void Vault::save(const RevisionRecord& rev, const std::string& directory) { blobs_.copyOut(rev, directory); }

std::vector<RevisionRecord> Vault::allRevisions() { return records_.allRevisions(); }

std::vector<AuditEntry> Vault::auditLog() { return records_.auditLog(); }

}  // namespace rc::sim::vault
