// What the host draws: the graphics view of a document and the sheet
// picture SaveBMP writes.
#pragma once

#include "platform/display/Surface.h"

namespace rc::sim::host {

class Document;

namespace pictures {

inline constexpr std::uint32_t kNoDocumentGrey = display::rgb(192, 192, 192);

// Paints the graphics view of `doc` (grey when null) over the whole surface:
// the background, the image at the top left, then the rectangles in order.
void paintView(display::Surface& surface, Document* doc);

// The active sheet of a drawing, `width` x `height`: white, with the outline
// of every drawing view (the views after the sheet's own) in black, scaled
// from the sheet's extent. Other documents give their graphics view scaled
// to that size.
display::Surface sheetPicture(Document& doc, int width, int height);

}  // namespace pictures
}  // namespace rc::sim::host
