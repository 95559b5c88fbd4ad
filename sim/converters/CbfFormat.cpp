#include "sim/converters/CbfFormat.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>

namespace rc::sim::converters {

namespace {

constexpr std::string_view kMagic = "CBF1";
constexpr std::size_t kHeaderBytes = 8;
// Deflate level: level 1 keeps packing a full-screen capture quick, and
// captures (large plain areas) pack almost as small as at higher levels.
constexpr int kLevel = 1;
// The input and output chunk sizes zlib is handed at a time (its counters are 32-bit).
constexpr std::size_t kChunk = std::size_t{1} << 30;

void put32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace

std::string packCbf(std::string_view bmp) {
  if (bmp.size() > kMaxCbfPayload) throw std::length_error("BMP file too large to pack");
  std::string out(kMagic);
  put32(out, static_cast<std::uint32_t>(bmp.size()));
  z_stream z{};
  if (deflateInit(&z, kLevel) != Z_OK) throw std::runtime_error("zlib could not start");
  const uLong bound = deflateBound(&z, static_cast<uLong>(bmp.size()));
  out.resize(kHeaderBytes + bound);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bmp.data()));
  z.avail_in = static_cast<uInt>(bmp.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data() + kHeaderBytes);
  z.avail_out = static_cast<uInt>(bound);
  const int rc = deflate(&z, Z_FINISH);
  const uLong written = z.total_out;
  deflateEnd(&z);
  if (rc != Z_STREAM_END) throw std::runtime_error("zlib could not pack the file");
  out.resize(kHeaderBytes + written);
  return out;
}

std::string unpackCbfStart(std::span<const std::uint8_t> cbf, std::size_t count) {
  if (cbf.size() <= kHeaderBytes || !std::equal(kMagic.begin(), kMagic.end(), cbf.begin())) return "";
  std::string out(std::min<std::size_t>(count, kChunk), '\0');
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return "";
  z.next_in = const_cast<Bytef*>(cbf.data() + kHeaderBytes);
  z.avail_in = static_cast<uInt>(std::min(cbf.size() - kHeaderBytes, kChunk));
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  inflate(&z, Z_SYNC_FLUSH);
  out.resize(z.total_out);
  inflateEnd(&z);
  return out;
}

std::optional<std::string> unpackCbf(std::span<const std::uint8_t> cbf, std::string* error) {
  auto refuse = [error](const char* why) -> std::optional<std::string> {
    if (error) *error = why;
    return std::nullopt;
  };
  if (cbf.size() < kHeaderBytes) return refuse("the CBF header is too short");
  if (!std::equal(kMagic.begin(), kMagic.end(), cbf.begin())) return refuse("not a CBF file");
  const std::uint32_t declared = std::uint32_t{cbf[4]} | std::uint32_t{cbf[5]} << 8 | std::uint32_t{cbf[6]} << 16 |
                                 std::uint32_t{cbf[7]} << 24;
  if (declared == 0) return refuse("the CBF file declares an empty image");
  if (declared > kMaxCbfPayload) return refuse("the CBF file declares an image too large");
  // Deflate packs at most about 1032:1; a declared length the data cannot
  // reach is refused before anything is allocated for it.
  const std::size_t packed = cbf.size() - kHeaderBytes;
  if (declared / 1032 > packed + 1) return refuse("the CBF data is shorter than its declared length");
  std::string out(declared, '\0');
  z_stream z{};
  if (inflateInit(&z) != Z_OK) return refuse("zlib could not start");
  z.next_in = const_cast<Bytef*>(cbf.data() + kHeaderBytes);
  z.avail_in = static_cast<uInt>(std::min(packed, kChunk));
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = declared;
  int rc = inflate(&z, Z_FINISH);
  // One byte more of room tells a stream that goes on past the declared length.
  unsigned char extra = 0;
  if (rc == Z_BUF_ERROR && z.total_out == declared) {
    z.next_out = &extra;
    z.avail_out = 1;
    rc = inflate(&z, Z_FINISH);
  }
  const std::size_t produced = z.total_out;
  const std::size_t consumed = z.total_in;
  inflateEnd(&z);
  if (produced > declared) return refuse("the CBF data is longer than its declared length");
  if (rc == Z_DATA_ERROR || rc == Z_NEED_DICT || rc == Z_STREAM_ERROR || rc == Z_MEM_ERROR)
    return refuse("the CBF data is damaged");
  if (rc != Z_STREAM_END) return refuse("the CBF data is truncated");
  if (produced != declared) return refuse("the CBF data is shorter than its declared length");
  if (consumed != packed) return refuse("the CBF file has data after its end");
  return out;
}

}  // namespace rc::sim::converters
