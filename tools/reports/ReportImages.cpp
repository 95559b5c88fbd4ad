#include "tools/reports/ReportImages.h"

#include <algorithm>
#include <optional>
#include <span>
#include <stdexcept>

#include "platform/display/Bmp.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "sim/converters/PictureDecoding.h"
#include "sim/converters/PngCodec.h"
#include "tools/common/MarkupText.h"

namespace rc::tools {

display::Surface areaThumbnail(const display::Surface& image, int maxWidth) {
  if (image.width() <= maxWidth || maxWidth <= 0) return image;
  const int w = image.width(), h = image.height();
  const int tw = maxWidth;
  const int th = std::max(1, static_cast<int>((static_cast<std::int64_t>(h) * tw + w / 2) / w));
  display::Surface thumb(tw, th);
  std::vector<std::uint64_t> sums(static_cast<std::size_t>(tw) * 3);
  for (int ty = 0; ty < th; ++ty) {
    const int y0 = static_cast<int>(static_cast<std::int64_t>(ty) * h / th);
    const int y1 = std::max(y0 + 1, static_cast<int>(static_cast<std::int64_t>(ty + 1) * h / th));
    std::fill(sums.begin(), sums.end(), 0);
    std::vector<std::uint32_t> counts(tw, 0);
    for (int y = y0; y < y1; ++y) {
      const std::uint32_t* row = image.row(y);
      for (int tx = 0, x = 0; tx < tw; ++tx) {
        const int x1 = static_cast<int>(static_cast<std::int64_t>(tx + 1) * w / tw);
        for (; x < x1; ++x) {
          sums[tx * 3] += display::redOf(row[x]);
          sums[tx * 3 + 1] += display::greenOf(row[x]);
          sums[tx * 3 + 2] += display::blueOf(row[x]);
          ++counts[tx];
        }
      }
    }
    std::uint32_t* out = thumb.row(ty);
    for (int tx = 0; tx < tw; ++tx) {
      const std::uint64_t n = std::max<std::uint32_t>(counts[tx], 1);
      out[tx] = display::rgb(static_cast<std::uint8_t>((sums[tx * 3] + n / 2) / n),
                             static_cast<std::uint8_t>((sums[tx * 3 + 1] + n / 2) / n),
                             static_cast<std::uint8_t>((sums[tx * 3 + 2] + n / 2) / n));
    }
  }
  return thumb;
}

std::string ReportImages::store(const std::string& png) {
  bytes_ += png.size();
  pngs_.push_back(png);
  return "i" + std::to_string(pngs_.size() - 1);
}

const ReportImages::Shown& ReportImages::add(const std::string& relative) {
  const std::string path = relative.starts_with("/") ? relative : platform::joinPath(folder_, relative);
  if (auto found = byPath_.find(path); found != byPath_.end()) return found->second;
  Shown& shown = byPath_[path];
  if (relative.empty() || !platform::fileExists(path)) {
    shown.problem = relative.empty() ? "none" : "cannot show " + relative;
    return shown;
  }
  std::string why;
  std::optional<display::Surface> picture;
  try {
    if (platform::fileLength(path) > display::kMaxBmpFileBytes) throw std::length_error("the file is too large");
    const std::string data = platform::readFile(path);
    picture = sim::converters::decodeImageFile(
        std::span(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()), &why);
    if (picture && picture->empty()) picture.reset();
  } catch (const std::exception&) {  // AutomationError among them
    picture.reset();
  }
  if (!picture) {
    shown.problem = "cannot read " + relative;
    return shown;
  }
  shown.width = picture->width();
  shown.height = picture->height();
  shown.full = store(sim::converters::encodePng(*picture));
  if (picture->width() > kThumbnailWidth) {
    const display::Surface thumb = areaThumbnail(*picture, kThumbnailWidth);
    shown.thumbWidth = thumb.width();
    shown.thumbHeight = thumb.height();
    shown.thumb = store(sim::converters::encodePng(thumb));
  } else {
    shown.thumb = shown.full;
    shown.thumbWidth = shown.width;
    shown.thumbHeight = shown.height;
  }
  return shown;
}

std::string ReportImages::table() const {
  std::string out = "<script type=\"application/json\" id=\"images\">{";
  for (std::size_t i = 0; i < pngs_.size(); ++i)
    out += std::string(i ? "," : "") + "\"i" + std::to_string(i) + "\":\"data:image/png;base64," + base64(pngs_[i]) +
           "\"";
  return out + "}</script>\n";
}

}  // namespace rc::tools
