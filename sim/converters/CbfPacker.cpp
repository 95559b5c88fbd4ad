#include "sim/converters/CbfPacker.h"

#include <span>
#include <stdexcept>

#include "platform/display/Bmp.h"
#include "sim/converters/CbfFormat.h"
#include "sim/converters/ImageFiles.h"
#include "sim/converters/PictureDecoding.h"

namespace rc::sim::converters {

namespace au = rc::automation;
using au::VarType;

namespace {

constexpr std::string_view kSource = "ActiveCBF.TCBF";

std::span<const std::uint8_t> bytesOf(const std::string& s) {
  return std::span(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

// Raises 321 naming `path` unless `bmp` is a BMP picture the display reads.
void requireBmp(const std::string& bmp, std::string_view path, std::string_view what) {
  std::string why;
  if (!display::bmpReadable(bytesOf(bmp), &why)) raiseBadFile(kInvalidFileFormat, what, path, why, kSource);
}

}  // namespace

const au::ClassInfo& CbfPacker::info() {
  static const au::ClassInfo ci = au::ClassBuilder<CbfPacker>("ActiveCBF", "TCBF")
      .ids("{5B0C1E52-7F3A-4D8E-A1C2-3E4F5A6B7C01}", "ITCBF", "{5B0C1E52-7F3A-4D8E-A1C2-3E4F5A6B7C02}")
      .field("CBFPath", VarType::String, &CbfPacker::CBFPath)
      .field("BMPPath", VarType::String, &CbfPacker::BMPPath)
      .method("PackCBF", VarType::Void, {}, [](CbfPacker& self, au::CallArgs&) {
        self.PackCBF();
        return au::Variant();
      })
      .method("UnPackCBF", VarType::Void, {}, [](CbfPacker& self, au::CallArgs&) {
        self.UnPackCBF();
        return au::Variant();
      })
      .build();
  return ci;
}

void CbfPacker::PackCBF() const {
  const std::string bmp = readInput(BMPPath, kMaxCbfPayload, kSource);
  requireBmp(bmp, BMPPath, "Invalid file format");
  writeOutput(CBFPath, packCbf(bmp), kSource);
}

void CbfPacker::UnPackCBF() const {
  const std::string cbf = readInput(CBFPath, std::int64_t{kMaxCbfPayload} + (kMaxCbfPayload >> 6), kSource);
  std::string why;
  if (!packedPictureAllowed(bytesOf(cbf), &why)) raiseBadFile(kInvalidFileFormat, "Invalid file format", CBFPath, why, kSource);
  std::optional<std::string> bmp = unpackCbf(bytesOf(cbf), &why);
  if (!bmp) raiseBadFile(kInvalidFileFormat, "Invalid file format", CBFPath, why, kSource);
  requireBmp(*bmp, CBFPath, "Invalid file format (the packed picture)");
  writeOutput(BMPPath, *bmp, kSource);
}

}  // namespace rc::sim::converters
