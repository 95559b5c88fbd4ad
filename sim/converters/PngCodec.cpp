#include "sim/converters/PngCodec.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace rc::sim::converters {

namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Frees libpng's state of a simplified read or write whatever way it ends.
struct ImageGuard {
  png_image* image;
  ~ImageGuard() { png_image_free(image); }
};

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

// Reads the picture of `source` as 8-bit RGBA rows into `rgba` (grey
// widened, palettes expanded, tRNS made alpha, 16 bits scaled to 8,
// interlacing undone). False with the message in `source` (or tooLarge set)
// on failure. Holds no C++ objects with destructors, since libpng leaves it
// by longjmp; the buffers belong to the caller.
bool readRgba(Source& source, std::vector<std::uint8_t>& rgba, std::vector<png_bytep>& rows) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, keepMessage, ignoreWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
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
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != std::size_t{source.width} * 4) png_error(png, "unexpected row layout");
  rgba.resize(std::size_t{source.width} * source.height * 4);
  rows.resize(source.height);
  for (png_uint_32 y = 0; y < source.height; ++y) rows[y] = rgba.data() + std::size_t{y} * source.width * 4;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

}  // namespace

bool looksLikePng(std::span<const std::uint8_t> data) {
  return data.size() >= sizeof kSignature && std::memcmp(data.data(), kSignature, sizeof kSignature) == 0;
}

std::string encodePng(const display::Surface& image) {
  if (image.empty()) throw std::runtime_error("PNG encoder: the picture is empty");
  std::vector<std::uint8_t> rgb(image.pixels().size() * 3);
  for (std::size_t i = 0; i < image.pixels().size(); ++i) {
    const std::uint32_t p = image.pixels()[i];
    rgb[i * 3] = display::redOf(p);
    rgb[i * 3 + 1] = display::greenOf(p);
    rgb[i * 3 + 2] = display::blueOf(p);
  }
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width());
  png.height = static_cast<png_uint_32>(image.height());
  png.format = PNG_FORMAT_RGB;
  png.flags = PNG_IMAGE_FLAG_FAST;
  ImageGuard guard{&png};
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&png, nullptr, &size, 0, rgb.data(), 0, nullptr))
    throw std::runtime_error(std::string("PNG encoder: ") + png.message);
  std::string out(size, '\0');
  if (!png_image_write_to_memory(&png, out.data(), &size, 0, rgb.data(), 0, nullptr))
    throw std::runtime_error(std::string("PNG encoder: ") + png.message);
  out.resize(size);
  return out;
}

std::optional<display::Surface> decodePng(std::span<const std::uint8_t> data, std::string* error) {
  if (!looksLikePng(data)) return fail(error, "not a PNG file");
  Source source{data.data(), data.size(), 0, {}, 0, 0, false};
  std::vector<std::uint8_t> rgba;
  std::vector<png_bytep> rows;
  if (!readRgba(source, rgba, rows)) {
    if (source.tooLarge)
      return fail(error, "the PNG picture of " + std::to_string(source.width) + " x " +
                             std::to_string(source.height) + " pixels is larger than the images this program reads");
    return fail(error, std::string("damaged PNG file: ") + source.message);
  }
  display::Surface picture(static_cast<int>(source.width), static_cast<int>(source.height));
  std::uint32_t* out = picture.row(0);
  // Transparency is laid over white, the paper the host draws on.
  auto over = [](unsigned c, unsigned a) { return static_cast<std::uint8_t>((c * a + 255 * (255 - a) + 127) / 255); };
  for (std::size_t i = 0, n = std::size_t{source.width} * source.height; i < n; ++i) {
    const std::uint8_t* p = rgba.data() + i * 4;
    out[i] = p[3] == 255 ? display::rgb(p[0], p[1], p[2]) : display::rgb(over(p[0], p[3]), over(p[1], p[3]), over(p[2], p[3]));
  }
  return picture;
}

}  // namespace rc::sim::converters
