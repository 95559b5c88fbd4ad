// The records clsBitmap publishes with its type library: the GDI structures
// of the same names, laid out byte for byte as GDI takes them.
#pragma once

#include "platform/automation/Record.h"
#include "platform/display/Gdi.h"

namespace rc::core::records {

const automation::RecordType& BITMAP();            // 24 bytes
const automation::RecordType& BITMAPINFOHEADER();  // 40 bytes
const automation::RecordType& RGBQUAD();           // 4 bytes
const automation::RecordType& BITMAPINFO();        // 44 bytes: the header and one colour
const automation::RecordType& COLORQUAD();         // 4 bytes
const automation::RecordType& PicBmp();            // 20 bytes

// A BITMAPINFO record holding `header` and an all-zero colour entry.
automation::Record bitmapInfo(const display::BitmapInfoHeader& header);

}  // namespace rc::core::records
