// The images of an HTML report: each file read once, shown as PNG (CBF,
// BMP, GIF and JPEG converted), embedded once in the page's image table and
// referred to by id wherever it appears; large ones get a thumbnail
// downscaled by area averaging, so a thin line still shows as a shade.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "platform/display/Surface.h"

namespace rc::tools {

// `image` reduced to at most `maxWidth` pixels wide (and in proportion
// high), each pixel the average of the block of pixels it stands for; the
// image itself when it is not wider.
display::Surface areaThumbnail(const display::Surface& image, int maxWidth);

// The widest thumbnail the page shows.
inline constexpr int kThumbnailWidth = 320;

class ReportImages {
 public:
  struct Shown {
    std::string full;   // id of the whole image in the table; "" when it cannot be shown
    std::string thumb;  // id of its thumbnail (== full for a small image)
    int width = 0, height = 0;            // of the whole image
    int thumbWidth = 0, thumbHeight = 0;  // of the thumbnail
    std::string problem;  // why it cannot be shown: "cannot show X", "cannot read X"
  };

  // `folder`: the folder relative image paths lie in.
  explicit ReportImages(std::string folder) : folder_(std::move(folder)) {}

  // The image at `relative` (or an absolute path), read and converted the
  // first time it is asked for.
  const Shown& add(const std::string& relative);

  // The <script type="application/json" id="images"> element holding every
  // image as a data URI by its id.
  std::string table() const;

  // Whether no image is embedded.
  bool empty() const { return pngs_.empty(); }

  // Bytes of the encoded images (before base64).
  std::size_t bytes() const { return bytes_; }

 private:
  std::string store(const std::string& png);

  std::string folder_;
  std::map<std::string, Shown> byPath_;
  std::vector<std::string> pngs_;  // by id number
  std::size_t bytes_ = 0;
};

}  // namespace rc::tools
