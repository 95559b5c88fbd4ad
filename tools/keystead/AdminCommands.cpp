#include "tools/keystead/AdminCommands.h"

#include <dirent.h>
#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
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

// The files directly in `folder`, in name order; its subfolders are not
// entered (document names have no folders).
void addFolderFiles(const std::string& folder, std::vector<std::string>& files) {
  DIR* list = ::opendir(folder.c_str());
  if (list == nullptr)
    throw VaultError(ErrorKind::Refused, "the folder " + folder + " cannot be read: " + std::strerror(errno));
  std::vector<std::string> names;
  while (const dirent* e = ::readdir(list)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    struct stat st {};
    if (::stat((folder + "/" + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
    names.push_back(std::move(name));
  }
  ::closedir(list);
  std::sort(names.begin(), names.end());
  const std::string prefix = folder.back() == '/' ? folder : folder + "/";
  for (const std::string& name : names) files.push_back(prefix + name);
}

// The longest line a list may hold: a path and its CR, with room to spare.
constexpr std::size_t kMaxListLine = PATH_MAX + 8;

// Reads the next line of `list` (without its line feed) into `line`, at
// most kMaxListLine + 1 bytes of it, so a list that is one endless line
// cannot fill the memory; false at the end of the list.
bool readListLine(std::istream& list, std::string& line) {
  line.clear();
  std::streambuf* in = list.rdbuf();
  for (;;) {
    const int c = in->sbumpc();
    if (c == std::char_traits<char>::eof()) {
      if (line.empty()) list.setstate(std::ios::eofbit);
      return !line.empty();
    }
    if (c == '\n') return true;
    line += static_cast<char>(c);
    if (line.size() > kMaxListLine) return true;
  }
}

// The paths a list names, one a line as given (a CR before the line end
// and a byte-order mark an editor put at the start dropped); empty lines
// are skipped.
void addListedFiles(const std::string& listPath, std::istream& in, std::vector<std::string>& files) {
  std::ifstream file;
  if (listPath != "-") {
    struct stat st {};
    if (::stat(listPath.c_str(), &st) != 0) {
      const int e = errno;
      throw VaultError(e == ENOENT || e == ENOTDIR ? ErrorKind::NotFound : ErrorKind::Refused,
                       "the list " + listPath + " cannot be read: " + std::strerror(e));
    }
    if (S_ISDIR(st.st_mode))
      throw VaultError(ErrorKind::Refused, "the list " + listPath + " is a folder, not a file naming one path a line");
    // A device (/dev/zero, /dev/urandom) never ends.
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
      throw VaultError(ErrorKind::Refused, "the list " + listPath + " is a device, not a file naming one path a line");
    file.open(listPath, std::ios::binary);
    if (!file) {
      const int e = errno;
      throw VaultError(ErrorKind::Refused, "the list " + listPath + " cannot be read: " + std::strerror(e));
    }
  }
  std::istream& list = listPath == "-" ? in : file;
  std::string line;
  std::size_t lineNo = 0;
  for (bool first = true; readListLine(list, line); first = false) {
    ++lineNo;
    if (line.size() > kMaxListLine)
      throw VaultError(ErrorKind::Refused, "line " + std::to_string(lineNo) + " of the list " + listPath +
                                               " is longer than any path (over " + std::to_string(kMaxListLine) + " bytes)");
    if (first && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) files.push_back(line);
  }
  if (list.bad()) throw VaultError(ErrorKind::Storage, "reading the list " + listPath + " failed");
}

// Every file an add names: the files and folders given, then the list's.
std::vector<std::string> filesToAdd(const AdminRequest& r, std::istream& in) {
  std::vector<std::string> files;
  for (const std::string& given : r.files) {
    struct stat st {};
    if (::stat(given.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) addFolderFiles(given, files);
    else files.push_back(given);
  }
  if (!r.fromList.empty()) addListedFiles(r.fromList, in, files);
  if (files.empty()) throw VaultError(ErrorKind::Refused, "nothing to check in: the folders and the list name no files");
  if (!r.name.empty() && files.size() != 1)
    throw VaultError(ErrorKind::Refused, "--name names one document, but " + std::to_string(files.size()) + " files are given");
  return files;
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

int runAdminCommand(const AdminRequest& r, std::istream& in, std::ostream& out, StopCheck stop) {
  if (r.command == "init") {
    Vault::create(newVaultDirectory(r.vault), r.postgres);
    return 0;
  }
  const bool reads = r.command == "list" || r.command == "log" || r.command == "get" || r.command == "check";
  std::unique_ptr<Vault> v = openVault(r.vault, reads ? OpenMode::ReadOnly : OpenMode::ReadWrite);
  v->setStopCheck(std::move(stop));
  if (r.command == "check") return runCheck(*v, out);
  if (r.command == "user add") {
    v->addUser(r.file, readPassword(in), r.admin, actor());
  } else if (r.command == "add") {
    std::vector<Vault::CheckIn> requests;
    for (std::string& file : filesToAdd(r, in))
      requests.push_back(Vault::CheckIn{std::move(file), r.name, r.revision, r.references, r.comment});
    for (const RevisionRecord& rev : v->checkInAll(requests, actor()))
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
