// clsGrfConvert's calls on the converters, clsBitmap's zoom, and CreateCBF /
// CreateGIF writing files whose pixels come back unchanged.
#include <gtest/gtest.h>

#include "Core/imaging/clsBitmap.h"
#include "ImagingFixture.h"
#include "platform/automation/TypeInfo.h"
#include "tests/support/TestSupport.h"

namespace rc::testing {
namespace {

namespace dp = rc::display;
using au::Variant;
using au::VarType;

// A converter that only records what it is told, in order.
class RecordingConverter : public au::Dispatch {
 public:
  explicit RecordingConverter(std::vector<std::string>& log) : log_(log) {}
  static const au::ClassInfo& info() {
    static const au::ClassInfo ci = [] {
      au::ClassBuilder<RecordingConverter> b("Recording", "Converter");
      for (const char* name : {"CBFPath", "BMPPath", "InputFile", "OutputFile", "Quality"})
        b.let(name, {au::byVal("value", VarType::Variant)}, [name](RecordingConverter& self, au::CallArgs& a) {
          self.log_.push_back(std::string(name) + "=" + a[0].toText());
          return Variant();
        });
      for (const char* name : {"PackCBF", "UnPackCBF", "Convert"})
        b.method(name, VarType::Void, {}, [name](RecordingConverter& self, au::CallArgs&) {
          self.log_.push_back(name);
          if (self.log_.size() > 99) au::raise(au::err::ApplicationDefined, "converter failed", "Recording");
          return Variant();
        });
      return b.build();
    }();
    return ci;
  }
  const au::ClassInfo& typeInfo() const override { return info(); }

 private:
  std::vector<std::string>& log_;
};

class ConversionTest : public ImagingTest {
 protected:
  void recordConverters() {
    for (const char* progId : {"ActiveCBF.TCBF", "XGIF1", "XJPG1"})
      au::registerClass(progId, RecordingConverter::info(),
                        [this] { return std::make_shared<RecordingConverter>(log); });
  }
  void TearDown() override {
    sim::registerApplications();  // the real converters again
    ImagingTest::TearDown();
  }
  au::ObjectRef converter(const char* in, const char* out) {
    au::ObjectRef c = au::createObject("vxlClasses.clsGrfConvert");
    au::letProperty(c, "InFileName", Variant(in));
    au::letProperty(c, "OutFileName", Variant(out));
    return c;
  }
  std::vector<std::string> log;
};

TEST_F(ConversionTest, EachConversionTellsItsConverterThePathsInOrder) {
  recordConverters();
  EXPECT_TRUE(au::call(converter("a.bmp", "a.cbf"), "BMPtoCBF").isEmpty());
  EXPECT_TRUE(au::call(converter("a.cbf", "a.bmp"), "CBFtoBMP").isEmpty());
  EXPECT_TRUE(au::call(converter("a.bmp", "a.gif"), "makeGIF").isEmpty());
  EXPECT_TRUE(au::call(converter("a.bmp", "a.jpg"), "makeJPG").isEmpty());
  EXPECT_EQ(log, (std::vector<std::string>{"CBFPath=a.cbf", "BMPPath=a.bmp", "PackCBF",            //
                                           "CBFPath=a.cbf", "BMPPath=a.bmp", "UnPackCBF",          //
                                           "InputFile=a.bmp", "OutputFile=a.gif", "Convert",       //
                                           "InputFile=a.bmp", "OutputFile=a.jpg", "Quality=100", "Convert"}));
  // Nothing is trapped: a converter's error reaches the caller.
  log.resize(100);
  EXPECT_EQ(errorNumber([&] { au::call(converter("a.bmp", "a.gif"), "makeGIF"); }), au::err::ApplicationDefined);
}

TEST_F(ConversionTest, ZoomStretchesARectangleOverTheBitmapAndKeepsThePixelArray) {
  dp::Surface s(4, 4, dp::rgb(255, 255, 255));
  s.fillRect(0, 2, 2, 2, dp::rgb(200, 0, 0));  // the bottom-left quarter is red
  core::clsBitmap b;
  ASSERT_TRUE(b.SetBitmap(static_cast<std::int32_t>(dp::createBitmap(s))));
  auto shown = [&] { return dp::bitmapPixels(static_cast<dp::Handle>(b.BMPSource)); };
  b.ZoomBitmap(0, 0, 4, 4);
  EXPECT_TRUE(shown().pixels() == s.pixels());
  b.ZoomBitmap(0, 0, 2, 2);  // rows counted from the bottom of the DIB
  EXPECT_EQ(shown().pixels(), dp::Surface::Pixels(16, dp::rgb(200, 0, 0)));
  EXPECT_EQ(b.Array3DVal(3, 4, 4), 255);  // the array still holds the unzoomed image
  EXPECT_EQ(errorNumber([&] { b.ZoomBitmap(-2147483647 - 1, 0, 2147483647, 4); }), au::err::Overflow);
}

TEST_F(ConversionTest, CreateCbfAndCreateGifKeepEveryPixel) {
  dp::Surface s(300, 200, dp::rgb(255, 255, 255));
  for (int i = 0; i < 200; ++i) s.fillRect(i, i, 30, 1, dp::rgb(static_cast<std::uint8_t>(i), 40, 250));
  au::ObjectRef b = au::createObject("VxlClasses.clsBitmap");
  au::call(b, "SetBitmap", {Variant(static_cast<std::int32_t>(dp::createBitmap(s)))});
  const std::size_t objects = dp::gdiObjectCount();
  au::call(b, "CreateCBF", {Variant(path("w.bmp")), Variant(path("p.cbf"))});
  EXPECT_TRUE(picture("w.bmp").pixels() == s.pixels());  // the BMP file stays
  EXPECT_TRUE(picture("p.cbf").pixels() == s.pixels());
  au::call(b, "CreateGIF", {Variant(path("w.bmp")), Variant(path("p.gif"))});
  EXPECT_TRUE(picture("p.gif").pixels() == s.pixels());
  EXPECT_EQ(dp::gdiObjectCount(), objects);

  // Before SetBitmap there is no picture to save.
  au::ObjectRef empty = au::createObject("VxlClasses.clsBitmap");
  EXPECT_EQ(errorNumber([&] { au::call(empty, "CreateGIF", {Variant(path("e.bmp")), Variant(path("e.gif"))}); }), 481);
  EXPECT_FALSE(exists("e.gif"));
}

TEST_F(ConversionTest, CreateGifInMemoryWritesCreateGifsBytesAndLeavesTheBmpFileEmpty) {
  dp::Surface s(300, 200, dp::rgb(255, 255, 255));
  for (int i = 0; i < 200; ++i) s.fillRect(i, i, 30, 1, dp::rgb(static_cast<std::uint8_t>(i), 40, 250));
  au::ObjectRef b = au::createObject("VxlClasses.clsBitmap");
  au::call(b, "SetBitmap", {Variant(static_cast<std::int32_t>(dp::createBitmap(s)))});
  const auto& bitmap = dynamic_cast<const core::clsBitmap&>(*b);
  au::call(b, "CreateGIF", {Variant(path("w.bmp")), Variant(path("file.gif"))});
  const std::size_t objects = dp::gdiObjectCount();
  ASSERT_TRUE(bitmap.CreateGIFInMemory(path("m.bmp"), path("memory.gif")));
  EXPECT_EQ(platform::readFile(path("memory.gif")), platform::readFile(path("file.gif")));
  EXPECT_TRUE(exists("m.bmp"));
  EXPECT_EQ(platform::readFile(path("m.bmp")), "");
  EXPECT_EQ(dp::gdiObjectCount(), objects);

  // Where the BMP file cannot be made, nothing is written: CreateGIF then
  // raises what it always raised.
  EXPECT_FALSE(bitmap.CreateGIFInMemory(path("missing/w.bmp"), path("x.gif")));
  EXPECT_FALSE(exists("x.gif"));
  EXPECT_EQ(errorNumber([&] { au::call(b, "CreateGIF", {Variant(path("missing/w.bmp")), Variant(path("x.gif"))}); }), 76);
  // No picture, and a converter that cannot take one.
  au::ObjectRef empty = au::createObject("VxlClasses.clsBitmap");
  EXPECT_FALSE(dynamic_cast<const core::clsBitmap&>(*empty).CreateGIFInMemory(path("e.bmp"), path("e.gif")));
  EXPECT_FALSE(exists("e.gif"));
  recordConverters();
  EXPECT_FALSE(bitmap.CreateGIFInMemory(path("r.bmp"), path("r.gif")));
  EXPECT_FALSE(exists("r.bmp"));
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(dp::gdiObjectCount(), objects);
}

TEST_F(ConversionTest, GetBmpInSheetsSavesEverySheetAndComesBackToTheCurrentOne) {
  open("plan.vxldrw", R"({"currentSheet": "S2", "sheets": [{"name": "S1"}, {"name": "S2"}, {"name": "S3",
      "views": [{"name": "S3", "outline": [0, 0, 1, 1]}, {"name": "V", "outline": [0.25, 0.25, 0.75, 0.75]}]}]})",
       3);
  au::call(app, "GetBMPInSheets", {Variant(path("s"))});
  for (const char* name : {"s1.BMP", "s2.BMP", "s3.BMP"}) EXPECT_EQ(picture(name).width(), 400) << name;
  EXPECT_EQ(picture("s3.BMP").pixel(100, 100), dp::rgb(0, 0, 0));  // the view's outline
  EXPECT_EQ(picture("s1.BMP").pixel(100, 100), dp::rgb(255, 255, 255));
  const auto ops = operations();
  ASSERT_FALSE(ops.empty());
  EXPECT_EQ(ops.back(), R"(ActivateSheet("S2"))");
  EXPECT_FALSE(exists("s4.BMP"));
  // Nothing is trapped: without an active document the error reaches the caller.
  au::call(host, "CloseAllDocuments");
  EXPECT_NE(errorNumber([&] { au::call(app, "GetBMPInSheets", {Variant(path("t"))}); }), 0);
  EXPECT_FALSE(exists("t1.BMP"));
}

}  // namespace
}  // namespace rc::testing
