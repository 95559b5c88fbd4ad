#include "sim/vault/Names.h"

#include <cstdio>

#include "sim/vault/VaultError.h"

namespace rc::sim::vault {

namespace {

constexpr std::size_t kMaxNameBytes = 255;

bool isControl(char c) {
  auto u = static_cast<unsigned char>(c);
  return u < 0x20 || u == 0x7f;
}

// Why `name` is no plain file name (part), or "" when it is one; `what`
// names it in the answer ("a document name").
std::string fileNameProblem(std::string_view name, const std::string& what) {
  if (name.empty()) return what + " may not be empty";
  if (name.size() > kMaxNameBytes) return what + " may have at most 255 bytes";
  for (char c : name) {
    if (c == '\0') return what + " may not contain NUL";
    if (isControl(c)) return what + " may not contain control characters";
    if (c == '/' || c == '\\') return what + " may not contain \"/\" or \"\\\"";
  }
  if (name == "." || name.find("..") != std::string_view::npos) return what + " may not contain \"..\"";
  return "";
}

std::string documentNameProblem(std::string_view name) { return fileNameProblem(name, "a document name"); }

}  // namespace

void checkDocumentName(std::string_view name) {
  std::string problem = documentNameProblem(name);
  if (!problem.empty()) throw VaultError(ErrorKind::Refused, "invalid document name \"" + printable(name) + "\": " + problem);
}

bool isDocumentName(std::string_view name) { return documentNameProblem(name).empty(); }

void checkRevisionLabel(std::string_view label) {
  std::string problem = fileNameProblem(label, "a revision label");
  if (!problem.empty()) throw VaultError(ErrorKind::Refused, "invalid revision label \"" + printable(label) + "\": " + problem);
}

bool isRevisionLabel(std::string_view label) { return fileNameProblem(label, "a revision label").empty(); }

void checkLabel(std::string_view label, std::string_view what) {
  std::string w(what);
  if (label.empty()) throw VaultError(ErrorKind::Refused, "a " + w + " may not be empty");
  if (label.size() > kMaxNameBytes) throw VaultError(ErrorKind::Refused, "a " + w + " may have at most 255 bytes");
  for (char c : label)
    if (isControl(c))
      throw VaultError(ErrorKind::Refused, "invalid " + w + " \"" + printable(label) + "\": it may not contain control characters");
}

std::string printable(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (!isControl(c)) {
      out += c;
      continue;
    }
    if (c == '\n') out += "\\n";
    else if (c == '\t') out += "\\t";
    else if (c == '\r') out += "\\r";
    else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", static_cast<unsigned>(static_cast<unsigned char>(c)));
      out += buf;
    }
  }
  return out;
}

}  // namespace rc::sim::vault
