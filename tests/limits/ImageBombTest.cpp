// Image files whose decoded size is out of all proportion to the file: a
// 41-byte GIF with a 16384 x 16384 screen, an LZW stream of 100 KB for an
// image of as many pixels, a CBF holding a 1-bit BMP of 16384 x 16384,
// and that 32 MB BMP itself (the CBF is 150 KB with the packer's quick level). Each is read in a child process, through the
// paths `check` and `imgdiff` take (the picture loader, the CBF packer, the
// decoders): each must be refused with a reason that names the limit, and
// the child's peak memory stay far below what the picture would take.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Core/frame/Register.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Error.h"
#include "platform/automation/Registry.h"
#include "platform/display/Bmp.h"
#include "platform/os/Files.h"
#include "sim/Register.h"
#include "sim/converters/CbfFormat.h"
#include "sim/converters/LzwEncoder.h"
#include "sim/converters/PictureDecoding.h"
#include "tests/limits/PeakMemory.h"

namespace rc::testing {
namespace {

namespace au = rc::automation;
namespace fs = std::filesystem;
using au::Variant;

// What a refused picture may cost at most above an idle child: the file
// itself and a little more, never the picture.
constexpr long kBoundMiB = 16;

void put16(std::string& s, std::uint16_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>(v >> 8);
}

void put32(std::string& s, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A GIF with a w x h screen and one image of iw x ih at its corner whose
// LZW data is `data` (cut into sub-blocks).
std::string gifFile(std::uint16_t w, std::uint16_t h, std::uint16_t iw, std::uint16_t ih,
                    const std::vector<std::uint8_t>& data) {
  std::string g = "GIF89a";
  put16(g, w), put16(g, h);
  g += '\x80', g += '\0', g += '\0';
  g += std::string("\0\0\0\xFF\xFF\xFF", 6);
  g += ',';
  put16(g, 0), put16(g, 0), put16(g, iw), put16(g, ih);
  g += '\0';
  g += '\x02';
  for (std::size_t at = 0; at < data.size(); at += 255) {
    const std::size_t n = std::min<std::size_t>(255, data.size() - at);
    g += static_cast<char>(n);
    g.append(reinterpret_cast<const char*>(data.data() + at), n);
  }
  g += '\0';
  g += ';';
  return g;
}

// A 1-bit BMP of w x h, all pixels of colour 0.
std::string monochromeBmp(std::int32_t w, std::int32_t h) {
  const std::uint32_t stride = (static_cast<std::uint32_t>(w) + 31) / 32 * 4;
  const std::uint32_t size = 62 + stride * static_cast<std::uint32_t>(h);
  std::string b(size, '\0');
  b[0] = 'B', b[1] = 'M';
  put32(b, 2, size), put32(b, 10, 62), put32(b, 14, 40);
  put32(b, 18, static_cast<std::uint32_t>(w)), put32(b, 22, static_cast<std::uint32_t>(h));
  b[26] = 1, b[28] = 1;
  put32(b, 46, 2), put32(b, 58, 0x00FFFFFF);
  return b;
}

class ImageBomb : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/ravelcrest-bomb-XXXXXX";
    dir_ = mkdtemp(tmpl);
    setenv("LC_ALL", "C", 1);
    idle_ = peakKiB([] {
      core::registerClasses();
      sim::registerApplications();
      return true;
    });
    ASSERT_GT(idle_, 0);
  }
  void TearDown() override { fs::remove_all(dir_); }

  void expectPeak(const char* what, long peak, long boundMiB = kBoundMiB) {
    ASSERT_GT(peak, 0) << what << ": the child failed";
    std::printf("peak RSS %-44s %7.1f MiB (idle child %.1f MiB)\n", what, peak / 1024.0, idle_ / 1024.0);
    RecordProperty(what, std::to_string(peak / 1024) + " MiB");
    EXPECT_LT(peak - idle_, boundMiB * kMiB) << what;
  }

  // In a child: true when `file` is refused by the picture loader (what
  // the view check reads a GIF baseline with), by the decoders (imgdiff)
  // and, for a CBF, by the packer (the CBF baseline's way), each time
  // naming the file and the pixel limit.
  static bool refusedEverywhere(const std::string& file) {
    core::registerClasses();
    sim::registerApplications();
    auto names = [&](const std::string& text) {
      const bool ok = text.find(file) != std::string::npos && text.find("134217728") != std::string::npos;
      if (!ok) std::fprintf(stderr, "refused without the file and the limit: %s\n", text.c_str());
      return ok;
    };
    bool ok = true;
    try {
      au::call(au::createObject("StdPictures.Functions"), "LoadPicture", Variant(file));
      std::fprintf(stderr, "LoadPicture accepted %s\n", file.c_str());
      ok = false;
    } catch (const au::AutomationError& e) {
      ok = names(e.description()) && ok;
    }
    const std::string data = platform::readFile(file);
    std::string why;
    if (sim::converters::decodePicture(std::span(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()), &why))
      return false;
    ok = names(file + ": " + why) && ok;
    if (data.starts_with("CBF")) {
      au::ObjectRef packer = au::createObject("ActiveCBF.TCBF");
      au::letProperty(packer, "CBFPath", Variant(file));
      au::letProperty(packer, "BMPPath", Variant(file + ".bmp"));
      try {
        au::call(packer, "UnPackCBF");
        ok = false;
      } catch (const au::AutomationError& e) {
        ok = names(e.description()) && !platform::fileExists(file + ".bmp") && ok;
      }
    }
    return ok;
  }

  // Writes the bomb in a child process, so this process (which the
  // measured children are forked from) never holds what it takes to make it.
  static void writeInChild(const std::string& file, const std::function<std::string()>& content) {
    ASSERT_GT(peakKiB([&] {
      platform::writeFile(file, content());
      return true;
    }), 0);
  }

  std::string dir_;
  long idle_ = 0;
};

TEST_F(ImageBomb, AGifScreenBeyondThePixelLimitIsRefusedUnallocated) {
  // 41 bytes: a 16384 x 16384 screen holding a single pixel.
  const std::string gif = gifFile(16384, 16384, 1, 1, {0x44, 0x01});
  ASSERT_LE(gif.size(), 41u);
  const std::string file = dir_ + "/screen.gif";
  platform::writeFile(file, gif);
  expectPeak("a 41-byte GIF of a 16384 x 16384 screen", peakKiB([&] { return refusedEverywhere(file); }));
}

TEST_F(ImageBomb, AnLzwStreamOfAHugeImageIsRefusedUndecoded) {
  // An image of 16384 x 16384 pixels of one colour, 100 KB or so of LZW
  // (the codes of its first 2^24 pixels: the decoder must never get that far).
  const std::string file = dir_ + "/lzw.gif";
  writeInChild(file, [] {
    const std::vector<std::uint8_t> zeros(std::size_t{1} << 24, 0);
    return gifFile(16384, 16384, 16384, 16384, sim::converters::encodeLzw(zeros, 2));
  });
  ASSERT_LT(fs::file_size(file), 200u << 10);
  expectPeak("an LZW stream of a 16384 x 16384 image", peakKiB([&] { return refusedEverywhere(file); }));
}

TEST_F(ImageBomb, ACbfHoldingAHugeMonochromeBmpIsRefusedUnpacked) {
  const std::string file = dir_ + "/bomb.cbf";
  writeInChild(file, [] { return sim::converters::packCbf(monochromeBmp(16384, 16384)); });
  ASSERT_LT(fs::file_size(file), 256u << 10);
  expectPeak("a CBF of a 16384 x 16384 1-bit BMP", peakKiB([&] { return refusedEverywhere(file); }));
}

TEST_F(ImageBomb, AMonochromeBmpBeyondThePixelLimitIsRefusedUndecoded) {
  const std::string file = dir_ + "/mono.bmp";
  writeInChild(file, [] { return monochromeBmp(16384, 16384); });
  // The 32 MB file is read whole (by the loader, then by the decoders'
  // caller); its 1 GiB picture is never made.
  expectPeak("a 32 MB 1-bit BMP of 16384 x 16384", peakKiB([&] { return refusedEverywhere(file); }), 2 * 32 + kBoundMiB);
}

}  // namespace
}  // namespace rc::testing
