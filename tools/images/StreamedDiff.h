// The library's exact comparison of two picture files of one size, read,
// compared and written as a PNG difference image a block of rows at a
// time: neither picture nor the difference image is ever held whole, so a
// large comparison touches little more memory than a few rows.
#pragma once

#include <optional>
#include <string>

#include "Core/imaging/PixelCompare.h"

namespace rc::tools {

struct StreamedDifference {
  core::PixelCounts counts;
  int width = 0;
  int height = 0;
  std::string png;  // the difference image, the bytes encodePng writes for it
};

// The comparison of `fresh` with `baseline` (paintDifference's counters and
// image) when both are BMP files decodeBmp accepts or PNG files that
// PngRowReader reads, of the same size; nullopt for any other pair, or when
// either file fails while it is read (reading them whole then tells what is
// wrong with them). Nothing is written.
std::optional<StreamedDifference> streamDifference(const std::string& baseline, const std::string& fresh);

}  // namespace rc::tools
