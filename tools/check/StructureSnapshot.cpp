#include "tools/check/StructureSnapshot.h"

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string_view>
#include <unordered_map>

#include "platform/automation/Error.h"
#include "platform/automation/NumberText.h"
#include "platform/automation/Registry.h"
#include "platform/automation/SafeArray.h"
#include "platform/automation/Trap.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "tools/check/BaselineCandidates.h"
#include "tools/common/OutputFiles.h"

namespace rc::tools {

namespace au = rc::automation;
using au::Variant;

namespace {

// Differences a row's note names before "and N more".
constexpr std::size_t kNoteLimit = 8;

std::vector<Variant> itemsOf(const Variant& v) { return v.isArray() ? v.asArray().items() : std::vector<Variant>{}; }

// "0.1,0.1" of an array of numbers.
std::string numbersText(const Variant& v) {
  std::string text;
  for (const Variant& x : itemsOf(v)) text += (text.empty() ? "" : ",") + au::writeForm(x.toDouble());
  return text;
}

// The file a component points at, relative to the assembly's folder; its
// title when the host has no document for it.
std::string componentFile(const au::ObjectRef& component, const CheckEnv& env) {
  Variant model = au::call(component, "GetModelDoc");
  if (!model.isObject() || !model.toObject()) return au::call(component, "GetTitle").toText();
  std::filesystem::path path(au::call(model.toObject(), "GetPathName").toText());
  // Relative also when it lies beside or above the assembly's folder, so a
  // suite copied elsewhere keeps its baseline.
  std::filesystem::path relative = path.lexically_normal().lexically_relative(std::filesystem::path(env.folder).lexically_normal());
  return relative.empty() ? path.string() : relative.string();
}

std::vector<SnapshotItem> readComponents(const CheckEnv& env) {
  au::ObjectRef doc = au::call(env.host, "ActiveDoc").toObject();
  au::ObjectRef config = au::call(doc, "GetActiveConfiguration").toObject();
  au::ObjectRef root = au::call(config, "GetRootComponent").toObject();
  std::vector<SnapshotItem> items;
  for (const Variant& child : itemsOf(au::call(root, "GetChildren"))) {
    au::ObjectRef c = child.toObject();
    if (!c) continue;
    SnapshotItem item{au::call(c, "Name").toText(), {}};
    item.fields = {{"file", componentFile(c, env)},
                   {"suppression", au::call(c, "GetSuppression").toText()},
                   {"hidden", au::call(c, "IsHidden", {Variant(false)}).toBool() ? "yes" : "no"}};
    items.push_back(std::move(item));
  }
  return items;
}

std::size_t annotationCount(const au::ObjectRef& view) {
  std::size_t n = 0;
  for (Variant a = au::call(view, "GetFirstAnnotation2"); a.isObject() && a.toObject(); ++n)
    a = au::call(a.toObject(), "GetNext2");
  return n;
}

// The views of the active sheet, keyed "SHEET/VIEW".
void readSheetViews(const au::ObjectRef& doc, const std::string& sheet, std::vector<SnapshotItem>& items) {
  std::size_t index = 0;
  for (Variant v = au::call(doc, "GetFirstView"); v.isObject() && v.toObject(); ++index) {
    au::ObjectRef view = v.toObject();
    std::string name;
    au::trapped([&] { name = au::call(view, "GetName2").toText(); }, [](const au::AutomationError&) {});
    if (name.empty()) name = "view " + std::to_string(index + 1);
    Variant xform = au::call(view, "GetXform");
    std::vector<Variant> x = itemsOf(xform);
    SnapshotItem item{sheet + "/" + name, {}};
    item.fields = {{"position", numbersText(au::call(view, "position"))},
                   {"outline", numbersText(au::call(view, "GetOutline"))},
                   {"scale", x.size() >= 3 ? au::writeForm(x[2].toDouble()) : numbersText(xform)},
                   {"annotations", std::to_string(annotationCount(view))}};
    items.push_back(std::move(item));
    v = au::call(view, "GetNextView");
  }
}

std::vector<SnapshotItem> readViews(const CheckEnv& env) {
  au::ObjectRef doc = au::call(env.host, "ActiveDoc").toObject();
  std::string current = au::call(au::call(doc, "GetCurrentSheet").toObject(), "getName").toText();
  std::vector<SnapshotItem> items;
  for (const Variant& name : itemsOf(au::call(doc, "GetSheetNames"))) {
    au::call(doc, "ActivateSheet", {name});
    readSheetViews(doc, name.toText(), items);
  }
  au::call(doc, "ActivateSheet", {Variant(current)});
  return items;
}

// A key or value as the snapshot file keeps it: a backslash, tab, CR or LF
// of a host's name is written as an escape, so every item stays one line.
std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

// Escapes every key and value, and numbers a key met before ("bolt-1 #2"),
// so that two items of one name are told apart.
std::vector<SnapshotItem> settled(std::vector<SnapshotItem> items) {
  std::unordered_map<std::string, int> seen;
  for (SnapshotItem& item : items) {
    item.key = escaped(item.key);
    for (auto& [k, v] : item.fields) v = escaped(v);
    if (int n = ++seen[item.key]; n > 1) item.key += " #" + std::to_string(n);
  }
  return items;
}

const std::string* fieldOf(const SnapshotItem& item, const std::string& name) {
  for (const auto& [k, v] : item.fields)
    if (k == name) return &v;
  return nullptr;
}

using ItemIndex = std::unordered_map<std::string, const SnapshotItem*>;

ItemIndex indexOf(const std::vector<SnapshotItem>& items) {
  ItemIndex index;
  for (const SnapshotItem& i : items) index.emplace(i.key, &i);
  return index;
}

const SnapshotItem* findItem(const ItemIndex& index, const std::string& key) {
  auto it = index.find(key);
  return it == index.end() ? nullptr : it->second;
}

}  // namespace

std::vector<SnapshotItem> readStructure(const CheckEntry& entry, const CheckEnv& env) {
  return settled(entry.name == "Views" ? readViews(env) : readComponents(env));
}

std::string snapshotText(const std::vector<SnapshotItem>& items) {
  std::string text;
  for (const SnapshotItem& item : items) {
    text += item.key;
    for (const auto& [k, v] : item.fields) text += "\t" + k + "=" + v;
    text += "\n";
  }
  return text;
}

std::vector<SnapshotItem> parseSnapshot(const std::string& text) {
  std::vector<SnapshotItem> items;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = std::min(text.find('\n', start), text.size());
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (line.empty()) continue;
    SnapshotItem item;
    std::size_t p = line.find('\t');
    item.key = line.substr(0, p);
    while (p != std::string::npos) {
      std::size_t next = line.find('\t', p + 1);
      std::string field = line.substr(p + 1, next == std::string::npos ? std::string::npos : next - p - 1);
      std::size_t eq = field.find('=');
      item.fields.emplace_back(field.substr(0, eq), eq == std::string::npos ? "" : field.substr(eq + 1));
      p = next;
    }
    items.push_back(std::move(item));
  }
  return items;
}

std::vector<std::string> snapshotDifferences(const std::vector<SnapshotItem>& baseline,
                                             const std::vector<SnapshotItem>& fresh) {
  std::vector<std::string> out;
  const ItemIndex freshIndex = indexOf(fresh), baseIndex = indexOf(baseline);
  for (const SnapshotItem& old : baseline) {
    const SnapshotItem* now = findItem(freshIndex, old.key);
    if (!now) {
      out.push_back("removed " + old.key);
      continue;
    }
    for (const auto& [k, v] : old.fields) {
      const std::string* n = fieldOf(*now, k);
      if (!n || *n != v) out.push_back(old.key + ": " + k + " " + v + " -> " + (n ? *n : "(none)"));
    }
  }
  for (const SnapshotItem& now : fresh)
    if (!findItem(baseIndex, now.key)) out.push_back("added " + now.key);
  return out;
}

std::string joinLimited(const std::vector<std::string>& phrases, std::size_t limit) {
  std::string text;
  for (std::size_t i = 0; i < phrases.size() && i < limit; ++i) text += (i ? "; " : "") + phrases[i];
  if (phrases.size() > limit) text += "; and " + std::to_string(phrases.size() - limit) + " more";
  return text;
}

void compareSnapshot(const std::string& file, const std::vector<SnapshotItem>& fresh, const CheckEnv& env,
                     const RunOptions& options, CheckRow& row, LastRun& lastRun) {
  const std::string base = platform::joinPath(env.baselineFolder, file);
  const std::string text = snapshotText(fresh);
  row.newValue = std::to_string(fresh.size());
  if (!platform::fileExists(base)) {
    if (options.ci) {
      row.status = Status::Failed;
      row.detail = "no baseline (" + std::string(kStateFolderName) + "/" + env.nameOnly + "/" + file +
                   "); --ci fails instead of creating it";
      return;
    }
    platform::createFolder(env.baselineFolder);
    replaceOutputFile(base, text);
    row.status = Status::BaselineCreated;
    return;
  }
  std::vector<SnapshotItem> old = parseSnapshot(platform::readFile(base));
  row.baseValue = std::to_string(old.size());
  std::vector<std::string> differences = snapshotDifferences(old, fresh);
  if (differences.empty()) return;
  row.status = Status::Warning;
  row.detail = joinLimited(differences, kNoteLimit);
  AcceptableChange change{row.check, "", row.baseValue, row.newValue, {}};
  change.files.push_back(writeCandidate(env, file, text, std::string(kStateFolderName) + "/" + env.nameOnly + "/" + file));
  lastRun.changes.push_back(std::move(change));
}

namespace {

// Whether `line` could hold a volatile part at all: a digit right before a
// date's or a time's separator, or one of the words, in any case. Lines
// without one (most of them) need no regular expression search.
bool mayBeVolatile(std::string_view line) {
  std::string lower(line);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  for (std::size_t i = 0; i + 1 < lower.size(); ++i)
    if (lower[i] >= '0' && lower[i] <= '9' && std::string_view("-/.:").find(lower[i + 1]) != std::string_view::npos)
      return true;
  for (std::string_view word : {"process", "pid", "sec", "elapsed", "time:", "information ("})
    if (lower.find(word) != std::string::npos) return true;
  return false;
}

}  // namespace

std::vector<std::string> stableJournalLines(const std::vector<std::string>& journal) {
  static const std::regex kVolatile(
      R"(\b\d{1,4}[-/.]\d{1,2}[-/.]\d{1,4}\b|\b\d{1,2}:\d{2}\b|process|\bpid\b|\bsec(ond)?s?\b|elapsed|\btime:|information \((st|mt)\))",
      std::regex::icase);
  std::vector<std::string> out;
  for (const std::string& line : journal) {
    std::string trimmed = line;
    while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\r')) trimmed.pop_back();
    if (trimmed.empty() || trimmed == "'" || (mayBeVolatile(trimmed) && std::regex_search(trimmed, kVolatile)))
      continue;
    out.push_back(trimmed);
  }
  return out;
}

SnapshotOutcome compareJournalSnapshot(const std::string& check, const std::vector<std::string>& lines,
                                       const CheckEnv& env, const RunOptions& options, CheckRow& row,
                                       AcceptableChange& change) {
  const std::string file = "journal-" + check + ".txt";
  const std::string base = platform::joinPath(env.baselineFolder, file);
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  if (!platform::fileExists(base)) {
    if (options.ci) return SnapshotOutcome::Missing;
    platform::createFolder(env.baselineFolder);
    replaceOutputFile(base, text);
    return SnapshotOutcome::Created;
  }
  std::vector<std::string> old;
  const std::string stored = platform::readFile(base);
  for (std::size_t start = 0; start < stored.size();) {
    std::size_t end = std::min(stored.find('\n', start), stored.size());
    old.push_back(stored.substr(start, end - start));
    start = end + 1;
  }
  std::vector<std::string> phrases;
  for (std::size_t i = 0; i < std::max(old.size(), lines.size()); ++i) {
    std::string was = i < old.size() ? old[i] : "", now = i < lines.size() ? lines[i] : "";
    if (was != now) phrases.push_back("journal line " + std::to_string(i + 1) + ": \"" + was + "\" \u2192 \"" + now + "\"");
  }
  if (phrases.empty()) return SnapshotOutcome::Agreed;
  if (!row.detail.empty()) row.detail += "; ";
  row.detail += joinLimited(phrases, kNoteLimit);
  change.files.push_back(writeCandidate(env, file, text, std::string(kStateFolderName) + "/" + env.nameOnly + "/" + file));
  return SnapshotOutcome::Changed;
}

CheckRow runStructureCheck(const CheckEntry& entry, const CheckEnv& env, const RunOptions& options, LastRun& lastRun) {
  CheckRow row{env.label, entry.name, Status::Ok, "", "", "", {}};
  try {
    std::vector<SnapshotItem> items = readStructure(entry, env);
    compareSnapshot(entry.name == "Views" ? "views.txt" : "components.txt", items, env, options, row, lastRun);
  } catch (const au::AutomationError& e) {
    row.status = Status::Failed;
    row.detail = "reading the structure: " + e.description();
  } catch (const std::exception& e) {
    row.status = Status::Failed;
    row.detail = e.what();
  }
  return row;
}

}  // namespace rc::tools
