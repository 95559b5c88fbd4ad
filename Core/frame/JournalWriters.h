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

// The texts that mark a journal block's lines, written here and read back
// by parseJournalBlocks().
namespace journal {
// Starts every line of a block but the title of the pixel form.
inline constexpr std::string_view kLineMark = "'*** ";
// Titles: a difference, a bitmap comparison's block, information only.
inline constexpr std::string_view kWarning = "'*** WARNING - ";
inline constexpr std::string_view kPixelWarning = "*** WARNING - ";
inline constexpr std::string_view kInfo = "'*** Info - ";
// The new and the baseline value, each followed by the units.
inline constexpr std::string_view kNew = "'*** New = ";
inline constexpr std::string_view kBaseLine = "'*** BaseLine = ";
// A Name holding it gives the pixel form, whose one line holds Diff, Units
// and Extra apart by kPixelSeparator.
inline constexpr std::string_view kPixelCompare = "Pixel Compare";
inline constexpr std::string_view kPixelSeparator = "    ";
// The Diff of an image block whose check made its baseline.
inline constexpr std::string_view kBaseLineCreated = "BaseLine Created";
}  // namespace journal

struct JournalBlock {
  std::string Name;      // property key or check name
  std::string NewValue;  // text form of the new value
  std::string BaseValue; // text form of the baseline
  std::string Diff;      // the difference as the check phrased it
  std::string Units;
  std::string Prefix;    // journal::kWarning, kInfo or kPixelWarning
  std::string Extra;     // pixel-compare form only

  friend bool operator==(const JournalBlock&, const JournalBlock&) = default;
};

// The block's lines: empty line, title, difference, new, baseline, empty
// line; with `pixelForm` the three middle lines become one.
std::vector<std::string> journalBlockLines(const JournalBlock& block, bool pixelForm);

// The blocks among journal `lines`, in order, as journalBlockLines() wrote
// them (either form; the separator lines around a block are not needed).
// Other lines are passed over, and so is a title not followed by its block's
// lines. Units come back as the last word of the New line when the BaseLine
// line ends with it too (units with a space inside are read as part of the
// values); the values then come back whole, spaces included. The pixel form
// splits its line at journal::kPixelSeparator, so its Diff and Units must not
// hold that run of spaces.
std::vector<JournalBlock> parseJournalBlocks(const std::vector<std::string>& lines);

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
