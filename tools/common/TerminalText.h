// Text for a terminal or a text report: names and messages come from files,
// models and the library, and a control byte among them (an escape
// sequence in a file name) must never reach the terminal as one. Control
// bytes are shown as \xNN; line feeds, tabs and the CR of a CR LF pass.
#pragma once

#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>

namespace rc::tools {

// `text` with each C0 control byte (but tab and line feed, and a carriage
// return before a line feed), DEL, C1 control (U+0080..U+009F) and byte
// that is not part of valid UTF-8 written as \xNN (a C1 control as its two
// bytes).
std::string terminalText(std::string_view text);

// `text` for a place that holds one line (a cell of the summary table, a
// progress line): as terminalText, and line feeds, carriage returns and
// tabs written as \xNN too, so a file name holding one cannot split the line.
std::string oneLineText(std::string_view text);

// A stream buffer that passes what is written through terminalText to
// `target`. Holds back at most an incomplete UTF-8 sequence or a final CR
// until more comes or it is flushed; flushing writes everything.
class TerminalBuffer : public std::streambuf {
 public:
  explicit TerminalBuffer(std::streambuf* target) : target_(target) {}
  ~TerminalBuffer() override { sync(); }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override;

 private:
  // Writes out the escaped form of pending_ up to what may still change.
  void drain(bool all);

  std::streambuf* target_;
  std::string pending_;
};

// An ostream whose output goes through a TerminalBuffer into `target`'s buffer.
class TerminalStream : public std::ostream {
 public:
  explicit TerminalStream(std::ostream& target) : std::ostream(nullptr), buffer_(target.rdbuf()) { rdbuf(&buffer_); }

 private:
  TerminalBuffer buffer_;
};

}  // namespace rc::tools
