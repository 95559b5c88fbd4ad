// GIF files built byte by byte, and giflib's own reading of them: the
// oracle the LZW coder tests compare with.
#pragma once

#include <gif_lib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace rc::testing {

// A GIF file of one w x h image of `data`, with a grey ramp of 2^bits
// colours, on a screen of its size (or of `screen` x `screen`).
inline std::string gifOf(int w, int h, int colourBits, int minCodeSize, const std::vector<std::uint8_t>& data,
                  int screen = 0) {
  std::string g = "GIF89a";
  auto word = [&](int v) {
    g += static_cast<char>(v & 0xFF);
    g += static_cast<char>(v >> 8);
  };
  word(screen ? screen : w);
  word(screen ? screen : h);
  g += static_cast<char>(0x80 | (colourBits - 1));
  g += '\0';
  g += '\0';
  for (int i = 0; i < (1 << colourBits); ++i) g += std::string(3, static_cast<char>(i * 255 / ((1 << colourBits) - 1)));
  g += ',';
  word(0);
  word(0);
  word(w);
  word(h);
  g += '\0';
  g += static_cast<char>(minCodeSize);
  for (std::size_t at = 0; at < data.size(); at += 255) {
    const std::size_t n = std::min<std::size_t>(255, data.size() - at);
    g += static_cast<char>(n);
    g.append(reinterpret_cast<const char*>(data.data() + at), n);
  }
  g += '\0';
  g += ';';
  return g;
}

struct Reader {
  const std::string* bytes;
  std::size_t at = 0;
};

inline int readFrom(GifFileType* gif, GifByteType* to, int length) {
  auto* r = static_cast<Reader*>(gif->UserData);
  const std::size_t n = std::min(static_cast<std::size_t>(length), r->bytes->size() - r->at);
  std::memcpy(to, r->bytes->data() + r->at, n);
  r->at += n;
  return static_cast<int>(n);
}

// The colour indices giflib's line reader gives for the file's first image.
inline std::vector<std::uint8_t> giflibIndices(const std::string& file) {
  Reader r{&file};
  int error = 0;
  GifFileType* gif = DGifOpen(&r, readFrom, &error);
  EXPECT_NE(gif, nullptr);
  GifRecordType type = UNDEFINED_RECORD_TYPE;
  EXPECT_EQ(DGifGetRecordType(gif, &type), GIF_OK);
  EXPECT_EQ(DGifGetImageDesc(gif), GIF_OK);
  const int w = gif->Image.Width, h = gif->Image.Height;
  std::vector<std::uint8_t> indices(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y) EXPECT_EQ(DGifGetLine(gif, indices.data() + static_cast<std::size_t>(y) * w, w), GIF_OK);
  DGifCloseFile(gif, &error);
  return indices;
}

inline int writeTo(GifFileType* gif, const GifByteType* from, int length) {
  static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(from), static_cast<std::size_t>(length));
  return length;
}

// The LZW data (sub-blocks joined) giflib's own line writer makes of a
// w x h image of `indices` below 2^colourBits.
inline std::vector<std::uint8_t> giflibLzwData(int w, int h, int colourBits, const std::vector<std::uint8_t>& indices) {
  std::string file;
  int error = 0;
  GifFileType* gif = EGifOpen(&file, writeTo, &error);
  EXPECT_NE(gif, nullptr);
  ColorMapObject* map = GifMakeMapObject(1 << colourBits, nullptr);
  EXPECT_EQ(EGifPutScreenDesc(gif, w, h, colourBits, 0, map), GIF_OK);
  EXPECT_EQ(EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr), GIF_OK);
  std::vector<GifPixelType> row(static_cast<std::size_t>(w));
  for (int y = 0; y < h; ++y) {
    std::copy_n(indices.begin() + static_cast<std::ptrdiff_t>(y) * w, w, row.begin());
    EXPECT_EQ(EGifPutLine(gif, row.data(), w), GIF_OK);
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  // Header, screen, colour table, image descriptor and the code size byte.
  std::size_t at = 6 + 7 + 3 * (std::size_t{1} << colourBits) + 10 + 1;
  std::vector<std::uint8_t> data;
  while (at < file.size() && file[at] != 0) {
    const auto n = static_cast<unsigned char>(file[at]);
    data.insert(data.end(), file.begin() + static_cast<std::ptrdiff_t>(at) + 1,
                file.begin() + static_cast<std::ptrdiff_t>(at) + 1 + n);
    at += 1 + n;
  }
  return data;
}

}  // namespace rc::testing
