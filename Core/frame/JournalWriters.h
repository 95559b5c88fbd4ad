// The journal writers (JournalErrors): warning and information blocks sent through the
// host's RecordLine or appended to the harness's journal file, and the
// framed headers. Every journal line begins with an apostrophe except empty
// separator lines and the title of a bitmap-comparison block.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/Variant.h"

namespace rc::core {

struct JournalBlock {
  std::string Name;      // property key or check name
  std::string NewValue;  // text form of the new value
  std::string BaseValue; // text form of the baseline
  std::string Diff;      // the difference as the check phrased it
  std::string Units;
  std::string Prefix;    // "'*** WARNING - ", "'*** Info - ", "*** WARNING - "
  std::string Extra;     // pixel-compare form only
};

// The block's lines: empty line, title, difference, new, baseline, empty
// line; with `pixelForm` the three middle lines become one.
std::vector<std::string> journalBlockLines(const JournalBlock& block, bool pixelForm);

// Sends the block through the host's RecordLine, one call per line (the
// pixel-compare form when Name contains "Pixel Compare"). A run-time error
// shows its description through the message sink; lines already sent stay.
void RecordJournalBlock(const JournalBlock& block, std::int32_t glbProcessID, bool MultiSession);

// Appends the block's lines (never the pixel-compare form) to `journFile`.
// A run-time error shows its description through the message sink.
void AppendJournalBlock(const JournalBlock& block, std::string_view journFile);

// The four header lines: empty line, rule, centred header, rule.
std::vector<std::string> journalHeaderLines(std::string_view header);

// Sends the header lines through the host's RecordLine. A run-time error
// writes "MessageHeaderToJournal Failed:   " and its description to the
// module trace and returns normally.
void MessageHeaderToJournal(std::string_view header, std::int32_t glbProcessID, bool MultiSession);

// The text form of a number in a journal line (the locale's number text).
std::string journalNumber(double value);

}  // namespace rc::core
