// File services of the library (stands for the file statements and the
// scripting runtime's file system object). Every path goes through
// nativePath(); failures raise the automation errors the statements raise:
// 53 File not found, 76 Path not found, 70 Permission denied, 75 Path/File
// access error, 62 Input past end of file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rc::platform {

bool fileExists(std::string_view path);    // a regular file (or link to one)
bool folderExists(std::string_view path);  // a directory
// FileLen: the size in bytes; 53 when missing.
std::int64_t fileLength(std::string_view path);

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
void deleteFile(std::string_view path);
void createFolder(std::string_view path);  // with its parents; no error when it exists
// Names (not paths) of the entries of a folder, sorted.
std::vector<std::string> listFolder(std::string_view path);

// Raises the run-time error the file statements raise for errno `e` on
// `path` (53, 76, 70 or 75).
[[noreturn]] void raiseFileError(int e, const std::string& path);

// Reads a text file line by line in large blocks. A line ends at CR LF, LF
// or CR (as Line Input reads them); the last line needs no line end.
class LineReader {
 public:
  // Opens the file for reading; 53 when missing, 70/75 when unreadable.
  explicit LineReader(std::string_view path);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // EOF(): no more lines.
  bool atEnd();
  // Line Input: the next line without its line end; 62 at the end.
  std::string_view next();

 private:
  bool fill();

  int fd_ = -1;
  std::string buf_;
  std::size_t block_ = 1 << 20;  // bytes read at a time: the file's size, at most 1 MiB
  std::size_t pos_ = 0;
  bool eof_ = false;
  std::string path_;
};

}  // namespace rc::platform
