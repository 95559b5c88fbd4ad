#include "sim/converters/PngCodec.h"

#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace rc::sim::converters {

namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::nullopt_t fail(std::string* error, std::string reason) {
  if (error) *error = std::move(reason);
  return std::nullopt;
}

// The input of a read and what it found; plain data, since libpng leaves a
// failed read by longjmp.
struct Source {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t at;
  char message[200];
  png_uint_32 width, height;
  bool tooLarge;
};

void readBytes(png_structp png, png_bytep out, png_size_t count) {
  auto* source = static_cast<Source*>(png_get_io_ptr(png));
  if (count > source->size - source->at) png_error(png, "the file ends early");
  std::memcpy(out, source->data + source->at, count);
  source->at += count;
}

[[noreturn]] void keepMessage(png_structp png, png_const_charp message) {
  auto* source = static_cast<Source*>(png_get_error_ptr(png));
  std::snprintf(source->message, sizeof source->message, "%s", message);
  png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

// Starts reading `source`: its header read and the transformations set so
// that each row comes as 8-bit B, G, R, A (grey widened, palettes expanded,
// tRNS made alpha, 16 bits scaled to 8, alpha added as 255 where there is
// none). Sets width and height, or tooLarge for a picture beyond the
// limits. False with the message in `source` on failure, when `png` and
// `info` are already destroyed. Holds no C++ objects with destructors,
// since libpng leaves it by longjmp.
bool beginRead(Source& source, png_structp& png, png_infop& info, int& passes) {
  png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, keepMessage, ignoreWarning);
  if (!png) return false;
  info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  if (!info) png_error(png, "out of memory");
  png_set_read_fn(png, &source, readBytes);
  png_read_info(png, info);
  source.width = png_get_image_width(png, info);
  source.height = png_get_image_height(png, info);
  if (source.width > static_cast<png_uint_32>(display::kMaxSurfaceSide) ||
      source.height > static_cast<png_uint_32>(display::kMaxSurfaceSide) ||
      std::uint64_t{source.width} * source.height > display::kMaxDecodedPixels) {
    source.tooLarge = true;
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_expand(png);
  png_set_scale_16(png);
  png_set_gray_to_rgb(png);
  png_set_bgr(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != std::size_t{source.width} * 4) png_error(png, "unexpected row layout");
  return true;
}

// Lays a row of B, G, R, A pixels over white, the paper the host draws on,
// leaving 0x00RRGGBB in each.
void overWhite(std::uint32_t* row, std::size_t n) {
  auto over = [](unsigned c, unsigned a) { return (c * a + 255 * (255 - a) + 127) / 255; };
  for (std::size_t x = 0; x < n; ++x) {
    const std::uint32_t p = row[x];
    const unsigned a = p >> 24;
    if (a == 255) {
      row[x] = p & 0xFFFFFF;
      continue;
    }
    row[x] = over((p >> 16) & 0xFF, a) << 16 | over((p >> 8) & 0xFF, a) << 8 | over(p & 0xFF, a);
  }
}

// Reads the rows begun by beginRead into `picture` (of the picture's size),
// each laid over white as it comes; then destroys `png` and `info`. False
// with the message in `source` on failure. No C++ objects with
// destructors, as in beginRead; `rows` belongs to the caller.
bool readRows(Source& source, png_structp png, png_infop info, int passes, display::Surface& picture,
              std::vector<png_bytep>& rows) {
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  const std::size_t width = source.width;
  if (passes == 1) {
    for (png_uint_32 y = 0; y < source.height; ++y) {
      std::uint32_t* row = picture.row(static_cast<int>(y));
      png_read_row(png, reinterpret_cast<png_bytep>(row), nullptr);
      overWhite(row, width);
    }
  } else {
    for (png_uint_32 y = 0; y < source.height; ++y) rows[y] = reinterpret_cast<png_bytep>(picture.row(static_cast<int>(y)));
    png_read_image(png, rows.data());
    overWhite(picture.row(0), width * source.height);
  }
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

}  // namespace

namespace {

// The output of a write; plain data but for the string it appends to.
struct Sink {
  std::string* out;
  char message[200];
};

void appendBytes(png_structp png, png_bytep data, png_size_t count) {
  static_cast<Sink*>(png_get_io_ptr(png))->out->append(reinterpret_cast<const char*>(data), count);
}

void flushNothing(png_structp) {}

[[noreturn]] void keepWriteMessage(png_structp png, png_const_charp message) {
  auto* sink = static_cast<Sink*>(png_get_error_ptr(png));
  std::snprintf(sink->message, sizeof sink->message, "%s", message);
  png_longjmp(png, 1);
}

// Writes `rows` of 32-bit pixels (B, G, R, unused) as an 8-bit RGB PNG file into `sink`. Each row as its
// difference from the one above, deflated by run length: drawings and
// difference images are mostly rows like their neighbours, which this keeps
// small at a fraction of the usual time. False
// with the message in `sink` on failure; like readRgba, it holds no C++
// objects with destructors.
bool writeRgb(Sink& sink, png_uint_32 width, png_uint_32 height, std::vector<png_bytep>& rows) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, keepWriteMessage, ignoreWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  if (!info) png_error(png, "out of memory");
  png_set_write_fn(png, &sink, appendBytes, flushNothing);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
  png_set_compression_strategy(png, Z_RLE);
  png_set_compression_level(png, 1);
  png_write_info(png, info);
  // Rows of 32-bit pixels, B, G, R and a byte left out.
  png_set_bgr(png);
  png_set_filler(png, 0, PNG_FILLER_AFTER);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool looksLikePng(std::span<const std::uint8_t> data) {
  return data.size() >= sizeof kSignature && std::memcmp(data.data(), kSignature, sizeof kSignature) == 0;
}

std::string encodePng(const display::Surface& image) {
  if (image.empty()) throw std::runtime_error("PNG encoder: the picture is empty");
  // The picture's own rows: libpng takes each pixel's B, G, R in reverse
  // and leaves out the fourth byte.
  std::vector<png_bytep> rows(static_cast<std::size_t>(image.height()));
  for (std::size_t y = 0; y < rows.size(); ++y)
    rows[y] = reinterpret_cast<png_bytep>(const_cast<std::uint32_t*>(image.row(static_cast<int>(y))));
  Sink sink{nullptr, {}};
  std::string out;
  sink.out = &out;
  if (!writeRgb(sink, static_cast<png_uint_32>(image.width()), static_cast<png_uint_32>(image.height()), rows))
    throw std::runtime_error(std::string("PNG encoder: ") + sink.message);
  return out;
}

std::optional<display::Surface> decodePng(std::span<const std::uint8_t> data, std::string* error) {
  if (!looksLikePng(data)) return fail(error, "not a PNG file");
  Source source{data.data(), data.size(), 0, {}, 0, 0, false};
  png_structp png = nullptr;
  png_infop info = nullptr;
  int passes = 1;
  bool read = beginRead(source, png, info, passes);
  display::Surface picture;
  if (read) {
    // The rows are read straight into the picture. Should making it fail,
    // the reader is closed before the failure goes on.
    std::vector<png_bytep> rows;
    try {
      picture.resize(static_cast<int>(source.width), static_cast<int>(source.height));
      if (passes != 1) rows.resize(source.height);
    } catch (...) {
      png_destroy_read_struct(&png, &info, nullptr);
      throw;
    }
    read = readRows(source, png, info, passes, picture, rows);
  }
  if (!read) {
    if (source.tooLarge)
      return fail(error, "the PNG picture of " + std::to_string(source.width) + " x " +
                             std::to_string(source.height) + " pixels is larger than the images this program reads");
    return fail(error, std::string("damaged PNG file: ") + source.message);
  }
  return picture;
}

}  // namespace rc::sim::converters
