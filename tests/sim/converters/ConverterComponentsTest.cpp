// The image components reached by ProgID: the CBF packer, the GIF and JPEG
// converters, the picture holder and the picture loader and saver.
#include <gtest/gtest.h>

#include <filesystem>

#include "PictureSamples.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Error.h"
#include "platform/automation/Registry.h"
#include "platform/display/Bmp.h"
#include "platform/display/Gdi.h"
#include "platform/os/Files.h"
#include "sim/Register.h"
#include "sim/converters/GifCodec.h"

namespace rc::testing {
namespace {

namespace au = rc::automation;
using au::Variant;

class ConverterComponentsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::registerApplications();
    char tmpl[] = "/tmp/ravelcrest-conv-XXXXXX";
    dir_ = mkdtemp(tmpl);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  void writeBmp(const std::string& name, const display::Surface& s) const {
    platform::writeFile(path(name), display::encodeBmp24(s));
  }
  display::Surface readBack(const std::string& name) const {
    const std::string data = platform::readFile(path(name));
    return display::decodeBmp(bytesOf(data)).value();
  }
  // The error a member call raises (number 0 when none).
  au::AutomationError failure(const au::ObjectRef& obj, const char* member) const {
    try {
      au::call(obj, member);
    } catch (const au::AutomationError& e) {
      return e;
    }
    return au::AutomationError(0, "");
  }
  au::ObjectRef packer(const std::string& cbf, const std::string& bmp) const {
    au::ObjectRef p = au::createObject("ActiveCBF.TCBF");
    au::letProperty(p, "CBFPath", Variant(path(cbf)));
    au::letProperty(p, "BMPPath", Variant(path(bmp)));
    return p;
  }
  au::ObjectRef converter(const char* progId, const std::string& in, const std::string& out) const {
    au::ObjectRef c = au::createObject(progId);
    au::letProperty(c, "InputFile", Variant(path(in)));
    au::letProperty(c, "OutputFile", Variant(path(out)));
    return c;
  }

 private:
  std::string dir_;
};

TEST_F(ConverterComponentsTest, CbfPackerRoundTripsTheBmpFileByteForByte) {
  writeBmp("a.bmp", fewColours());
  au::call(packer("a.cbf", "a.bmp"), "PackCBF");
  au::call(packer("a.cbf", "b.bmp"), "UnPackCBF");
  EXPECT_EQ(platform::readFile(path("b.bmp")), platform::readFile(path("a.bmp")));
}

TEST_F(ConverterComponentsTest, DamagedInputRaisesNamingTheFileAndWritesNothing) {
  writeBmp("a.bmp", fewColours());
  au::call(packer("a.cbf", "a.bmp"), "PackCBF");
  const std::string cbf = platform::readFile(path("a.cbf"));
  platform::writeFile(path("cut.cbf"), cbf.substr(0, cbf.size() / 2));
  au::AutomationError e = failure(packer("cut.cbf", "out.bmp"), "UnPackCBF");
  EXPECT_EQ(e.number(), 321);
  EXPECT_NE(e.description().find(path("cut.cbf")), std::string::npos) << e.description();
  EXPECT_NE(e.description().find("truncated"), std::string::npos) << e.description();
  EXPECT_FALSE(platform::fileExists(path("out.bmp")));

  // A CBF file that holds something other than a BMP picture.
  au::call(packer("a.cbf", "a.bmp"), "PackCBF");
  platform::writeFile(path("text.bmp"), "BM not really a picture at all, but long enough to pass the header length");
  e = failure(packer("t.cbf", "text.bmp"), "PackCBF");
  EXPECT_EQ(e.number(), 321);
  EXPECT_FALSE(platform::fileExists(path("t.cbf")));

  // A truncated BMP for the GIF converter; the old output stays as it was.
  const std::string bmp = platform::readFile(path("a.bmp"));
  platform::writeFile(path("cut.bmp"), bmp.substr(0, bmp.size() - 100));
  platform::writeFile(path("old.gif"), "previous");
  e = failure(converter("XGIF1", "cut.bmp", "old.gif"), "Convert");
  EXPECT_EQ(e.number(), 321);
  EXPECT_NE(e.description().find(path("cut.bmp")), std::string::npos) << e.description();
  EXPECT_EQ(platform::readFile(path("old.gif")), "previous");

  // Missing input, and an output folder that does not exist.
  e = failure(converter("XJPG1", "none.bmp", "x.jpg"), "Convert");
  EXPECT_EQ(e.number(), 53);
  EXPECT_NE(e.description().find(path("none.bmp")), std::string::npos) << e.description();
  e = failure(converter("XGIF1", "a.bmp", "missing/x.gif"), "Convert");
  EXPECT_EQ(e.number(), 76);
  EXPECT_FALSE(std::filesystem::exists(path("missing")));
}

TEST_F(ConverterComponentsTest, GifConverterKeepsEveryColour) {
  writeBmp("a.bmp", fewColours());
  au::call(converter("XGIF1", "a.bmp", "a.gif"), "Convert");
  const std::string gif = platform::readFile(path("a.gif"));
  EXPECT_TRUE(samePixels(sim::converters::decodeGif(bytesOf(gif)).value(), fewColours()));
}

TEST_F(ConverterComponentsTest, ConvertPictureWritesWhatConvertWritesOfItsBmpFile) {
  au::ObjectRef functions = au::createObject("StdPictures.Functions");
  for (const display::Surface& picture : {fewColours(), manyColours(300), fewColours(1, 1)}) {
    writeBmp("a.bmp", picture);
    au::call(converter("XGIF1", "a.bmp", "file.gif"), "Convert");
    au::ObjectRef loaded = au::callObject(functions, "LoadPicture", {Variant(path("a.bmp"))});
    // Neither read nor written: the input file may be gone.
    std::filesystem::remove(path("a.bmp"));
    au::call(converter("XGIF1", "a.bmp", "memory.gif"), "ConvertPicture", {Variant(loaded)});
    EXPECT_EQ(platform::readFile(path("memory.gif")), platform::readFile(path("file.gif")));
    EXPECT_FALSE(platform::fileExists(path("a.bmp")));
  }
  // No picture, and an output folder that does not exist.
  try {
    au::call(converter("XGIF1", "a.bmp", "x.gif"), "ConvertPicture", {Variant(au::callObject(functions, "LoadPicture"))});
    ADD_FAILURE() << "converted an empty picture";
  } catch (const au::AutomationError& e) {
    EXPECT_EQ(e.number(), 481);
  }
  writeBmp("a.bmp", fewColours());
  au::ObjectRef loaded = au::callObject(functions, "LoadPicture", {Variant(path("a.bmp"))});
  try {
    au::call(converter("XGIF1", "a.bmp", "missing/x.gif"), "ConvertPicture", {Variant(loaded)});
    ADD_FAILURE() << "wrote into a missing folder";
  } catch (const au::AutomationError& e) {
    EXPECT_EQ(e.number(), 76);
  }
}

TEST_F(ConverterComponentsTest, JpegConverterHonoursQuality) {
  display::Surface picture = manyColours(4096);
  writeBmp("a.bmp", picture);
  std::int64_t sizes[2] = {};
  int i = 0;
  for (std::int16_t quality : {std::int16_t{10}, std::int16_t{100}}) {
    au::ObjectRef c = converter("XJPG1", "a.bmp", "q.jpg");
    au::letProperty(c, "Quality", Variant(quality));
    au::call(c, "Convert");
    const std::string jpg = platform::readFile(path("q.jpg"));
    EXPECT_EQ(jpg.substr(0, 2), "\xFF\xD8");
    sizes[i++] = static_cast<std::int64_t>(jpg.size());
  }
  EXPECT_LT(sizes[0] * 2, sizes[1]);
}

TEST_F(ConverterComponentsTest, PictureHolderShowsALoadedGifAtItsSizeInTwips) {
  const std::size_t before = display::gdiObjectCount();
  platform::writeFile(path("a.gif"), sim::converters::encodeGif(fewColours(30, 20)));
  {
    au::ObjectRef functions = au::createObject("StdPictures.Functions");
    au::ObjectRef holder = au::createObject("StdPictures.PictureBox");
    au::setProperty(holder, "Picture", au::callObject(functions, "LoadPicture", {Variant(path("a.gif"))}));
    EXPECT_EQ(au::call(holder, "Width").toLong(), 30 * 15);
    EXPECT_EQ(au::call(holder, "Height").toLong(), 20 * 15);
    EXPECT_EQ(au::call(holder, "ScaleX", {Variant(450), Variant(std::int16_t{1}), Variant(std::int16_t{3})}).toDouble(), 30);
    // What the holder shows is what SavePicture writes of its Image.
    au::call(functions, "SavePicture", {au::call(holder, "Image"), Variant(path("shown.bmp"))});
    EXPECT_TRUE(samePixels(readBack("shown.bmp"), fewColours(30, 20)));
    // The empty picture clears the holder; saving an empty picture is refused.
    au::ObjectRef empty = au::callObject(functions, "LoadPicture");
    EXPECT_EQ(au::call(empty, "Handle").toLong(), 0);
    au::setProperty(holder, "Picture", empty);
    EXPECT_EQ(failure(functions, "SavePicture").number(), 450);
    try {
      au::call(functions, "SavePicture", {Variant(empty), Variant(path("e.bmp"))});
      ADD_FAILURE() << "saved an empty picture";
    } catch (const au::AutomationError& e) {
      EXPECT_EQ(e.number(), 481);
    }
    platform::writeFile(path("bad.gif"), "GIF89a\x01");
    try {
      au::call(functions, "LoadPicture", {Variant(path("bad.gif"))});
      ADD_FAILURE() << "loaded a damaged picture";
    } catch (const au::AutomationError& e) {
      EXPECT_EQ(e.number(), 481);
      EXPECT_NE(e.description().find(path("bad.gif")), std::string::npos);
    }
  }
  EXPECT_EQ(display::gdiObjectCount(), before);
}

}  // namespace
}  // namespace rc::testing
