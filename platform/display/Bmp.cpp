#include "platform/display/Bmp.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string_view>
#include <vector>

#if defined(__x86_64__) && defined(__GNUC__)
#include <cpuid.h>
#include <immintrin.h>
#endif

#include "platform/automation/Error.h"
#include "platform/display/Gdi.h"
#include "platform/display/PixelRuns.h"
#include "platform/os/DefaultInitAllocator.h"
#include "platform/os/Files.h"

namespace rc::display {

namespace {

void put16(std::string& out, std::uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}

void put32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint32_t get32(std::span<const std::uint8_t> d, std::size_t at) {
  return std::uint32_t{d[at]} | std::uint32_t{d[at + 1]} << 8 | std::uint32_t{d[at + 2]} << 16 |
         std::uint32_t{d[at + 3]} << 24;
}

std::uint16_t get16(std::span<const std::uint8_t> d, std::size_t at) {
  return static_cast<std::uint16_t>(d[at] | d[at + 1] << 8);
}

// Writes `n` pixels as B, G, R byte triples, four pixels to three words.
void packRow24(char* to, const std::uint32_t* from, std::uint32_t n) {
  std::uint32_t x = 0;
  for (; x + 4 <= n; x += 4, to += 12) {
    const std::uint32_t p0 = from[x] & 0xFFFFFF, p1 = from[x + 1] & 0xFFFFFF;
    const std::uint32_t p2 = from[x + 2] & 0xFFFFFF, p3 = from[x + 3] & 0xFFFFFF;
    // Three separate word stores: one wider copy of a stack array would
    // read back two fresh stores at once and stall.
    const std::uint32_t w0 = p0 | p1 << 24, w1 = p1 >> 8 | p2 << 16, w2 = p2 >> 16 | p3 << 8;
    std::memcpy(to, &w0, 4);
    std::memcpy(to + 4, &w1, 4);
    std::memcpy(to + 8, &w2, 4);
  }
  for (; x < n; ++x, to += 3) {
    to[0] = static_cast<char>(blueOf(from[x]));
    to[1] = static_cast<char>(greenOf(from[x]));
    to[2] = static_cast<char>(redOf(from[x]));
  }
}

#if defined(__x86_64__) && defined(__GNUC__)
// The first pixels of unpackRow24 four at a time by one byte shuffle, on
// processors that have it; answers how many it unpacked. Each load takes
// sixteen bytes of which twelve are used, so it stops six pixels short of
// the row's end and never reads past the row.
__attribute__((target("ssse3"))) std::int32_t unpackFours(std::uint32_t* to, const std::uint8_t* row,
                                                         std::int32_t n) {
  const __m128i order = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  std::int32_t x = 0;
  for (; x + 6 <= n; x += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + static_cast<std::size_t>(x) * 3));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + x), _mm_shuffle_epi8(v, order));
  }
  return x;
}

// Asked of the processor on first use: __builtin_cpu_supports would link
// libgcc's processor probe, which runs at every start of every program.
bool canShuffleBytes() {
  static const bool able = [] {
    unsigned a = 0, b = 0, c = 0, d = 0;
    return __get_cpuid(1, &a, &b, &c, &d) && (c & bit_SSSE3) != 0;
  }();
  return able;
}
#else
std::int32_t unpackFours(std::uint32_t*, const std::uint8_t*, std::int32_t) { return 0; }
bool canShuffleBytes() { return false; }
#endif

// Reads `n` B, G, R byte triples as pixels; every triple but the last is
// read as one four-byte word (its fourth byte is the next triple's first).
void unpackRow24(std::uint32_t* to, const std::uint8_t* row, std::int32_t n) {
  std::int32_t x = canShuffleBytes() ? unpackFours(to, row, n) : 0;
  row += static_cast<std::size_t>(x) * 3;
  for (; x + 1 < n; ++x, row += 3) {
    std::uint32_t v;
    std::memcpy(&v, row, 4);
    to[x] = v & 0xFFFFFF;
  }
  if (x < n) to[x] = rgb(row[2], row[1], row[0]);
}

}  // namespace

namespace {

// The 54 bytes of headers of a 24-bit bottom-up BMP file of w x h pixels
// whose rows are `stride` bytes.
std::string bmp24Header(std::uint32_t w, std::uint32_t h, std::uint32_t stride) {
  const std::uint32_t dataSize = stride * h;
  std::string out;
  out += "BM";
  put32(out, 54 + dataSize);
  put32(out, 0);
  put32(out, 54);
  put32(out, 40);
  put32(out, w);
  put32(out, h);
  put16(out, 1);
  put16(out, 24);
  put32(out, 0);
  put32(out, dataSize);
  put32(out, 2835);  // 72 dots per inch
  put32(out, 2835);
  put32(out, 0);
  put32(out, 0);
  return out;
}

}  // namespace

std::string encodeBmp24(const Surface& image) {
  const std::uint32_t w = static_cast<std::uint32_t>(image.width());
  const std::uint32_t h = static_cast<std::uint32_t>(image.height());
  const std::uint32_t stride = (w * 3 + 3) / 4 * 4;
  std::string out;
  out.reserve(54 + std::size_t{stride} * h);
  out += bmp24Header(w, h, stride);
  // Each row is packed in a small buffer that stays in the cache and then
  // appended, so the file's bytes are written once and never zeroed first.
  std::vector<char> row(stride, '\0');
  for (std::uint32_t y = 0; y < h; ++y) {
    packRow24(row.data(), image.row(static_cast<int>(h - 1 - y)), w);
    out.append(row.data(), stride);
  }
  return out;
}

void encodeBmp24Blocks(const Surface& image, const std::function<void(std::string_view)>& write) {
  const std::uint32_t w = static_cast<std::uint32_t>(image.width());
  const std::uint32_t h = static_cast<std::uint32_t>(image.height());
  const std::uint32_t stride = (w * 3 + 3) / 4 * 4;
  write(bmp24Header(w, h, stride));
  // Rows are packed into one block that stays in the cache and is handed on
  // when full: the file's bytes are written once, with no buffer of them all.
  constexpr std::size_t kBlockBytes = 256 * 1024;
  const std::uint32_t rowsPerBlock = static_cast<std::uint32_t>(std::max<std::size_t>(1, kBlockBytes / std::max(stride, 1u)));
  std::vector<char> block(std::size_t{stride} * std::min(rowsPerBlock, std::max(h, 1u)));
  for (std::uint32_t y = 0; y < h;) {
    const std::uint32_t rows = std::min(rowsPerBlock, h - y);
    for (std::uint32_t k = 0; k < rows; ++k, ++y) {
      char* row = block.data() + std::size_t{stride} * k;
      packRow24(row, image.row(static_cast<int>(h - 1 - y)), w);
      std::fill(row + std::size_t{w} * 3, row + stride, '\0');
    }
    write(std::string_view(block.data(), std::size_t{stride} * rows));
  }
}

namespace {

// What the headers of a BMP file say, checked against the file.
struct BmpLayout {
  std::int32_t width = 0;
  std::int64_t height = 0;
  bool bottomUp = true;
  int bitsPixel = 0;
  std::uint64_t stride = 0;
  std::uint64_t pixelsAt = 0;
  std::uint64_t paletteAt = 0;
  std::uint32_t paletteSize = 0;  // entries, indexed images only
};

// The layout of a BMP file of `total` bytes that starts with `d` (the
// whole file, or at least its first kBmpHead bytes), or the reason it is
// refused. Allocates nothing.
std::optional<BmpLayout> bmpLayout(std::span<const std::uint8_t> d, std::uint64_t total, std::string* error) {
  auto refuse = [error](const char* why) -> std::optional<BmpLayout> {
    if (error) *error = why;
    return std::nullopt;
  };
  if (total < 54) return refuse("BMP header is too short");
  if (d[0] != 'B' || d[1] != 'M') return refuse("not a BMP file");
  const std::uint32_t fileSize = get32(d, 2);
  if (fileSize > total) return refuse("BMP file is truncated");
  if (fileSize != 0 && fileSize != total) return refuse("BMP file size does not match the file");
  const std::uint32_t headerSize = get32(d, 14);
  if (headerSize < 40 || headerSize > total - 14) return refuse("unsupported BMP header");
  BmpLayout l;
  l.width = static_cast<std::int32_t>(get32(d, 18));
  const std::int32_t rawHeight = static_cast<std::int32_t>(get32(d, 22));
  l.bitsPixel = get16(d, 28);
  const std::uint32_t compression = get32(d, 30);
  const std::uint32_t colours = get32(d, 46);
  if (get16(d, 26) != 1) return refuse("BMP file with more than one plane");
  if (l.bitsPixel != 1 && l.bitsPixel != 4 && l.bitsPixel != 8 && l.bitsPixel != 24 && l.bitsPixel != 32)
    return refuse("unsupported BMP bit depth");
  std::uint64_t tableAt = 14 + std::uint64_t{headerSize};
  if (compression == 3 && l.bitsPixel == 32) {
    // Bit fields: only the masks of the plain 32-bit layout (R, G, B in bytes 2, 1, 0).
    // The three masks follow the first 40 bytes of the header, inside a
    // longer header or after a 40-byte one.
    if (headerSize == 40) tableAt += 12;
    if (total < 66 || tableAt > total || get32(d, 54) != 0x00FF0000 || get32(d, 58) != 0x0000FF00 || get32(d, 62) != 0x000000FF)
      return refuse("unsupported BMP bit fields");
  } else if (compression != 0) {
    return refuse("compressed BMP files are not supported");
  }
  if (l.width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN) return refuse("BMP file with no pixels");
  l.height = rawHeight < 0 ? -std::int64_t{rawHeight} : rawHeight;
  l.bottomUp = rawHeight > 0;
  if (!decodedSizeAllowed(l.width, l.height)) {
    if (error) *error = tooLargeText("the BMP image", l.width, l.height);
    return std::nullopt;
  }
  if (l.bitsPixel <= 8) {
    const std::uint32_t most = 1u << l.bitsPixel;
    l.paletteSize = colours == 0 ? most : colours;
    if (l.paletteSize > most) return refuse("BMP colour table is too long");
    l.paletteAt = tableAt;
    if (tableAt + std::uint64_t{l.paletteSize} * 4 > total) return refuse("BMP file is truncated");
  }
  l.stride = (static_cast<std::uint64_t>(l.width) * l.bitsPixel + 31) / 32 * 4;
  l.pixelsAt = get32(d, 10);
  if (l.pixelsAt > total || l.stride * static_cast<std::uint64_t>(l.height) > total - l.pixelsAt)
    return refuse("BMP file is truncated");
  return l;
}

// The colours of an indexed picture's table, read from `entries` (B, G, R
// and a byte unused each); black past the table's end.
struct PaletteColours {
  std::uint32_t colour[256] = {};
};

// Pixel x of an indexed row: the colour its bits name.
std::uint32_t indexedPixel(const PaletteColours& palette, const BmpLayout& l, const std::uint8_t* row,
                           std::int32_t x) {
  const std::uint64_t bit = static_cast<std::uint64_t>(x) * l.bitsPixel;
  const std::uint8_t byte = row[bit / 8];
  const unsigned shift = 8 - l.bitsPixel - static_cast<unsigned>(bit % 8);
  return palette.colour[(byte >> shift) & ((1u << l.bitsPixel) - 1)];
}

// File row `row` of `l` as pixels into `to`.
void unpackRow(const BmpLayout& l, const PaletteColours& palette, const std::uint8_t* row, std::uint32_t* to) {
  if (l.bitsPixel <= 8) {
    for (std::int32_t x = 0; x < l.width; ++x) to[x] = indexedPixel(palette, l, row, x);
  } else if (l.bitsPixel == 24) {
    unpackRow24(to, row, l.width);
  } else {
    copyColours(to, row, static_cast<std::size_t>(l.width));
  }
}

// Decodes the rows of `l` into a new surface; `rows(first, count)` gives
// the bytes of `count` file rows from row `first` on (in file order), or
// nullptr when the file ends before them.
template <typename RowSource>
std::optional<Surface> decodeRows(const BmpLayout& l, const PaletteColours& palette, std::int64_t block,
                                  RowSource&& rows, std::string* error) {
  // Every pixel is written below, so the surface is not cleared first.
  Surface s = Surface::unfilled(l.width, static_cast<int>(l.height));
  for (std::int64_t first = 0; first < l.height; first += block) {
    const std::int64_t count = std::min(block, l.height - first);
    const std::uint8_t* data = rows(first, count);
    if (!data) {
      if (error) *error = "BMP file is truncated";
      return std::nullopt;
    }
    for (std::int64_t r = first; r < first + count; ++r)
      unpackRow(l, palette, data + static_cast<std::uint64_t>(r - first) * l.stride,
                s.row(static_cast<int>(l.bottomUp ? l.height - 1 - r : r)));
  }
  return s;
}

// The colour table of `l` from its bytes `entries` (l.paletteSize * 4 of them).
PaletteColours paletteOf(const BmpLayout& l, const std::uint8_t* entries) {
  PaletteColours p;
  for (std::uint32_t i = 0; i < l.paletteSize; ++i)
    p.colour[i] = rgb(entries[i * 4 + 2], entries[i * 4 + 1], entries[i * 4]);
  return p;
}

}  // namespace

bool decodedSizeAllowed(std::int64_t width, std::int64_t height) {
  return width > 0 && height > 0 && width <= kMaxSurfaceSide && height <= kMaxSurfaceSide &&
         static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) <= kMaxDecodedPixels;
}

std::string tooLargeText(std::string_view what, std::int64_t width, std::int64_t height) {
  return std::string(what) + " is " + std::to_string(width) + " x " + std::to_string(height) +
         " pixels, more than the limit of " + std::to_string(kMaxDecodedPixels) + " pixels (2^27) or " +
         std::to_string(kMaxSurfaceSide) + " on a side";
}

bool bmpSizeAllowed(std::span<const std::uint8_t> header, std::string* error) {
  if (header.size() < 26 || header[0] != 'B' || header[1] != 'M') return true;  // decodeBmp tells what is wrong
  const std::int64_t width = static_cast<std::int32_t>(get32(header, 18));
  const std::int32_t rawHeight = static_cast<std::int32_t>(get32(header, 22));
  const std::int64_t height = rawHeight < 0 ? -std::int64_t{rawHeight} : rawHeight;
  if (width <= 0 || height == 0 || decodedSizeAllowed(width, height)) return true;
  if (error) *error = tooLargeText("the BMP image", width, height);
  return false;
}

bool bmpReadable(std::span<const std::uint8_t> data, std::string* error) {
  return bmpLayout(data, data.size(), error).has_value();
}

std::optional<Surface> decodeBmp(std::span<const std::uint8_t> d, std::string* error) {
  std::optional<BmpLayout> l = bmpLayout(d, d.size(), error);
  if (!l) return std::nullopt;
  const PaletteColours palette = l->paletteSize ? paletteOf(*l, d.data() + l->paletteAt) : PaletteColours();
  return decodeRows(*l, palette, l->height, [&](std::int64_t first, std::int64_t) {
    return d.data() + l->pixelsAt + static_cast<std::uint64_t>(first) * l->stride;
  }, error);
}

std::optional<Surface> decodeBmp(std::span<const std::uint8_t> head, std::uint64_t total, const ReadAt& readAt,
                                 std::string* error) {
  if (head.size() < std::min<std::uint64_t>(total, kBmpHead)) {
    if (error) *error = "BMP file is truncated";
    return std::nullopt;
  }
  std::optional<BmpLayout> l = bmpLayout(head, total, error);
  if (!l) return std::nullopt;
  auto read = [&](std::uint64_t at, std::span<std::uint8_t> out) { return readAt(at, out) == out.size(); };
  std::uint8_t entries[256 * 4];
  if (l->paletteSize && !read(l->paletteAt, std::span(entries, l->paletteSize * 4))) {
    if (error) *error = "BMP file is truncated";
    return std::nullopt;
  }
  const PaletteColours palette = l->paletteSize ? paletteOf(*l, entries) : PaletteColours();
  // Rows come in blocks of about 128 KiB read into one buffer that stays in
  // the cache: the file's bytes are never held whole.
  const std::int64_t block = std::clamp<std::int64_t>((std::int64_t{128} << 10) / static_cast<std::int64_t>(l->stride), 1, l->height);
  std::vector<std::uint8_t, platform::DefaultInitAllocator<std::uint8_t>> buffer(static_cast<std::size_t>(block) * l->stride);
  return decodeRows(*l, palette, block, [&](std::int64_t first, std::int64_t count) -> const std::uint8_t* {
    const std::span<std::uint8_t> out(buffer.data(), static_cast<std::size_t>(count) * l->stride);
    return read(l->pixelsAt + static_cast<std::uint64_t>(first) * l->stride, out) ? buffer.data() : nullptr;
  }, error);
}

struct BmpRowReader::State {
  BmpLayout layout;
  PaletteColours palette;
  ReadAt readAt;
  std::int64_t next = 0;  // the next row to read, 0 at the top
  std::vector<std::uint8_t, platform::DefaultInitAllocator<std::uint8_t>> buffer;
};

BmpRowReader::BmpRowReader(std::unique_ptr<State> state) : state_(std::move(state)) {}
BmpRowReader::BmpRowReader(BmpRowReader&&) noexcept = default;
BmpRowReader& BmpRowReader::operator=(BmpRowReader&&) noexcept = default;
BmpRowReader::~BmpRowReader() = default;

std::optional<BmpRowReader> BmpRowReader::open(std::span<const std::uint8_t> head, std::uint64_t total, ReadAt readAt) {
  if (head.size() < std::min<std::uint64_t>(total, kBmpHead)) return std::nullopt;
  std::optional<BmpLayout> l = bmpLayout(head, total, nullptr);
  if (!l) return std::nullopt;
  auto state = std::make_unique<State>();
  state->layout = *l;
  std::uint8_t entries[256 * 4];
  const std::size_t tableBytes = std::size_t{l->paletteSize} * 4;
  if (l->paletteSize) {
    if (readAt(l->paletteAt, std::span(entries, tableBytes)) != tableBytes) return std::nullopt;
    state->palette = paletteOf(*l, entries);
  }
  state->readAt = std::move(readAt);
  return BmpRowReader(std::move(state));
}

int BmpRowReader::width() const { return state_->layout.width; }
int BmpRowReader::height() const { return static_cast<int>(state_->layout.height); }

bool BmpRowReader::read(std::uint32_t* to, int count) {
  State& s = *state_;
  const BmpLayout& l = s.layout;
  if (count <= 0 || count > l.height - s.next) return count == 0;
  // The block's rows lie together in the file, in reverse for a bottom-up one.
  const std::int64_t firstInFile = l.bottomUp ? l.height - s.next - count : s.next;
  const std::size_t bytes = static_cast<std::size_t>(count) * l.stride;
  if (s.buffer.size() < bytes) s.buffer.resize(bytes);
  if (s.readAt(l.pixelsAt + static_cast<std::uint64_t>(firstInFile) * l.stride, std::span(s.buffer.data(), bytes)) != bytes)
    return false;
  for (int r = 0; r < count; ++r) {
    const std::int64_t inBlock = l.bottomUp ? count - 1 - r : r;
    unpackRow(l, s.palette, s.buffer.data() + static_cast<std::uint64_t>(inBlock) * l.stride,
              to + static_cast<std::size_t>(r) * static_cast<std::size_t>(l.width));
  }
  s.next += count;
  return true;
}

Handle loadImage(std::string_view path) {
  try {
    const std::int64_t length = platform::fileLength(path);
    if (length < 0 || length > kMaxBmpFileBytes) return 0;
    const std::string data = platform::readFile(path);
    auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
    std::optional<Surface> image = decodeBmp(bytes);
    return image ? createBitmap(std::move(*image)) : 0;
  } catch (const automation::AutomationError&) {
    return 0;
  }
}

}  // namespace rc::display
