#include "sim/vault/Records.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <map>
#include <set>

#include "sim/vault/VaultError.h"

namespace rc::sim::vault {

namespace {

constexpr const char* kFormat = "keystead-1";

// Portable between SQLite and PostgreSQL: no generated keys, text and
// 64-bit integers only.
constexpr const char* kSchema[] = {
    "CREATE TABLE vault_info (key TEXT PRIMARY KEY, value TEXT NOT NULL)",
    "CREATE TABLE users (name TEXT PRIMARY KEY, password_hash TEXT NOT NULL, is_admin BIGINT NOT NULL)",
    "CREATE TABLE revisions (document TEXT NOT NULL, label TEXT NOT NULL, seq BIGINT NOT NULL, hash TEXT NOT NULL,"
    " size BIGINT NOT NULL, host_version BIGINT, created TEXT NOT NULL, modified TEXT NOT NULL,"
    " PRIMARY KEY (document, label), UNIQUE (document, seq))",
    "CREATE TABLE revision_references (document TEXT NOT NULL, label TEXT NOT NULL, pos BIGINT NOT NULL,"
    " ref_name TEXT NOT NULL, ref_revision TEXT NOT NULL, PRIMARY KEY (document, label, pos))",
    "CREATE TABLE audit (id BIGINT PRIMARY KEY, at_time TEXT NOT NULL, user_name TEXT NOT NULL, action TEXT NOT NULL,"
    " document TEXT NOT NULL, revision TEXT NOT NULL, comment TEXT NOT NULL, old_hash TEXT NOT NULL,"
    " new_hash TEXT NOT NULL)",
};

constexpr const char* kRevisionColumns =
    "SELECT document, label, seq, hash, size, host_version, created, modified FROM revisions";

std::int64_t number(const SqlValue& v) {
  std::int64_t n = 0;
  if (!v) return 0;
  auto [p, ec] = std::from_chars(v->data(), v->data() + v->size(), n);
  if (ec != std::errc() || p != v->data() + v->size()) throw VaultError(ErrorKind::Damaged, "the vault's records hold a bad number \"" + *v + "\"");
  return n;
}

std::string text(const SqlValue& v) { return v.value_or(""); }

SqlValue str(std::string_view s) { return std::string(s); }
SqlValue num(std::int64_t n) { return std::to_string(n); }

RevisionRecord revisionFrom(const SqlRow& r) {
  RevisionRecord rev;
  rev.document = text(r.at(0));
  rev.label = text(r.at(1));
  rev.sequence = number(r.at(2));
  rev.hash = text(r.at(3));
  rev.size = number(r.at(4));
  if (r.at(5)) rev.hostVersion = static_cast<std::int32_t>(number(r.at(5)));
  rev.created = text(r.at(6));
  rev.modified = text(r.at(7));
  return rev;
}

}  // namespace

std::string letterLabel(std::int64_t n) {
  std::string out;
  while (n > 0) {
    --n;
    out.insert(out.begin(), static_cast<char>('A' + n % 26));
    n /= 26;
  }
  return out;
}

bool Records::holdsVault() {
  try {
    db_->run("SELECT 1 FROM vault_info");
  } catch (const VaultError& e) {
    if (e.kind() != ErrorKind::Storage) throw;
    return false;
  }
  return true;
}

void Records::createSchema() {
  if (holdsVault()) throw VaultError(ErrorKind::Exists, db_->describe() + " already holds a vault");
  Transaction tx(*db_, true);
  for (const char* stmt : kSchema) db_->run(stmt);
  db_->run("INSERT INTO vault_info (key, value) VALUES ('format', ?)", {str(kFormat)});
  tx.commit();
}

void Records::checkSchema() {
  std::vector<SqlRow> rows;
  try {
    rows = db_->run("SELECT value FROM vault_info WHERE key = 'format'");
  } catch (const VaultError& e) {
    if (e.kind() != ErrorKind::Storage) throw;
    throw VaultError(ErrorKind::Damaged, db_->describe() + " holds no vault records");
  }
  if (rows.empty() || text(rows[0].at(0)) != kFormat)
    throw VaultError(ErrorKind::Damaged, db_->describe() + " holds no vault records of a known format");
}

std::optional<UserRecord> Records::user(std::string_view name) {
  auto rows = db_->run("SELECT name, password_hash, is_admin FROM users WHERE name = ?", {str(name)});
  if (rows.empty()) return std::nullopt;
  return UserRecord{text(rows[0][0]), text(rows[0][1]), number(rows[0][2]) != 0};
}

std::vector<UserRecord> Records::users() {
  std::vector<UserRecord> out;
  for (const SqlRow& r : db_->run("SELECT name, password_hash, is_admin FROM users"))
    out.push_back(UserRecord{text(r[0]), text(r[1]), number(r[2]) != 0});
  std::sort(out.begin(), out.end(), [](const UserRecord& a, const UserRecord& b) { return a.name < b.name; });
  return out;
}

void Records::addUser(const UserRecord& user, const AuditEntry& entry) {
  Transaction tx(*db_, true);
  if (!db_->run("SELECT 1 FROM users WHERE name = ?", {str(user.name)}).empty())
    throw VaultError(ErrorKind::Exists, "the user " + user.name + " already exists");
  db_->run("INSERT INTO users (name, password_hash, is_admin) VALUES (?, ?, ?)",
           {str(user.name), str(user.passwordHash), num(user.isAdmin ? 1 : 0)});
  insertAudit(entry);
  tx.commit();
}

void Records::addAudit(const AuditEntry& entry) {
  Transaction tx(*db_, true);
  insertAudit(entry);
  tx.commit();
}

void Records::insertAudit(const AuditEntry& e) {
  // Writers hold the write lock, so the next number is free.
  db_->run("INSERT INTO audit (id, at_time, user_name, action, document, revision, comment, old_hash, new_hash)"
           " SELECT COALESCE(MAX(id), 0) + 1, ?, ?, ?, ?, ?, ?, ?, ? FROM audit",
           {str(e.time), str(e.user), str(e.action), str(e.document), str(e.revision), str(e.comment), str(e.oldHash),
            str(e.newHash)});
}

std::vector<AuditEntry> Records::auditLog() {
  std::vector<AuditEntry> out;
  for (const SqlRow& r : db_->run("SELECT at_time, user_name, action, document, revision, comment, old_hash, new_hash"
                                  " FROM audit ORDER BY id"))
    out.push_back(AuditEntry{text(r[0]), text(r[1]), text(r[2]), text(r[3]), text(r[4]), text(r[5]), text(r[6]), text(r[7])});
  return out;
}

std::vector<RevisionRecord> Records::selectRevisions(std::string_view where, const std::vector<SqlValue>& params) {
  Transaction tx(*db_, false);
  std::vector<RevisionRecord> out;
  for (const SqlRow& r : db_->run(std::string(kRevisionColumns) + std::string(where), params)) out.push_back(revisionFrom(r));
  std::map<std::pair<std::string, std::string>, std::vector<Reference>> refs;
  std::string refWhere = where.empty() ? "" : " WHERE document = ?";
  for (const SqlRow& r : db_->run("SELECT document, label, pos, ref_name, ref_revision FROM revision_references" + refWhere +
                                      " ORDER BY pos",
                                  params))
    refs[{text(r[0]), text(r[1])}].push_back(Reference{text(r[3]), text(r[4])});
  tx.commit();
  for (RevisionRecord& rev : out)
    if (auto it = refs.find({rev.document, rev.label}); it != refs.end()) rev.references = std::move(it->second);
  std::sort(out.begin(), out.end(), [](const RevisionRecord& a, const RevisionRecord& b) {
    return a.document != b.document ? a.document < b.document : a.sequence < b.sequence;
  });
  return out;
}

std::vector<RevisionRecord> Records::revisions(std::string_view document) {
  return selectRevisions(" WHERE document = ?", {str(document)});
}

std::vector<RevisionRecord> Records::allRevisions() { return selectRevisions("", {}); }

void Records::insertRevision(RevisionRecord& rev, AuditEntry& entry) {
  std::set<std::string> labels;
  std::int64_t last = 0;
  for (const SqlRow& r : db_->run("SELECT label, seq FROM revisions WHERE document = ?", {str(rev.document)})) {
    labels.insert(text(r[0]));
    last = std::max(last, number(r[1]));
  }
  rev.sequence = last + 1;
  if (rev.label.empty()) {
    for (std::int64_t n = rev.sequence; rev.label.empty() || labels.count(rev.label); ++n) rev.label = letterLabel(n);
  } else if (labels.count(rev.label)) {
    throw VaultError(ErrorKind::Exists, "the document " + rev.document + " already has a revision " + rev.label);
  }
  db_->run("INSERT INTO revisions (document, label, seq, hash, size, host_version, created, modified)"
           " VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
           {str(rev.document), str(rev.label), num(rev.sequence), str(rev.hash), num(rev.size),
            rev.hostVersion ? num(*rev.hostVersion) : SqlValue(), str(rev.created), str(rev.modified)});
  for (std::size_t i = 0; i < rev.references.size(); ++i)
    db_->run("INSERT INTO revision_references (document, label, pos, ref_name, ref_revision) VALUES (?, ?, ?, ?, ?)",
             {str(rev.document), str(rev.label), num(static_cast<std::int64_t>(i) + 1), str(rev.references[i].name),
              str(rev.references[i].revision)});
  entry.revision = rev.label;
}

RevisionRecord Records::addRevision(RevisionRecord rev, AuditEntry entry, const std::function<void()>& inside) {
  Transaction tx(*db_, true);
  insertRevision(rev, entry);
  if (inside) inside();
  insertAudit(entry);
  tx.commit();
  return rev;
}

std::vector<RevisionRecord> Records::addRevisions(std::vector<std::pair<RevisionRecord, AuditEntry>> batch,
                                                  const std::function<void()>& inside) {
  Transaction tx(*db_, true);
  std::vector<RevisionRecord> out;
  out.reserve(batch.size());
  for (auto& [rev, entry] : batch) {
    try {
      insertRevision(rev, entry);
      insertAudit(entry);
    } catch (const VaultError& e) {
      if (e.kind() == ErrorKind::Exists) throw;  // names the document already
      throw VaultError(e.kind(), "recording " + rev.document + ": " + e.what());
    }
    out.push_back(std::move(rev));
  }
  if (inside) inside();
  tx.commit();
  return out;
}

std::optional<RevisionRecord> Records::replaceContent(const RevisionRecord& content, std::optional<std::string> modified,
                                                      AuditEntry entry, const std::function<void()>& inside) {
  Transaction tx(*db_, true);
  auto rows = db_->run(std::string(kRevisionColumns) + " WHERE document = ? AND label = ?",
                       {str(content.document), str(content.label)});
  if (rows.empty()) return std::nullopt;
  RevisionRecord old = revisionFrom(rows[0]);
  db_->run("UPDATE revisions SET hash = ?, size = ?, host_version = ?, modified = ? WHERE document = ? AND label = ?",
           {str(content.hash), num(content.size), content.hostVersion ? num(*content.hostVersion) : SqlValue(),
            str(modified.value_or(old.modified)), str(content.document), str(content.label)});
  if (inside) inside();
  entry.oldHash = old.hash;
  entry.newHash = content.hash;
  insertAudit(entry);
  tx.commit();
  return old;
}

}  // namespace rc::sim::vault

namespace rc::sim::vault {

std::string nowText() {
  std::time_t t = std::time(nullptr);
  std::tm tm {};
  gmtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return buf;
}

}  // namespace rc::sim::vault
