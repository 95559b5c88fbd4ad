#include "Core/frame/JournalWriters.h"

#include "Core/frame/TraceLog.h"
#include "Core/interfaces/HostCalls.h"
#include "Core/interfaces/HostLookup.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/NumberText.h"
#include "platform/automation/Trap.h"
#include "platform/os/MessageSink.h"
#include "platform/os/OutputFiles.h"

namespace rc::core {

namespace au = rc::automation;

namespace {

constexpr std::string_view kRule = "'   ---------------------------------------------";

// Number of characters (not bytes) of UTF-8 text.
std::size_t charCount(std::string_view text) {
  std::size_t n = 0;
  for (char c : text)
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
  return n;
}

void showDescription(const au::AutomationError& e) { platform::showMessage(e.description()); }

}  // namespace

std::vector<std::string> journalBlockLines(const JournalBlock& b, bool pixelForm) {
  std::vector<std::string> lines;
  lines.emplace_back();
  lines.push_back(b.Prefix + b.Name);
  if (pixelForm) {
    lines.push_back("'*** " + b.Diff + "    " + b.Units + "    " + b.Extra);
  } else {
    lines.push_back("'*** " + b.Diff);
    lines.push_back("'*** New = " + b.NewValue + " " + b.Units);
    lines.push_back("'*** BaseLine = " + b.BaseValue + " " + b.Units);
  }
  lines.emplace_back();
  return lines;
}

void RecordJournalBlock(const JournalBlock& block, std::int32_t glbProcessID, bool MultiSession) {
  bool pixelForm = block.Name.find("Pixel Compare") != std::string::npos;
  au::trapped(
      [&] {
        au::ObjectRef host = GetSessionHost(glbProcessID, MultiSession);
        for (const std::string& line : journalBlockLines(block, pixelForm)) recordLine(host, line);
      },
      showDescription);
}

void AppendJournalBlock(const JournalBlock& block, std::string_view journFile) {
  std::string text;
  for (const std::string& line : journalBlockLines(block, false)) text.append(line).append("\r\n");
  au::trapped([&] { platform::output::appendLines(journFile, text); }, showDescription);
}

std::vector<std::string> journalHeaderLines(std::string_view header) {
  std::size_t length = charCount(header);
  std::size_t spaces = 0;
  // One space for each i from 1 to 23 - length / 2; none above 45 characters.
  if (length <= 45) {
    double limit = 23.0 - static_cast<double>(length) / 2.0;
    if (limit >= 1) spaces = static_cast<std::size_t>(limit);
  }
  return {"", std::string(kRule), "'   " + std::string(spaces, ' ') + std::string(header), std::string(kRule)};
}

void MessageHeaderToJournal(std::string_view header, std::int32_t glbProcessID, bool MultiSession) {
  au::trapped(
      [&] {
        au::ObjectRef host = GetSessionHost(glbProcessID, MultiSession);
        for (const std::string& line : journalHeaderLines(header)) recordLine(host, line);
      },
      [](const au::AutomationError& e) { WriteModuleTrace("MessageHeaderToJournal Failed:   " + e.description()); });
}

std::string journalNumber(double value) { return au::numberText(value); }

}  // namespace rc::core
