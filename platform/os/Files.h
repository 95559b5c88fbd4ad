// File services of the library (stands for the file statements and the
// scripting runtime's file system object). Every path goes through
// nativePath(); failures raise the automation errors the statements raise:
// 53 File not found, 76 Path not found, 70 Permission denied, 75 Path/File
// access error, 62 Input past end of file.
//
// The writers here follow symbolic links, as documents (the user's own
// files) must. Files the library or a tool makes itself in a results or
// baseline folder go through OutputFiles.h instead, which never writes
// through a link.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/LineEnds.h"

namespace rc::platform {

bool fileExists(std::string_view path);    // a regular file (or link to one)
bool folderExists(std::string_view path);  // a directory
// FileLen: the size in bytes; 53 when missing.
std::int64_t fileLength(std::string_view path);
// The length of the regular file (or link to one) at `path`; -1 when there
// is none. One look at the path, where fileExists and fileLength take two.
std::int64_t fileLengthIfAny(std::string_view path);

// Appends `text` as is, creating the file when missing (append mode). The
// drive root folder is created on first use.
void appendText(std::string_view path, std::string_view text);
// Appends `line` and CR LF.
void appendLine(std::string_view path, std::string_view line);
// Creates or truncates the file and writes `data`.
void writeFile(std::string_view path, std::string_view data);
// Writes `data` to a temporary file beside `path`, flushes it and renames it
// over `path`, so readers see the old or the new content whole.
void writeFileAtomic(std::string_view path, std::string_view data, unsigned mode = 0644);
// The whole content; 53 when missing.
std::string readFile(std::string_view path);
// The content from byte `offset` on ("" when the file is shorter); 53 when missing.
std::string readFileFrom(std::string_view path, std::int64_t offset);

void copyFile(std::string_view from, std::string_view to, bool overwrite = true);
// Moves (renames) a file; 58 when `to` exists, which is left as it is.
void moveFile(std::string_view from, std::string_view to);
// Whether the file is read-only: its owner may not write it.
bool isReadOnly(std::string_view path);
// Deletes a file. Without `force`, a read-only file is refused with 70 and
// left in place.
void deleteFile(std::string_view path, bool force = true);
void createFolder(std::string_view path);  // with its parents; no error when it exists
// Names (not paths) of the entries of a folder, sorted; 76 when the folder
// does not exist.
std::vector<std::string> listFolder(std::string_view path);

// Raises the run-time error the file statements raise for errno `e` on
// `path` (53, 76, 70 or 75).
[[noreturn]] void raiseFileError(int e, const std::string& path);

// Reads a text file line by line. A line ends at CR LF, LF or CR (as Line
// Input reads them); the last line needs no line end. A UTF-8 byte-order
// mark at the start of the file is skipped. Every byte is looked at a
// bounded number of times, whatever the line ends, and the first read is
// small, so a lookup near the start of a large file reads little of it.
class LineReader {
 public:
  // Opens the file for reading; 53 when missing, 70/75 when unreadable.
  explicit LineReader(std::string_view path);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // EOF(): no more lines.
  bool atEnd();
  // Line Input: the next line without its line end; 62 at the end. The view
  // lasts until the next call on this reader, and the 32 bytes after it may
  // be read (their values are unspecified).
  std::string_view next() {
    // The common case inline: a whole line and the byte after its end held.
    if (pos_ < size_) {
      const std::size_t end = pos_ + firstLineEnd(buf_.get() + pos_, size_ - pos_);
      if (end + 1 < size_) {
        std::string_view line(buf_.get() + pos_, end - pos_);
        pos_ = end + ((buf_[end] == '\r' && buf_[end + 1] == '\n') ? 2 : 1);
        return line;
      }
    }
    return nextSlow();
  }
  // Whether the next line begins with `prefix` (false at the end). Reads
  // at most the prefix's length ahead, whatever the line's length.
  bool nextStartsWith(std::string_view prefix);
  // Passes over the next line without holding it: memory stays bounded
  // however long the line is. 62 at the end.
  void skipLine();
  // The bytes read but not yet handed out, from the start of the next line:
  // a caller may scan several lines in place and pass over them with
  // advance(). The 32 bytes after the view may be read (their values are
  // unspecified); the view lasts until the next call that reads the file
  // (atEnd, next, nextStartsWith, skipLine). Empty before the first read.
  std::string_view held() const { return {buf_.get() + pos_, size_ - pos_}; }
  // Passes over the first `n` bytes of held(), which must end on a line
  // end (both bytes of a CR LF).
  void advance(std::size_t n) { pos_ += n; }
  // The byte offset in the file of the next line.
  std::int64_t offset() const { return base_ + static_cast<std::int64_t>(pos_); }
  const std::string& path() const { return path_; }

  // Moves both readers past the lines the two files share from where each
  // stands now, comparing whole blocks rather than lines, and answers how
  // many bytes that is; the readers then stand at the start of the first
  // line that may differ. Readers of anything but regular files stay where
  // they are (answer 0).
  friend std::int64_t skipSharedLines(LineReader& a, LineReader& b);

 private:
  bool fill();
  std::string_view nextSlow();
  // The position of the first CR or LF at or after `from`, or npos.
  std::size_t lineEnd(std::size_t from);
  void seek(std::int64_t offset);

  int fd_ = -1;
  bool regular_ = false;
  std::unique_ptr<char[]> buf_;
  std::size_t size_ = 0;           // bytes held in buf_
  std::size_t capacity_ = 0;
  std::size_t block_ = 16 << 10;  // bytes read next; doubles up to 256 KiB
  std::size_t pos_ = 0;
  std::int64_t base_ = 0;  // file offset of buf_[0]
  bool eof_ = false;
  bool started_ = false;   // the first block has been read (and its mark skipped)
  std::string path_;
};

std::int64_t skipSharedLines(LineReader& a, LineReader& b);

// The number of lines that start before byte `bytes` of the file (counted
// as LineReader reads them).
std::int64_t lineCount(std::string_view path, std::int64_t bytes);

}  // namespace rc::platform
