#include "sim/converters/JpegCodec.h"

// jpeglib.h needs size_t and FILE declared first.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

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

}  // namespace

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
