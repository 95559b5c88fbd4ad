#include "Core/imaging/BitmapRecords.h"

#include <cstring>

namespace rc::core::records {

namespace au = rc::automation;
using au::makeRecordType;
using au::recordField;
using au::VarType;

const au::RecordType& BITMAP() {
  static const au::RecordType t = makeRecordType(
      "BITMAP", {recordField("bmType", VarType::Long), recordField("bmWidth", VarType::Long),
                 recordField("bmHeight", VarType::Long), recordField("bmWidthBytes", VarType::Long),
                 recordField("bmPlanes", VarType::Integer), recordField("bmBitsPixel", VarType::Integer),
                 recordField("bmBits", VarType::Long)});
  return t;
}

const au::RecordType& BITMAPINFOHEADER() {
  static const au::RecordType t = makeRecordType(
      "BITMAPINFOHEADER",
      {recordField("biSize", VarType::Long), recordField("biWidth", VarType::Long),
       recordField("biHeight", VarType::Long), recordField("biPlanes", VarType::Integer),
       recordField("biBitCount", VarType::Integer), recordField("biCompression", VarType::Long),
       recordField("biSizeImage", VarType::Long), recordField("biXPelsPerMeter", VarType::Long),
       recordField("biYPelsPerMeter", VarType::Long), recordField("biClrUsed", VarType::Long),
       recordField("biClrImportant", VarType::Long)});
  return t;
}

const au::RecordType& RGBQUAD() {
  static const au::RecordType t = makeRecordType(
      "RGBQUAD", {recordField("rgbBlue", VarType::Byte), recordField("rgbGreen", VarType::Byte),
                  recordField("rgbRed", VarType::Byte), recordField("rgbReserved", VarType::Byte)});
  return t;
}

const au::RecordType& BITMAPINFO() {
  static const au::RecordType t =
      makeRecordType("BITMAPINFO", {recordField("BMIHeader", BITMAPINFOHEADER()), recordField("bmiColors", RGBQUAD())});
  return t;
}

const au::RecordType& COLORQUAD() {
  static const au::RecordType t = makeRecordType(
      "COLORQUAD", {recordField("rgbB", VarType::Byte), recordField("rgbG", VarType::Byte),
                    recordField("rgbR", VarType::Byte), recordField("rgbP", VarType::Byte)});
  return t;
}

const au::RecordType& PicBmp() {
  static const au::RecordType t = makeRecordType(
      "PicBmp", {recordField("Size", VarType::Long), recordField("Type", VarType::Long),
                 recordField("hBmp", VarType::Long), recordField("hPal", VarType::Long),
                 recordField("Reserved", VarType::Long)});
  return t;
}

au::Record bitmapInfo(const display::BitmapInfoHeader& header) {
  static_assert(sizeof(display::BitmapInfoHeader) == 40);
  std::uint8_t bytes[44] = {};
  std::memcpy(bytes, &header, sizeof header);
  return au::Record(BITMAPINFO(), bytes);
}

}  // namespace rc::core::records
