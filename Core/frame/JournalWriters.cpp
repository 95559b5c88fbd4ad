#include "Core/frame/JournalWriters.h"

#include <optional>

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
  const std::string mark(journal::kLineMark);
  if (pixelForm) {
    const std::string separator(journal::kPixelSeparator);
    lines.push_back(mark + b.Diff + separator + b.Units + separator + b.Extra);
  } else {
    lines.push_back(mark + b.Diff);
    lines.push_back(std::string(journal::kNew) + b.NewValue + " " + b.Units);
    lines.push_back(std::string(journal::kBaseLine) + b.BaseValue + " " + b.Units);
  }
  lines.emplace_back();
  return lines;
}

namespace {

// The title prefix `line` starts with, or "" when it is no block's title.
std::string_view titlePrefixOf(std::string_view line) {
  for (std::string_view prefix : {journal::kWarning, journal::kInfo, journal::kPixelWarning})
    if (line.starts_with(prefix)) return prefix;
  return {};
}

// The text after `mark` at the start of lines[i], or nullopt when there is
// no such line or it does not start so.
std::optional<std::string_view> after(const std::vector<std::string>& lines, std::size_t i, std::string_view mark) {
  if (i >= lines.size() || !std::string_view(lines[i]).starts_with(mark)) return std::nullopt;
  return std::string_view(lines[i]).substr(mark.size());
}

// Splits the New and BaseLine texts ("110 edges", "100 edges") into the
// block's values and units.
void splitValues(std::string_view fresh, std::string_view base, JournalBlock& block) {
  const std::size_t space = fresh.rfind(' ');
  std::string_view units = space == std::string_view::npos ? std::string_view() : fresh.substr(space + 1);
  if (space == std::string_view::npos || base.size() <= units.size() || !base.ends_with(units) ||
      base[base.size() - units.size() - 1] != ' ') {
    block.NewValue = std::string(fresh);
    block.BaseValue = std::string(base);
    return;
  }
  block.Units = std::string(units);
  block.NewValue = std::string(fresh.substr(0, space));
  block.BaseValue = std::string(base.substr(0, base.size() - units.size() - 1));
}

// The pixel form's line after its mark: Diff, Units and Extra.
void splitPixelLine(std::string_view text, JournalBlock& block) {
  const std::size_t first = text.find(journal::kPixelSeparator);
  if (first == std::string_view::npos) {
    block.Diff = std::string(text);
    return;
  }
  block.Diff = std::string(text.substr(0, first));
  text.remove_prefix(first + journal::kPixelSeparator.size());
  const std::size_t second = text.find(journal::kPixelSeparator);
  block.Units = std::string(text.substr(0, second));
  if (second == std::string_view::npos) return;
  block.Extra = std::string(text.substr(second + journal::kPixelSeparator.size()));
}

}  // namespace

std::vector<JournalBlock> parseJournalBlocks(const std::vector<std::string>& lines) {
  std::vector<JournalBlock> blocks;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view prefix = titlePrefixOf(lines[i]);
    if (prefix.empty()) continue;
    JournalBlock block;
    block.Prefix = std::string(prefix);
    block.Name = lines[i].substr(prefix.size());
    const std::optional<std::string_view> diff = after(lines, i + 1, journal::kLineMark);
    if (!diff) continue;
    const std::optional<std::string_view> fresh = after(lines, i + 2, journal::kNew);
    const std::optional<std::string_view> base = after(lines, i + 3, journal::kBaseLine);
    if (fresh && base) {
      block.Diff = std::string(*diff);
      splitValues(*fresh, *base, block);
      blocks.push_back(std::move(block));
      i += 3;
    } else if (block.Name.find(journal::kPixelCompare) != std::string::npos) {
      splitPixelLine(*diff, block);
      blocks.push_back(std::move(block));
      i += 1;
    }
  }
  return blocks;
}

void RecordJournalBlock(const JournalBlock& block, std::int32_t glbProcessID, bool MultiSession) {
  bool pixelForm = block.Name.find(journal::kPixelCompare) != std::string::npos;
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
