#include "tools/images/StreamedDiff.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
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

namespace {

// Blocks of difference rows, prepared for the deflater, handed from the
// thread that reads, compares and filters to the one that deflates, through a ring of a few buffers: each side waits
// only when the other is a whole ring behind.
class BlockRing {
 public:
  BlockRing(std::size_t blockBytes, std::size_t slots) : slots_(slots) {
    for (auto& s : slots_) s.resize(blockBytes);
  }

  // The next free buffer for the producer, or nullptr once stopped.
  std::uint8_t* claim() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return stopped_ || filled_ - taken_ < slots_.size(); });
    return stopped_ ? nullptr : slots_[filled_ % slots_.size()].data();
  }
  void publish(int count) {
    std::lock_guard lock(mutex_);
    counts_[filled_ % kMaxSlots] = count;
    ++filled_;
    changed_.notify_all();
  }
  // The next filled buffer and its row count for the consumer, or nullptr
  // when the producer has finished or stopped.
  std::uint8_t* next(int& count) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return stopped_ || finished_ || taken_ < filled_; });
    if (taken_ == filled_) return nullptr;
    count = counts_[taken_ % kMaxSlots];
    return slots_[taken_ % slots_.size()].data();
  }
  void release() {
    std::lock_guard lock(mutex_);
    ++taken_;
    changed_.notify_all();
  }
  void finish() {
    std::lock_guard lock(mutex_);
    finished_ = true;
    changed_.notify_all();
  }
  void stop() {
    std::lock_guard lock(mutex_);
    stopped_ = true;
    changed_.notify_all();
  }

  static constexpr std::size_t kMaxSlots = 8;

 private:
  std::vector<std::vector<std::uint8_t, platform::DefaultInitAllocator<std::uint8_t>>> slots_;
  int counts_[kMaxSlots] = {};
  std::size_t filled_ = 0, taken_ = 0;
  bool finished_ = false, stopped_ = false;
  std::mutex mutex_;
  std::condition_variable changed_;
};

}  // namespace

std::optional<StreamedDifference> streamDifference(const std::string& baseline, const std::string& fresh) {
  const std::unique_ptr<RowSource> base = RowSource::open(baseline);
  if (!base) return std::nullopt;
  const std::unique_ptr<RowSource> next = RowSource::open(fresh);
  if (!next || next->width() != base->width() || next->height() != base->height()) return std::nullopt;
  StreamedDifference result;
  const int width = result.width = base->width();
  const int height = result.height = base->height();
  // Blocks of about 128 KiB a picture, so they stay in the cache while
  // they are compared and encoded.
  const int block = std::clamp((32 << 10) / width, 1, height);
  const std::size_t blockPixels = static_cast<std::size_t>(block) * width;
  sim::converters::PngSplitWriter writer(width, height);

  // This thread deflates while another reads, compares and filters the
  // next blocks.
  BlockRing ring(static_cast<std::size_t>(block) * writer.preparedRowBytes(), 4);
  bool readFailed = false;
  std::exception_ptr fault;
  auto readAndCompare = [&] {
    Rows baseRows(blockPixels), newRows(blockPixels);
    for (int y = 0; y < height; y += block) {
      const int count = std::min(block, height - y);
      std::uint8_t* prepared = ring.claim();
      if (!prepared) return;
      std::uint32_t* rows = newRows.data();
      if (!base->read(baseRows.data(), count) || !next->read(rows, count)) {
        readFailed = true;
        break;
      }
      // Each row of the difference depends only on the same rows of the
      // two pictures, so blocks give the counters and pixels of the whole.
      const std::span<std::uint8_t> bytes(reinterpret_cast<std::uint8_t*>(rows),
                                          static_cast<std::size_t>(width) * count * 4);
      const core::PixelCounts counts =
          core::paintDifference(core::DibPixels{bytes, width, count, true}, rowsOf(baseRows, width, count),
                                core::DiffTarget{bytes, true}, width, count);
      result.counts.unmatched += counts.unmatched;
      result.counts.colourChange += counts.colourChange;
      writer.prepare(rows, count, prepared);
      ring.publish(count);
    }
  };
  std::thread reader([&] {
    try {
      readAndCompare();
    } catch (...) {
      fault = std::current_exception();
    }
    ring.finish();
  });
  try {
    int count = 0;
    while (const std::uint8_t* prepared = ring.next(count)) {
      writer.write(prepared, count);
      ring.release();
    }
  } catch (...) {
    ring.stop();
    reader.join();
    throw;
  }
  reader.join();
  if (fault) std::rethrow_exception(fault);
  if (readFailed) return std::nullopt;
  result.png = writer.finish();
  return result;
}

}  // namespace rc::tools
