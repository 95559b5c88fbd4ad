#include "tools/images/StreamedDiff.h"

#include <algorithm>
#include <memory>
#include <span>
#include <vector>

#include "platform/automation/Error.h"
#include "platform/display/Bmp.h"
#include "platform/os/DefaultInitAllocator.h"
#include "platform/os/FileBytes.h"
#include "sim/converters/JpegCodec.h"
#include "sim/converters/PngCodec.h"

namespace rc::tools {

namespace {

using Rows = std::vector<std::uint32_t, platform::DefaultInitAllocator<std::uint32_t>>;

// A picture file read a block of rows at a time, top row first.
class RowSource {
 public:
  // The rows of the BMP or PNG file at `path`, or nullptr for a file that
  // cannot be opened, is too large, or holds another format or layout.
  static std::unique_ptr<RowSource> open(const std::string& path) {
    auto source = std::unique_ptr<RowSource>(new RowSource);
    try {
      source->file_.emplace(path);
    } catch (const automation::AutomationError&) {
      return nullptr;
    }
    const platform::FileReader& file = *source->file_;
    if (file.size() > display::kMaxBmpFileBytes) return nullptr;
    std::uint8_t first[display::kBmpHead];
    const std::span<const std::uint8_t> head(first, file.readAt(0, first));
    if (sim::converters::looksLikePng(head)) {
      source->bytes_ = file.readAll();
      source->png_ = sim::converters::PngRowReader::open(source->bytes_.bytes());
      return source->png_ ? std::move(source) : nullptr;
    }
    auto starts = [&](std::string_view magic) {
      return head.size() >= magic.size() && std::equal(magic.begin(), magic.end(), head.begin());
    };
    if (head.empty() || starts("GIF") || starts("CBF") || sim::converters::looksLikeJpeg(head)) return nullptr;
    source->bmp_ = display::BmpRowReader::open(
        head, static_cast<std::uint64_t>(file.size()),
        [&file](std::uint64_t at, std::span<std::uint8_t> out) { return file.readAt(at, out); });
    return source->bmp_ ? std::move(source) : nullptr;
  }

  int width() const { return png_ ? png_->width() : bmp_->width(); }
  int height() const { return png_ ? png_->height() : bmp_->height(); }
  // The next `count` rows into `to`; false when the file fails.
  bool read(std::uint32_t* to, int count) {
    try {
      return png_ ? png_->read(to, count) : bmp_->read(to, count);
    } catch (const automation::AutomationError&) {
      return false;
    }
  }

 private:
  RowSource() = default;
  std::optional<platform::FileReader> file_;
  platform::FileBytes bytes_;
  std::optional<sim::converters::PngRowReader> png_;
  std::optional<display::BmpRowReader> bmp_;
};

core::DibPixels rowsOf(const Rows& rows, int width, int count) {
  return {std::span(reinterpret_cast<const std::uint8_t*>(rows.data()), static_cast<std::size_t>(width) * count * 4),
          width, count, true};
}

}  // namespace

std::optional<StreamedDifference> streamDifference(const std::string& baseline, const std::string& fresh) {
  const std::unique_ptr<RowSource> base = RowSource::open(baseline);
  if (!base) return std::nullopt;
  const std::unique_ptr<RowSource> next = RowSource::open(fresh);
  if (!next || next->width() != base->width() || next->height() != base->height()) return std::nullopt;
  StreamedDifference result;
  result.width = base->width();
  result.height = base->height();
  // Blocks of about 128 KiB a picture, so both stay in the cache while
  // they are compared and encoded.
  const int block = std::clamp((32 << 10) / result.width, 1, result.height);
  Rows baseRows(static_cast<std::size_t>(block) * result.width), newRows(baseRows.size());
  sim::converters::PngRowWriter writer(result.width, result.height);
  for (int y = 0; y < result.height; y += block) {
    const int count = std::min(block, result.height - y);
    if (!base->read(baseRows.data(), count) || !next->read(newRows.data(), count)) return std::nullopt;
    // Each row of the difference depends only on the same rows of the two
    // pictures, so blocks give the counters and pixels of the whole.
    const core::PixelCounts counts = core::paintDifference(
        rowsOf(newRows, result.width, count), rowsOf(baseRows, result.width, count),
        core::DiffTarget{std::span(reinterpret_cast<std::uint8_t*>(newRows.data()),
                                   static_cast<std::size_t>(result.width) * count * 4),
                         true},
        result.width, count);
    result.counts.unmatched += counts.unmatched;
    result.counts.colourChange += counts.colourChange;
    writer.write(newRows.data(), count);
  }
  result.png = writer.finish();
  return result;
}

}  // namespace rc::tools
