#include "Core/checks/FileVersionCheck.h"

#include "Core/checks/CheckSkeleton.h"
#include "Core/checks/PropertyStore.h"
#include "Core/frame/JournalWriters.h"
#include "Core/interfaces/HostCalls.h"
#include "Core/interfaces/HostLookup.h"
#include "Core/properties/PropertyFile.h"
#include "platform/automation/Error.h"
#include "platform/automation/SafeArray.h"

namespace rc::core {

namespace au = rc::automation;

namespace {

constexpr std::string_view kKey = "FileVersion";

// The text without its trailing spaces. A stored value keeps the spaces
// that precede "Build: " on its line; they are no part of the version.
std::string_view trimTrailingSpaces(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::vector<std::string> historyEntries(const au::ObjectRef& doc) {
  au::Variant history = au::call(doc, "VersionHistory");
  if (!history.isArray()) au::raise(au::err::TypeMismatch);
  std::vector<std::string> entries;
  for (const au::Variant& item : history.asArray().items()) entries.push_back(item.toText());
  return entries;
}

}  // namespace

std::size_t currentVersionIndex(const std::vector<std::string>& entries) {
  // The history list has one empty slot after the entries; slot 1 is that
  // slot for a single entry, and missing for none.
  if (entries.empty()) au::raise(au::err::SubscriptOutOfRange);
  bool slotOneFilled = entries.size() >= 2 && !entries[1].empty();
  return slotOneFilled ? entries.size() - 2 : entries.size() - 1;
}

std::string RecordVersionHistory(std::int32_t glbProcessID, bool MultiSession, std::int16_t enterDB) {
  PropertyStore store;
  au::ObjectRef host = GetSessionHost(glbProcessID, MultiSession);
  au::ObjectRef doc = activeDoc(host);
  if (!doc) return "";
  if (enterDB == 1) {
    store.infoHeaderToJournal(glbProcessID, MultiSession);
    recordLine(host, "'   Version History");
  }
  std::vector<std::string> entries = historyEntries(doc);
  std::size_t last = currentVersionIndex(entries);
  if (enterDB == 1) {
    for (std::size_t i = 0; i <= last; ++i) recordLine(host, "'      " + entries[i]);
    recordLine(host, "'   End Version History");
    recordLine(host, " ");
  }
  return entries[last];
}

std::int16_t TestFileVersion(SessionContext& s, std::int16_t test, std::int16_t enterDB) {
  using State = CheckOutcome::State;
  return runCheck(
      s, "TestFileVersion",
      [&] {
        PropertyStore store;
        std::string file = propertiesFilePath(s.InputFile, s.NameOnly);
        std::string current = RecordVersionHistory(s.glbProcessID, s.MultiSession, enterDB);
        s.LastOutcome = {State::Measured, std::string(kKey), current, "", ""};
        if (test != 1) return;
        std::string base = store.text(kKey, file);
        if (base != "-1") {
          std::string_view stored = trimTrailingSpaces(base);
          s.LastOutcome.baseValue = std::string(stored);
          // Only the stored text is trimmed: a current text that gains or
          // loses trailing spaces is a change.
          if (stored == current) {
            s.LastOutcome.state = State::Agreed;
            return;
          }
          s.LastOutcome.state = State::Differed;
          JournalBlock block{std::string(kKey), current, std::string(stored), "", "",
                             std::string(journal::kWarning), ""};
          RecordJournalBlock(block, s.glbProcessID, s.MultiSession);
        } else if (!current.empty()) {
          store.set(kKey, file, current, s.VXBuild);
          s.LastOutcome.state = State::Created;
        }
      },
      OnFailure::SilentThenExit);
}

}  // namespace rc::core
