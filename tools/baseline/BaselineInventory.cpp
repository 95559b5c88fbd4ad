#include "tools/baseline/BaselineInventory.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/automation/Error.h"
#include "platform/os/Files.h"
#include "tools/check/BaselineIndex.h"
#include "tools/check/CheckCatalog.h"
#include "tools/check/DocumentSet.h"
#include "tools/common/OutputFiles.h"

namespace rc::tools {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSuffixes[] = {".properties", ".massproperties"};

std::time_t modified(const fs::path& p) {
  std::error_code ec;
  auto t = fs::last_write_time(p, ec);
  if (ec) return 0;
  return std::chrono::system_clock::to_time_t(std::chrono::file_clock::to_sys(t));
}

// "Date: MM/DD/YYYY" of a properties line as a time, 0 when it has none.
std::time_t dateOf(const std::string& line) {
  std::size_t p = line.find("Date: ");
  if (p == std::string::npos) return 0;
  int month = 0, day = 0, year = 0;
  if (std::sscanf(line.c_str() + p + 6, "%d/%d/%d", &month, &day, &year) != 3) return 0;
  std::tm tm{};
  tm.tm_year = year - 1900, tm.tm_mon = month - 1, tm.tm_mday = day, tm.tm_hour = 12;
  return std::mktime(&tm);
}

// The document an image baseline belongs to: "bracket-vxlprt.gif" and
// "bracket-vxldrw-sheet2.cbf" give "bracket.vxlprt" and "bracket.vxldrw"
// (see ImageChecks.h); "" when `name` is none.
std::string documentOfImage(std::string name) {
  if (!name.ends_with(".gif") && !name.ends_with(".cbf")) return "";
  name.resize(name.size() - 4);
  if (std::size_t sheet = name.rfind("-sheet"); sheet != std::string::npos &&
      sheet + 6 < name.size() && name.find_first_not_of("0123456789", sheet + 6) == std::string::npos)
    name.resize(sheet);
  std::size_t dash = name.rfind('-');
  if (dash == std::string::npos || dash == 0) return "";
  name[dash] = '.';
  return name;
}

// The document a baseline file beside it belongs to ("" when `name` is none).
std::string documentOfBaseline(const std::string& name) {
  for (std::string_view suffix : kSuffixes)
    if (name.size() > suffix.size() && name.ends_with(suffix)) return name.substr(0, name.size() - suffix.size());
  return documentOfImage(name);
}

void addProperties(const fs::path& file, const fs::path& document, std::vector<BaselineEntry>& out) {
  std::string text;
  try {
    text = platform::readFile(file.string());
  } catch (const automation::AutomationError& e) {
    throw OutputError("cannot read the baseline " + file.string() + ": " + e.description());
  }
  std::time_t fallback = modified(file);
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = std::min(text.find('\n', start), text.size());
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::size_t eq = line.find(" = ");
    if (eq == std::string::npos) continue;
    std::string value = line.substr(eq + 3, line.find("      Build:") - std::min(line.find("      Build:"), eq + 3));
    std::time_t date = dateOf(line);
    out.push_back({document.string(), line.substr(0, eq), value, date ? date : fallback});
  }
}

// Calls `visit(folder)` for `root` and every folder below it that is not a dot folder.
template <typename Visit>
void eachFolder(const fs::path& root, Visit visit) {
  std::error_code ec;
  visit(root);
  for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
       !ec && it != end; it.increment(ec)) {
    if (!it->is_directory(ec) || it->is_symlink(ec)) continue;
    if (it->path().filename().string().starts_with(".")) {
      it.disable_recursion_pending();
      continue;
    }
    visit(it->path());
  }
}

}  // namespace

std::vector<BaselineEntry> listBaselines(const std::vector<std::string>& folders) {
  std::vector<BaselineEntry> out;
  for (const std::string& f : folders)
    eachFolder(fs::absolute(f).lexically_normal(), [&](const fs::path& folder) {
      std::error_code ec;
      std::vector<fs::path> files;
      for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec) && !it->is_symlink(ec)) files.push_back(it->path());
      std::sort(files.begin(), files.end());
      for (const fs::path& file : files) {
        std::string name = file.filename().string();
        std::string doc = documentOfBaseline(name);
        if (doc.empty() || documentTypeOf(doc) == 0) continue;
        if (name.ends_with(".properties")) addProperties(file, folder / doc, out);
        else out.push_back({(folder / doc).string(), name, "", modified(file)});
      }
      fs::path states = folder / std::string(kStateFolderName);
      std::vector<fs::path> copies;
      for (fs::recursive_directory_iterator it(states, ec), end; !ec && it != end; it.increment(ec)) {
        fs::path rel = it->path().lexically_relative(states);
        if (!it->is_regular_file(ec) || it->is_symlink(ec)) continue;
        if (std::distance(rel.begin(), rel.end()) != 2) continue;  // <document>/<data file> only
        if (rel.filename() == "last-run.json") continue;
        copies.push_back(it->path());
      }
      std::sort(copies.begin(), copies.end());
      for (const fs::path& c : copies)
        out.push_back({(folder / c.parent_path().filename()).string(), c.lexically_relative(folder).string(), "",
                       modified(c)});
    });
  return out;
}

std::string ageText(std::time_t written, std::time_t now) {
  long days = written > now ? 0 : static_cast<long>((now - written) / 86400);
  if (days == 0) return "today";
  return std::to_string(days) + (days == 1 ? " day" : " days");
}

namespace {

enum class DocumentState { Present, Dangling, Gone };

// Whether the document `path` exists, is a link whose target is missing
// (perhaps only for a moment: a share being remounted), or is gone.
DocumentState stateOf(const fs::path& path) {
  std::error_code ec;
  if (fs::exists(path, ec)) return DocumentState::Present;
  return fs::is_symlink(fs::symlink_status(path, ec)) ? DocumentState::Dangling : DocumentState::Gone;
}

}  // namespace

int pruneBaselines(const std::vector<std::string>& folders, const PruneOptions& options, std::ostream& out) {
  int found = 0;
  auto drop = [&](const fs::path& p, const std::string& document) {
    ++found;
    out << (options.dryRun ? "would remove " : "removed ") << p.string() << " (no " << document << ")\n";
    if (options.dryRun) return;
    std::error_code ec;
    fs::remove_all(p, ec);  // a link is removed itself, never what it points at
  };
  auto keep = [&](const fs::path& p, const std::string& document) {
    out << "kept " << p.string() << " (" << document
        << " is a link to a missing file; --include-dangling removes its baselines)\n";
  };
  for (const std::string& f : folders)
    eachFolder(fs::absolute(f).lexically_normal(), [&](const fs::path& folder) {
      std::error_code ec;
      std::vector<std::pair<fs::path, std::string>> gone, kept;
      std::vector<std::string> forgotten;
      // Only what the tool recorded as baselines beside documents.
      for (const auto& [doc, files] : readBaselineIndex(folder.string())) {
        const DocumentState state = stateOf(folder / doc);
        if (state == DocumentState::Present) continue;
        auto& into = state == DocumentState::Dangling && !options.includeDangling ? kept : gone;
        // A damaged index may name anything; only a file whose name is one
        // of the document's baselines goes (never a document or a folder).
        for (const std::string& file : files) {
          const fs::file_status st = fs::symlink_status(folder / file, ec);
          if (fs::exists(st) && !fs::is_directory(st) && documentOfBaseline(file) == doc)
            into.emplace_back(folder / file, doc);
        }
        if (&into == &gone) forgotten.push_back(doc);
      }
      // The tool's own state folder: a folder per document.
      fs::path states = folder / std::string(kStateFolderName);
      if (fs::is_directory(fs::symlink_status(states, ec)))
        for (fs::directory_iterator it(states, ec), end; !ec && it != end; it.increment(ec)) {
          std::string doc = it->path().filename().string();
          if (!it->is_symlink(ec) && !it->is_directory(ec)) continue;  // the index and its lock
          // Backslash names are kept as links named with %5C; their target is the document.
          DocumentState state = it->is_symlink(ec) ? stateOf(it->path()) : stateOf(folder / doc);
          if (it->is_symlink(ec) && state == DocumentState::Gone) state = DocumentState::Dangling;
          if (state == DocumentState::Present) continue;
          if (it->is_symlink(ec) || state == DocumentState::Gone || options.includeDangling) gone.emplace_back(it->path(), doc);
          else kept.emplace_back(it->path(), doc);
        }
      std::sort(gone.begin(), gone.end());
      std::sort(kept.begin(), kept.end());
      for (const auto& [p, doc] : gone) drop(p, doc);
      for (const auto& [p, doc] : kept) keep(p, doc);
      if (!options.dryRun) forgetBaselines(folder.string(), forgotten);
    });
  return found;
}

}  // namespace rc::tools
