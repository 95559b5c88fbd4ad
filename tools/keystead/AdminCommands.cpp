#include "tools/keystead/AdminCommands.h"

#include <pwd.h>
#include <unistd.h>

#include <istream>
#include <ostream>

#include "sim/vault/Names.h"
#include "sim/vault/Vault.h"
#include "sim/vault/VaultCheck.h"
#include "sim/vault/VaultError.h"

namespace rc::keystead {

using namespace sim::vault;

namespace {

// The account running the tool, recorded as the user of its audit entries.
std::string actor() {
  if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_name) return pw->pw_name;
  return "uid " + std::to_string(::geteuid());
}

// A password: one line of `in` without its line end.
std::string readPassword(std::istream& in) {
  std::string line;
  if (!std::getline(in, line) && line.empty()) throw VaultError(ErrorKind::Refused, "no password on standard input");
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// The directory of a vault to make: a path as given, a plain name as
// Vault::locate resolves it.
std::string newVaultDirectory(const std::string& given) {
  if (given.find('/') != std::string::npos) return given;
  return Vault::locate(given);
}

std::unique_ptr<Vault> openVault(const std::string& given, OpenMode mode) { return Vault::open(Vault::locate(given), mode); }

// The revision a get names: NAME@REV, or NAME (the newest) when the text
// has no "@" or is itself a document's name.
RevisionRecord revisionNamed(Vault& v, const std::string& text) {
  Reference ref = splitAtRevision(text);
  if (!ref.revision.empty()) {
    if (auto rev = v.revision(ref.name, ref.revision)) return *rev;
    if (isDocumentName(text))
      if (auto rev = v.revision(text)) return *rev;
    throw VaultError(ErrorKind::NotFound, "the vault holds no revision " + printable(ref.revision) + " of " + printable(ref.name));
  }
  if (auto rev = v.revision(text)) return *rev;
  throw VaultError(ErrorKind::NotFound, "the vault holds no document " + printable(text));
}

void printRevision(std::ostream& out, const RevisionRecord& r) {
  out << printable(r.document) << '\t' << printable(r.label) << '\t' << r.size << '\t'
      << (r.hostVersion ? std::to_string(*r.hostVersion) : "-") << '\t' << r.modified << '\n';
}

void printAudit(std::ostream& out, const AuditEntry& e) {
  out << e.time << '\t' << printable(e.user) << '\t' << e.action << '\t' << printable(e.document) << '\t'
      << printable(e.revision) << '\t' << printable(e.comment);
  if (!e.oldHash.empty()) out << '\t' << e.oldHash << '\t' << e.newHash;
  out << '\n';
}

// Prints the findings of `keystead-admin check` and a summary line.
int runCheck(Vault& v, std::ostream& out) {
  CheckReport report = checkVault(v);
  for (const std::string& line : report.problems) out << line << '\n';
  out << "checked " << report.revisions << " revision" << (report.revisions == 1 ? "" : "s") << " and " << report.contents
      << " content" << (report.contents == 1 ? "" : "s") << ": ";
  if (report.problems.empty()) out << "no problems\n";
  else out << report.problems.size() << " problem" << (report.problems.size() == 1 ? "" : "s") << "\n";
  return report.problems.empty() ? 0 : 1;
}

}  // namespace

int runAdminCommand(const AdminRequest& r, std::istream& in, std::ostream& out) {
  if (r.command == "init") {
    Vault::create(newVaultDirectory(r.vault), r.postgres);
    return 0;
  }
  const bool reads = r.command == "list" || r.command == "log" || r.command == "get" || r.command == "check";
  std::unique_ptr<Vault> v = openVault(r.vault, reads ? OpenMode::ReadOnly : OpenMode::ReadWrite);
  if (r.command == "check") return runCheck(*v, out);
  if (r.command == "user add") {
    v->addUser(r.file, readPassword(in), r.admin, actor());
  } else if (r.command == "add") {
    Vault::CheckIn request{r.file, r.name, r.revision, r.references, r.comment};
    RevisionRecord rev = v->checkIn(request, actor());
    out << printable(rev.document) << '@' << printable(rev.label) << '\n';
  } else if (r.command == "list") {
    for (const RevisionRecord& rev : v->allRevisions()) printRevision(out, rev);
  } else if (r.command == "log") {
    for (const AuditEntry& e : v->auditLog()) printAudit(out, e);
  } else if (r.command == "get") {
    v->save(revisionNamed(*v, r.file), r.directory);
  }
  return 0;
}

}  // namespace rc::keystead
