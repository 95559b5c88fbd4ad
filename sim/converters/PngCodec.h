// PNG files through libpng: reading any PNG libpng accepts (grey, grey with
// alpha, RGB, RGBA and palette images, 1 to 16 bits a channel, interlaced or
// not), writing 8-bit RGB ones.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "platform/display/Surface.h"

namespace rc::sim::converters {

// A PNG file of `image`: 8-bit RGB, not interlaced, compressed for speed
// (rows against the row above, run-length deflate). std::runtime_error with libpng's message when it fails.
std::string encodePng(const display::Surface& image);

// An 8-bit RGB PNG file written a block of rows at a time, top row first:
// the bytes of encodePng for the same rows.
class PngRowWriter {
 public:
  // std::runtime_error for an empty size, or with libpng's message.
  PngRowWriter(int width, int height);
  ~PngRowWriter();
  PngRowWriter(const PngRowWriter&) = delete;
  PngRowWriter& operator=(const PngRowWriter&) = delete;
  // Writes the next `count` rows, count x width pixels at `rows`.
  void write(const std::uint32_t* rows, int count);
  // write() of rows already in the file's byte order: R, G, B, width x 3
  // bytes a row.
  void writePacked(const std::uint8_t* rows, int count);
  // The file, once every row is written.
  std::string finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The bytes of PngRowWriter, made in two steps that may run on two
// threads: prepare() turns pixels into the bytes the deflater takes
// (rows filtered against the row above, the stream's checksum taken as
// they go), write() deflates them. Each step is called in row order, one
// call at a time; a row is written after it is prepared. Image data of 16
// KiB or less, and single rows, are written through libpng itself (it
// treats them otherwise), prepared as packed rows.
class PngSplitWriter {
 public:
  // std::runtime_error for an empty size.
  PngSplitWriter(int width, int height);
  ~PngSplitWriter();
  PngSplitWriter(const PngSplitWriter&) = delete;
  PngSplitWriter& operator=(const PngSplitWriter&) = delete;
  // Bytes a prepared row takes.
  std::size_t preparedRowBytes() const;
  // Prepares the next `count` rows of pixels at `rows` into `out`
  // (count x preparedRowBytes()).
  void prepare(const std::uint32_t* rows, int count, std::uint8_t* out);
  // Writes the next `count` prepared rows.
  void write(const std::uint8_t* prepared, int count);
  // The file, once every row is written.
  std::string finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// A PNG file of the layouts decodePng turns into pixels itself (8-bit RGB
// or RGBA, not interlaced, no transparent colour), read a block of rows at
// a time, top row first, with decodePng's pixels.
class PngRowReader {
 public:
  // The reader of `data` (which must outlive it), or nullopt for any other
  // layout or a header decodePng refuses.
  static std::optional<PngRowReader> open(std::span<const std::uint8_t> data);
  PngRowReader(PngRowReader&&) noexcept;
  PngRowReader& operator=(PngRowReader&&) noexcept;
  ~PngRowReader();

  int width() const;
  int height() const;
  // Reads the next `count` rows into `to` (count x width() pixels), and
  // after the last row checks the rest of the file; false where decodePng
  // would refuse the file, and for every read after.
  bool read(std::uint32_t* to, int count);

 private:
  struct State;
  explicit PngRowReader(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

// The picture of `data`, 8 bits a channel, any transparency laid over
// white. nullopt with the reason in `error` ("not a PNG file", libpng's
// message for a damaged or truncated one, or the size refused) for a file
// that cannot be shown. A picture wider or higher than kMaxSurfaceSide or
// larger than kMaxDecodedPixels is refused from its header, before
// anything is allocated for it.
std::optional<display::Surface> decodePng(std::span<const std::uint8_t> data, std::string* error = nullptr);

// Whether `data` starts with the PNG signature.
bool looksLikePng(std::span<const std::uint8_t> data);

}  // namespace rc::sim::converters
