// The image components outside the library, reached late-bound: the
// picture holder, the picture loader and saver, and the three converters.
#pragma once

#include <string_view>

#include "platform/automation/Dispatch.h"

namespace rc::core {

// A new picture holder: a drawing surface with hdc, Width and Height in
// twips, ScaleX, Refresh, Picture and Image.
automation::ObjectRef newPictureHolder();
// The platform's picture loader: the picture in a BMP or GIF file, or the
// empty picture when `fileName` is empty.
automation::ObjectRef LoadPicture(std::string_view fileName = {});
// The platform's picture saver: writes `picture` as a BMP file.
void SavePicture(const automation::ObjectRef& picture, std::string_view fileName);

// The CBF packer, a new one for each conversion.
automation::ObjectRef newCbfPacker();
// The GIF converter (XGIF1) and the JPEG converter (XJPG1).
automation::ObjectRef gifConverter();
automation::ObjectRef jpegConverter();

}  // namespace rc::core
