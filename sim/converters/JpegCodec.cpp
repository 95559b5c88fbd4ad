#include "sim/converters/JpegCodec.h"

// jpeglib.h needs size_t and FILE declared first.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace rc::sim::converters {

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not
// return; it jumps back to encodeJpeg's setjmp with the message kept.
struct ErrorJump {
  jpeg_error_mgr mgr;
  std::jmp_buf back;
  char message[JMSG_LENGTH_MAX];
};

void jumpBack(j_common_ptr info) {
  auto* e = reinterpret_cast<ErrorJump*>(info->err);
  (*info->err->format_message)(info, e->message);
  std::longjmp(e->back, 1);
}

// libjpeg's messages while decoding: the warning that the data ends before
// its end marker is a damaged file, as a PNG without its IEND is (libjpeg
// would fill what is missing with grey and answer a picture); other
// warnings pass.
void refuseEarlyEnd(j_common_ptr info, int level) {
  if (level >= 0 || info->err->msg_code != JWRN_JPEG_EOF) return;
  auto* e = reinterpret_cast<ErrorJump*>(info->err);
  std::snprintf(e->message, sizeof e->message, "%s", "the file ends early");
  std::longjmp(e->back, 1);
}

// Compresses `image` into `*buffer` / `*size` (malloc'ed by libjpeg).
// Returns false with the message in `e` on failure. Holds no C++ objects
// with destructors, since a failure leaves it by longjmp.
bool compress(const display::Surface& image, int quality, const std::vector<JSAMPLE>& rgb, unsigned char** buffer,
              unsigned long* size, ErrorJump& e) {
  jpeg_compress_struct c;
  c.err = jpeg_std_error(&e.mgr);
  e.mgr.error_exit = jumpBack;
  if (setjmp(e.back)) {
    jpeg_destroy_compress(&c);
    return false;
  }
  jpeg_create_compress(&c);
  jpeg_mem_dest(&c, buffer, size);
  c.image_width = static_cast<JDIMENSION>(image.width());
  c.image_height = static_cast<JDIMENSION>(image.height());
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  jpeg_start_compress(&c, TRUE);
  const std::size_t stride = static_cast<std::size_t>(image.width()) * 3;
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<JSAMPLE*>(rgb.data() + c.next_scanline * stride);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return true;
}

// Decompresses `data` into `picture`. Returns false with the message in `e`
// (or `tooLarge` set) on failure; like compress, holds no C++ objects with
// destructors across the jump.
bool decompress(std::span<const std::uint8_t> data, display::Surface& picture, std::vector<JSAMPLE>& row,
                bool& tooLarge, ErrorJump& e) {
  jpeg_decompress_struct d;
  d.err = jpeg_std_error(&e.mgr);
  e.mgr.error_exit = jumpBack;
  e.mgr.output_message = [](j_common_ptr) {};
  e.mgr.emit_message = refuseEarlyEnd;
  if (setjmp(e.back)) {
    jpeg_destroy_decompress(&d);
    return false;
  }
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&d, TRUE);
  d.out_color_space = JCS_RGB;
  if (d.image_width == 0 || d.image_height == 0 || d.image_width > static_cast<JDIMENSION>(display::kMaxSurfaceSide) ||
      d.image_height > static_cast<JDIMENSION>(display::kMaxSurfaceSide) ||
      std::uint64_t{d.image_width} * d.image_height > display::kMaxDecodedPixels) {
    tooLarge = true;
    jpeg_destroy_decompress(&d);
    return false;
  }
  jpeg_start_decompress(&d);
  picture.resize(static_cast<int>(d.output_width), static_cast<int>(d.output_height));
  row.resize(std::size_t{d.output_width} * 3);
  while (d.output_scanline < d.output_height) {
    const int y = static_cast<int>(d.output_scanline);
    JSAMPROW out = row.data();
    jpeg_read_scanlines(&d, &out, 1);
    std::uint32_t* target = picture.row(y);
    for (std::size_t x = 0; x < d.output_width; ++x)
      target[x] = display::rgb(row[x * 3], row[x * 3 + 1], row[x * 3 + 2]);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  return true;
}

}  // namespace

bool looksLikeJpeg(std::span<const std::uint8_t> data) {
  return data.size() >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

std::optional<display::Surface> decodeJpeg(std::span<const std::uint8_t> data, std::string* error) {
  display::Surface picture;
  std::vector<JSAMPLE> row;
  bool tooLarge = false;
  ErrorJump e{};
  if (decompress(data, picture, row, tooLarge, e)) return picture;
  if (error)
    *error = tooLarge ? std::string("the JPEG picture is empty or larger than the images this program reads")
                      : std::string("damaged JPEG file: ") + e.message;
  return std::nullopt;
}

std::string encodeJpeg(const display::Surface& image, int quality) {
  if (image.empty()) throw std::runtime_error("JPEG encoder: the picture is empty");
  std::vector<JSAMPLE> rgb(image.pixels().size() * 3);
  for (std::size_t i = 0; i < image.pixels().size(); ++i) {
    const std::uint32_t p = image.pixels()[i];
    rgb[i * 3] = display::redOf(p);
    rgb[i * 3 + 1] = display::greenOf(p);
    rgb[i * 3 + 2] = display::blueOf(p);
  }
  ErrorJump e{};
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  const bool ok = compress(image, std::clamp(quality, 1, 100), rgb, &buffer, &size, e);
  std::string out = ok ? std::string(reinterpret_cast<const char*>(buffer), size) : std::string();
  std::free(buffer);
  if (!ok) throw std::runtime_error(std::string("JPEG encoder: ") + e.message);
  return out;
}

}  // namespace rc::sim::converters
