#include "sim/converters/PngCodec.h"

#include <png.h>
#include <zlib.h>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include <cstdio>
#include <cstdint>
#include <algorithm>
#include <cstring>
#include <memory>
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
  // 3 or 4 when the rows come as libpng stores them, 8-bit R, G, B (and
  // A), for the reader to turn into pixels itself; 0 when libpng turns
  // them into B, G, R, A.
  int rawChannels;
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
#ifdef PNG_IGNORE_ADLER32
  // The stream's own checksum is left unchecked, a pass over every inflated
  // byte saved: each chunk's CRC still covers all its bytes, so a damaged
  // file is still refused.
  png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
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
  const int colourType = png_get_color_type(png, info);
  if (png_get_bit_depth(png, info) == 8 && png_get_interlace_type(png, info) == PNG_INTERLACE_NONE &&
      !png_get_valid(png, info, PNG_INFO_tRNS) &&
      (colourType == PNG_COLOR_TYPE_RGB || colourType == PNG_COLOR_TYPE_RGB_ALPHA)) {
    // The common layouts are turned into pixels here, in one pass.
    source.rawChannels = colourType == PNG_COLOR_TYPE_RGB ? 3 : 4;
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != std::size_t{source.width} * source.rawChannels)
      png_error(png, "unexpected row layout");
    return true;
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

#if defined(__x86_64__) && defined(__GNUC__)
// The first pixels of a row of R, G, B (or R, G, B, A) bytes as B, G, R, 0
// (or B, G, R, A), four at a time by one byte shuffle; answers how many.
// Each load takes sixteen bytes, so it stops where a load would pass the
// row's end.
__attribute__((target("ssse3"))) std::size_t swapFours(std::uint32_t* to, const std::uint8_t* row, std::size_t n,
                                                       int channels) {
  const __m128i order = channels == 3 ? _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1)
                                      : _mm_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
  std::size_t x = 0;
  for (; x * channels + 16 <= n * channels; x += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x * channels));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + x), _mm_shuffle_epi8(v, order));
  }
  return x;
}

bool canShuffleBytes() {
  static const bool able = __builtin_cpu_supports("ssse3");
  return able;
}
#else
std::size_t swapFours(std::uint32_t*, const std::uint8_t*, std::size_t, int) { return 0; }
bool canShuffleBytes() { return false; }
#endif

// A row of `n` pixels stored as 8-bit R, G, B (`channels` 3) or R, G, B, A
// (4) as B, G, R, A pixels (B, G, R, 0 without alpha).
void swapRow(std::uint32_t* to, const std::uint8_t* row, std::size_t n, int channels) {
  std::size_t x = canShuffleBytes() ? swapFours(to, row, n, channels) : 0;
  for (; x < n; ++x) {
    const std::uint8_t* p = row + x * channels;
    to[x] = std::uint32_t{channels == 4 ? p[3] : 0u} << 24 | display::rgb(p[0], p[1], p[2]);
  }
}

// Reads the rows begun by beginRead into `picture` (of the picture's size),
// each laid over white as it comes; then destroys `png` and `info`. False
// with the message in `source` on failure. No C++ objects with
// destructors, as in beginRead; `rows` and `stored` (a row as the file
// stores it, for rawChannels) belong to the caller.
bool readRows(Source& source, png_structp png, png_infop info, int passes, display::Surface& picture,
              std::vector<png_bytep>& rows, std::vector<std::uint8_t>& stored) {
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  const std::size_t width = source.width;
  if (source.rawChannels != 0) {
    for (png_uint_32 y = 0; y < source.height; ++y) {
      std::uint32_t* row = picture.row(static_cast<int>(y));
      png_read_row(png, stored.data(), nullptr);
      swapRow(row, stored.data(), width, source.rawChannels);
      if (source.rawChannels == 4) overWhite(row, width);
    }
  } else if (passes == 1) {
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

#if defined(__x86_64__) && defined(__GNUC__)
// The first pixels of packRgb four at a time by one byte shuffle; answers
// how many. Each store writes sixteen bytes of which twelve are kept, so
// `to` has room for four bytes past the row.
__attribute__((target("ssse3"))) std::size_t packFours(std::uint8_t* to, const std::uint32_t* from, std::size_t n) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
  std::size_t x = 0;
  for (; x + 4 <= n; x += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + x));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + x * 3), _mm_shuffle_epi8(v, order));
  }
  return x;
}
#else
std::size_t packFours(std::uint8_t*, const std::uint32_t*, std::size_t) { return 0; }
#endif

// Writes `n` pixels as R, G, B byte triples (the file's order); `to` has
// room for four bytes more.
void packRgb(std::uint8_t* to, const std::uint32_t* from, std::size_t n) {
  std::size_t x = canShuffleBytes() ? packFours(to, from, n) : 0;
  for (; x < n; ++x) {
    to[x * 3] = display::redOf(from[x]);
    to[x * 3 + 1] = display::greenOf(from[x]);
    to[x * 3 + 2] = display::blueOf(from[x]);
  }
}

// Starts an 8-bit RGB PNG file of width x height into `sink`: each row as
// its difference from the one above, deflated by run length: drawings and
// difference images are mostly rows like their neighbours, which this keeps
// small at a fraction of the usual time. False with the message in `sink`
// on failure, when `png` and `info` are already destroyed. Like readRows,
// it holds no C++ objects with destructors.
bool beginWrite(Sink& sink, png_uint_32 width, png_uint_32 height, png_structp& png, png_infop& info) {
  png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &sink, keepWriteMessage, ignoreWarning);
  if (!png) return false;
  info = png_create_info_struct(png);
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
  return true;
}

// Writes `count` rows of `width` pixels from `from` (top first), each handed
// to libpng already in the file's byte order, packed into `packed` (three
// bytes a pixel and four more), so libpng only filters and deflates it; with
// `last`, ends the file. False with the message in the sink on failure.
bool writeRows(png_structp png, const std::uint32_t* from, std::size_t width, int count,
               std::uint8_t* packed, bool last) {
  if (setjmp(png_jmpbuf(png))) return false;
  for (int y = 0; y < count; ++y) {
    packRgb(packed, from + static_cast<std::size_t>(y) * width, width);
    png_write_row(png, packed);
  }
  if (last) png_write_end(png, nullptr);
  return true;
}

// writeRows of rows already packed, R, G, B (`rowBytes` apart).
bool writePackedRows(png_structp png, const std::uint8_t* from, std::size_t rowBytes, int count, bool last) {
  if (setjmp(png_jmpbuf(png))) return false;
  for (int y = 0; y < count; ++y) png_write_row(png, from + static_cast<std::size_t>(y) * rowBytes);
  if (last) png_write_end(png, nullptr);
  return true;
}

}  // namespace

bool looksLikePng(std::span<const std::uint8_t> data) {
  return data.size() >= sizeof kSignature && std::memcmp(data.data(), kSignature, sizeof kSignature) == 0;
}

struct PngRowWriter::State {
  Sink sink{nullptr, {}};
  std::string out;
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::vector<std::uint8_t> packed;
  int width = 0, height = 0, written = 0;
  ~State() {
    if (png) png_destroy_write_struct(&png, &info);
  }
};

PngRowWriter::PngRowWriter(int width, int height) : state_(std::make_unique<State>()) {
  if (width <= 0 || height <= 0) throw std::runtime_error("PNG encoder: the picture is empty");
  State& s = *state_;
  s.sink.out = &s.out;
  s.width = width;
  s.height = height;
  s.packed.resize(static_cast<std::size_t>(width) * 3 + 4);
  if (!beginWrite(s.sink, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), s.png, s.info))
    throw std::runtime_error(std::string("PNG encoder: ") + s.sink.message);
}

PngRowWriter::~PngRowWriter() = default;

void PngRowWriter::write(const std::uint32_t* rows, int count) {
  State& s = *state_;
  if (count < 0 || count > s.height - s.written) throw std::runtime_error("PNG encoder: more rows than the picture has");
  s.written += count;
  if (!writeRows(s.png, rows, static_cast<std::size_t>(s.width), count, s.packed.data(), s.written == s.height))
    throw std::runtime_error(std::string("PNG encoder: ") + s.sink.message);
}

void PngRowWriter::writePacked(const std::uint8_t* rows, int count) {
  State& s = *state_;
  if (count < 0 || count > s.height - s.written) throw std::runtime_error("PNG encoder: more rows than the picture has");
  s.written += count;
  if (!writePackedRows(s.png, rows, static_cast<std::size_t>(s.width) * 3, count, s.written == s.height))
    throw std::runtime_error(std::string("PNG encoder: ") + s.sink.message);
}

std::string PngRowWriter::finish() {
  if (state_->written != state_->height) throw std::runtime_error("PNG encoder: the picture is not complete");
  return std::move(state_->out);
}

namespace {

constexpr std::size_t kIdatBytes = 8192;  // libpng's compression buffer: one IDAT chunk each time it fills

void putBig32(std::string& out, std::uint32_t v) {
  for (int i = 3; i >= 0; --i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A chunk of `type` holding `data`, with its length and CRC.
void putChunk(std::string& out, const char* type, const char* data, std::size_t size) {
  putBig32(out, static_cast<std::uint32_t>(size));
  const std::size_t at = out.size();
  out.append(type, 4);
  out.append(data, size);
  putBig32(out, static_cast<std::uint32_t>(
                    crc32(0, reinterpret_cast<const Bytef*>(out.data() + at), static_cast<uInt>(size + 4))));
}

}  // namespace

// to[i] = row[i] - above[i] for `n` bytes, modulo 256.
void subtractRow(std::uint8_t* to, const std::uint8_t* row, const std::uint8_t* above, std::size_t n) {
  std::size_t i = 0;
#if defined(__SSE2__)
  for (; i + 16 <= n; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(above + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), _mm_sub_epi8(a, b));
  }
#endif
  for (; i < n; ++i) to[i] = static_cast<std::uint8_t>(row[i] - above[i]);
}

#if defined(__x86_64__) && defined(__GNUC__)
// adler32 of `n` bytes after `adler`, 32 bytes a step (zlib's value). Over
// a block of N bytes from sums a0, b0: a gains the bytes, b gains N * a0
// and each byte times its distance from the block's end; per step that is
// the step's bytes weighted 32 down to 1, plus 32 for each later step.
__attribute__((target("ssse3"))) uLong adlerBlocks(uLong adler, const std::uint8_t* p, std::size_t n) {
  constexpr std::uint64_t kBase = 65521;
  std::uint64_t a = adler & 0xFFFF, b = (adler >> 16) & 0xFFFF;
  const __m128i weightsHigh = _mm_setr_epi8(32, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17);
  const __m128i weightsLow = _mm_setr_epi8(16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1);
  const __m128i ones = _mm_set1_epi16(1);
  const __m128i zero = _mm_setzero_si128();
  auto total = [](__m128i v) {
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, 0x4E));
    v = _mm_add_epi32(v, _mm_shuffle_epi32(v, 0xB1));
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_cvtsi128_si32(v)));
  };
  while (n >= 32) {
    // Blocks short enough that no 32-bit lane overflows.
    const std::size_t steps = std::min<std::size_t>(n / 32, 173);
    n -= steps * 32;
    __m128i bytes = zero, weighted = zero, earlier = zero;
    for (std::size_t k = 0; k < steps; ++k, p += 32) {
      const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
      earlier = _mm_add_epi32(earlier, bytes);
      bytes = _mm_add_epi32(bytes, _mm_add_epi32(_mm_sad_epu8(high, zero), _mm_sad_epu8(low, zero)));
      weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_maddubs_epi16(high, weightsHigh), ones));
      weighted = _mm_add_epi32(weighted, _mm_madd_epi16(_mm_maddubs_epi16(low, weightsLow), ones));
    }
    b = (b + steps * 32 * a + total(weighted) + 32 * total(earlier)) % kBase;
    a = (a + total(bytes)) % kBase;
  }
  const uLong sums = static_cast<uLong>(a | (b << 16));
  return n ? adler32(sums, p, static_cast<uInt>(n)) : sums;
}
#endif

// The adler32 checksum of `n` more bytes at `p` after `adler`.
uLong adler32Of(uLong adler, const std::uint8_t* p, std::size_t n) {
#if defined(__x86_64__) && defined(__GNUC__)
  if (canShuffleBytes()) return adlerBlocks(adler, p, n);
#endif
  return adler32(adler, p, static_cast<uInt>(n));
}

struct PngSplitWriter::State {
  int width = 0, height = 0;
  std::size_t rowBytes = 0;  // packed: width * 3
  // libpng's own writer, for the pictures whose files it writes otherwise
  // than this writer (see PngSplitWriter).
  std::optional<PngRowWriter> libpng;
  // This writer's: the row above, the stream's checksum, the deflater.
  std::vector<std::uint8_t> above, packed;
  uLong adler = 1;
  z_stream zs{};
  bool deflating = false;
  std::string stream;  // the zlib stream: header, deflated rows, checksum
  int filtered = 0, written = 0;
  ~State() {
    if (deflating) deflateEnd(&zs);
  }
};

PngSplitWriter::PngSplitWriter(int width, int height) : state_(std::make_unique<State>()) {
  if (width <= 0 || height <= 0) throw std::runtime_error("PNG encoder: the picture is empty");
  State& s = *state_;
  s.width = width;
  s.height = height;
  s.rowBytes = static_cast<std::size_t>(width) * 3;
  s.packed.resize(s.rowBytes + 4);
  // libpng narrows the window and rewrites the stream's header for image
  // data of 16 KiB or less, and filters a single row otherwise: those
  // files are left to it.
  if ((s.rowBytes + 1) * static_cast<std::size_t>(height) <= 16384 || height == 1) {
    s.libpng.emplace(width, height);
    return;
  }
  s.above.assign(s.rowBytes + 4, 0);  // the two swap places after each row: both have packRgb's room
  // libpng's settings for these files: level 1, run-length matches, a
  // 32 KiB window and memory level 8; written raw here, with the zlib
  // header those give and the checksum taken beside the deflater.
  if (deflateInit2(&s.zs, 1, Z_DEFLATED, -15, 8, Z_RLE) != Z_OK) throw std::runtime_error("PNG encoder: out of memory");
  s.deflating = true;
  s.stream = std::string("\x78\x01", 2);
}

PngSplitWriter::~PngSplitWriter() = default;

std::size_t PngSplitWriter::preparedRowBytes() const {
  return state_->libpng ? state_->rowBytes : state_->rowBytes + 1;
}

void PngSplitWriter::prepare(const std::uint32_t* rows, int count, std::uint8_t* out) {
  State& s = *state_;
  if (count < 0 || count > s.height - s.filtered) throw std::runtime_error("PNG encoder: more rows than the picture has");
  s.filtered += count;
  for (int y = 0; y < count; ++y) {
    const std::uint32_t* from = rows + static_cast<std::size_t>(y) * static_cast<std::size_t>(s.width);
    if (s.libpng) {
      packRgb(s.packed.data(), from, static_cast<std::size_t>(s.width));
      std::copy_n(s.packed.data(), s.rowBytes, out + static_cast<std::size_t>(y) * s.rowBytes);
      continue;
    }
    // Filter type 2 (up): each byte less the one above it; the first row
    // against zeros, as libpng does.
    std::uint8_t* row = out + static_cast<std::size_t>(y) * (s.rowBytes + 1);
    packRgb(s.packed.data(), from, static_cast<std::size_t>(s.width));
    row[0] = 2;
    subtractRow(row + 1, s.packed.data(), s.above.data(), s.rowBytes);
    std::swap(s.packed, s.above);
    s.adler = adler32Of(s.adler, row, s.rowBytes + 1);
  }
}

void PngSplitWriter::write(const std::uint8_t* prepared, int count) {
  State& s = *state_;
  if (count < 0 || count > s.filtered - s.written) throw std::runtime_error("PNG encoder: rows written before they are prepared");
  if (s.libpng) {
    s.libpng->writePacked(prepared, count);
    s.written += count;
    return;
  }
  // Row by row, as libpng hands them to the deflater.
  for (int y = 0; y < count; ++y) {
    s.zs.next_in = const_cast<Bytef*>(prepared + static_cast<std::size_t>(y) * (s.rowBytes + 1));
    s.zs.avail_in = static_cast<uInt>(s.rowBytes + 1);
    while (s.zs.avail_in > 0) {
      char buffer[16384];
      s.zs.next_out = reinterpret_cast<Bytef*>(buffer);
      s.zs.avail_out = sizeof buffer;
      if (deflate(&s.zs, Z_NO_FLUSH) != Z_OK) throw std::runtime_error("PNG encoder: deflate failed");
      s.stream.append(buffer, sizeof buffer - s.zs.avail_out);
    }
  }
  s.written += count;
}

std::string PngSplitWriter::finish() {
  State& s = *state_;
  if (s.written != s.height) throw std::runtime_error("PNG encoder: the picture is not complete");
  if (s.libpng) return s.libpng->finish();
  for (int ret = Z_OK; ret != Z_STREAM_END;) {
    char buffer[16384];
    s.zs.next_in = nullptr;
    s.zs.avail_in = 0;
    s.zs.next_out = reinterpret_cast<Bytef*>(buffer);
    s.zs.avail_out = sizeof buffer;
    ret = deflate(&s.zs, Z_FINISH);
    if (ret != Z_OK && ret != Z_STREAM_END) throw std::runtime_error("PNG encoder: deflate failed");
    s.stream.append(buffer, sizeof buffer - s.zs.avail_out);
  }
  putBig32(s.stream, static_cast<std::uint32_t>(s.adler));
  // The signature, IHDR, the stream in IDAT chunks as libpng cuts it (a
  // chunk each time its 8 KiB buffer fills, then the rest), IEND.
  std::string out(reinterpret_cast<const char*>(kSignature), sizeof kSignature);
  std::string header;
  putBig32(header, static_cast<std::uint32_t>(s.width));
  putBig32(header, static_cast<std::uint32_t>(s.height));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, adaptive filters, not interlaced
  out.reserve(s.stream.size() + s.stream.size() / kIdatBytes * 12 + 64);
  putChunk(out, "IHDR", header.data(), header.size());
  for (std::size_t at = 0; at < s.stream.size(); at += kIdatBytes)
    putChunk(out, "IDAT", s.stream.data() + at, std::min(kIdatBytes, s.stream.size() - at));
  putChunk(out, "IEND", nullptr, 0);
  return out;
}

std::string encodePng(const display::Surface& image) {
  if (image.empty()) throw std::runtime_error("PNG encoder: the picture is empty");
  PngRowWriter writer(image.width(), image.height());
  writer.write(image.row(0), image.height());
  return writer.finish();
}

struct PngRowReader::State {
  Source source{nullptr, 0, 0, {}, 0, 0, false, 0};
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::vector<std::uint8_t> stored;
  int next = 0;
  bool failed = false;
  ~State() {
    if (png) png_destroy_read_struct(&png, &info, nullptr);
  }
};

namespace {

// Reads `count` rows of a raw layout into `to`, and after the last ends
// the file as decodePng does (its remaining chunks read and checked).
// False on failure; no C++ objects with destructors, as in readRows.
bool readRawRows(Source& source, png_structp png, std::uint32_t* to, int count, std::uint8_t* stored,
                 bool last) {
  if (setjmp(png_jmpbuf(png))) return false;
  for (int y = 0; y < count; ++y) {
    std::uint32_t* row = to + static_cast<std::size_t>(y) * source.width;
    png_read_row(png, stored, nullptr);
    swapRow(row, stored, source.width, source.rawChannels);
    if (source.rawChannels == 4) overWhite(row, source.width);
  }
  if (last) png_read_end(png, nullptr);
  return true;
}

}  // namespace

PngRowReader::PngRowReader(std::unique_ptr<State> state) : state_(std::move(state)) {}
PngRowReader::PngRowReader(PngRowReader&&) noexcept = default;
PngRowReader& PngRowReader::operator=(PngRowReader&&) noexcept = default;
PngRowReader::~PngRowReader() = default;

std::optional<PngRowReader> PngRowReader::open(std::span<const std::uint8_t> data) {
  if (!looksLikePng(data)) return std::nullopt;
  auto state = std::make_unique<State>();
  State& s = *state;
  s.source.data = data.data();
  s.source.size = data.size();
  int passes = 1;
  if (!beginRead(s.source, s.png, s.info, passes)) {
    s.png = nullptr;  // destroyed by beginRead
    return std::nullopt;
  }
  if (s.source.rawChannels == 0) return std::nullopt;
  s.stored.resize(std::size_t{s.source.width} * s.source.rawChannels);
  return PngRowReader(std::move(state));
}

int PngRowReader::width() const { return static_cast<int>(state_->source.width); }
int PngRowReader::height() const { return static_cast<int>(state_->source.height); }

bool PngRowReader::read(std::uint32_t* to, int count) {
  State& s = *state_;
  if (s.failed || count < 0 || count > height() - s.next) return false;
  s.next += count;
  if (!readRawRows(s.source, s.png, to, count, s.stored.data(), s.next == height())) s.failed = true;
  return !s.failed;
}

std::optional<display::Surface> decodePng(std::span<const std::uint8_t> data, std::string* error) {
  if (!looksLikePng(data)) return fail(error, "not a PNG file");
  Source source{data.data(), data.size(), 0, {}, 0, 0, false, 0};
  png_structp png = nullptr;
  png_infop info = nullptr;
  int passes = 1;
  bool read = beginRead(source, png, info, passes);
  display::Surface picture;
  if (read) {
    // The rows are read straight into the picture. Should making it fail,
    // the reader is closed before the failure goes on.
    std::vector<png_bytep> rows;
    std::vector<std::uint8_t> stored;
    try {
      // Every row is read in whole, so the picture is not cleared first.
      picture = display::Surface::unfilled(static_cast<int>(source.width), static_cast<int>(source.height));
      if (passes != 1) rows.resize(source.height);
      if (source.rawChannels != 0) stored.resize(std::size_t{source.width} * source.rawChannels);
    } catch (...) {
      png_destroy_read_struct(&png, &info, nullptr);
      throw;
    }
    read = readRows(source, png, info, passes, picture, rows, stored);
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
