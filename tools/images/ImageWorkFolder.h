// Where the image checks have the library put its work files: the
// full-size BMP intermediates TestBitmapCompare writes, reads back and
// deletes (its work file is the difference file's name ending in "bmp"),
// and the ones the tool's own conversions go through.
//
// When the results folder lies on a disk, a private folder (mode 0700) on a
// memory-backed file system ($TMPDIR, /dev/shm or the user's run folder,
// the first that is one) takes them, so that no intermediate is written to,
// synced on or read back from the disk. The check then hands the library a
// difference file in that folder, and moves what the library left there
// (the difference image) into the results folder, where it would have been.
// When the results are memory-backed already, or no such folder can be
// made, or it has less than 256 MiB free (a container's small /dev/shm),
// the work stays in the results folder.
//
// A run killed by a signal cannot remove its folder; the next run that
// makes one removes those whose run is gone (each run holds a lock on an
// owner file in its folder for as long as it lives).
#pragma once

#include <string>

#include "platform/os/UniqueFd.h"

namespace rc::tools {

class ImageWorkFolder {
 public:
  // Makes this the current work folder of the calling thread, until it
  // ends. The folder itself is made on first use.
  ImageWorkFolder();
  // Removes the folder with whatever is still in it.
  ~ImageWorkFolder();
  ImageWorkFolder(const ImageWorkFolder&) = delete;
  ImageWorkFolder& operator=(const ImageWorkFolder&) = delete;

  // The calling thread's current work folder, or nullptr.
  static ImageWorkFolder* current();

  // The folder the work of a check whose images go to `imagesFolder` is
  // done in: the private folder, emptied, or `imagesFolder` itself.
  std::string startCheck(const std::string& imagesFolder);

 private:
  // The private folder, made when first asked; "" when none can be had.
  const std::string& folder();

  std::string folder_;
  platform::UniqueFd owner_;  // locked while this run lives
  bool tried_ = false;
  ImageWorkFolder* previous_;
};

// Whether `path` (a folder that exists) lies on a memory-backed file system.
bool memoryBacked(const std::string& path);

// Moves the file `from` to `to` (replacing a file there, never writing
// through a link), across file systems too; nothing when `from` is missing.
void moveWorkFile(const std::string& from, const std::string& to);

}  // namespace rc::tools
