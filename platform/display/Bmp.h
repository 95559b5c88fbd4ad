// BMP files: writing 24-bit pictures, and reading uncompressed 1-, 4-, 8-,
// 24- and 32-bit ones (both row orders, with or without a colour table)
// into a Surface or a bitmap of the virtual display (LoadImage).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/display/HandleTable.h"

#include "platform/display/Surface.h"

namespace rc::display {

// A complete 24-bit bottom-up BMP file of `image`.
std::string encodeBmp24(const Surface& image);

// encodeBmp24's bytes handed to `write` in order, the headers first, then
// blocks of whole rows of at most 256 KiB (one row when a row is longer).
void encodeBmp24Blocks(const Surface& image, const std::function<void(std::string_view)>& write);

// The largest BMP file LoadImage reads (kMaxDecodedPixels at 32 bits,
// headers included).
inline constexpr std::int64_t kMaxBmpFileBytes = static_cast<std::int64_t>(kMaxDecodedPixels * 4) + (1 << 16);

// The picture in `data`, or nullopt with the reason in `error`: a short
// header, a file size field that does not match the data, pixel data past
// the end, more than kMaxDecodedPixels or more than kMaxSurfaceSide on a side, a
// compression other than none (or the plain 32-bit bit fields). Nothing is
// allocated for a refused file.
std::optional<Surface> decodeBmp(std::span<const std::uint8_t> data, std::string* error = nullptr);

// How many bytes of a BMP file decodeBmp needs in `head` to read its headers.
inline constexpr std::size_t kBmpHead = 128;

// Reads up to out.size() bytes of a file at an offset into `out`; answers
// how many (fewer only where the file ends).
using ReadAt = std::function<std::size_t(std::uint64_t offset, std::span<std::uint8_t> out)>;

// decodeBmp of a file of `total` bytes read as it is decoded: `head` holds
// its first min(total, kBmpHead) bytes or more, `readAt` reads the rest (the
// colour table and the rows, a block at a time straight into the surface's
// rows). A file found shorter than `total` while read is refused as
// truncated.
std::optional<Surface> decodeBmp(std::span<const std::uint8_t> head, std::uint64_t total, const ReadAt& readAt,
                                 std::string* error = nullptr);

// A BMP file that decodeBmp accepts, decoded a block of rows at a time,
// top row first, as the rows are needed: the file is never held whole.
class BmpRowReader {
 public:
  // The reader of a file as decodeBmp(head, total, readAt) takes it, or
  // nullopt when decodeBmp would refuse its headers or its colour table
  // cannot be read.
  static std::optional<BmpRowReader> open(std::span<const std::uint8_t> head, std::uint64_t total, ReadAt readAt);
  BmpRowReader(BmpRowReader&&) noexcept;
  BmpRowReader& operator=(BmpRowReader&&) noexcept;
  ~BmpRowReader();

  int width() const;
  int height() const;
  // Decodes the next `count` rows into `to` (count x width() pixels); false
  // when the file ends before them or there are fewer left.
  bool read(std::uint32_t* to, int count);

 private:
  struct State;
  explicit BmpRowReader(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

// Whether decodeBmp accepts `data` (the reason in `error` when not),
// without reading or allocating the pixels.
bool bmpReadable(std::span<const std::uint8_t> data, std::string* error = nullptr);

// Whether the picture whose BMP file starts with `header` (its first 26
// bytes at least) is within kMaxDecodedPixels and kMaxSurfaceSide; the
// reason in `error` when not. Reads only the size fields, so a packed file
// can be refused before it is unpacked.
bool bmpSizeAllowed(std::span<const std::uint8_t> header, std::string* error = nullptr);

// "the image is 16384 x 16384 pixels, more than the limit of 134217728
// (2^27)": the refusal of a picture beyond kMaxDecodedPixels or kMaxSurfaceSide.
std::string tooLargeText(std::string_view what, std::int64_t width, std::int64_t height);

// Whether a `width` x `height` picture is within both limits.
bool decodedSizeAllowed(std::int64_t width, std::int64_t height);

// LoadImage of a BMP file (LR_LOADFROMFILE): a new 32-bit bitmap, or 0 when
// the file cannot be read or is refused by decodeBmp.
Handle loadImage(std::string_view path);

}  // namespace rc::display
