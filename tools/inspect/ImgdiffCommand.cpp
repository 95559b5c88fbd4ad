// ravelcrest imgdiff BASELINE NEW DIFF [options]: the pixel comparison of
// clsBitmap (its counters, verdict and difference image) on two image files (PNG, BMP, GIF, CBF or JPEG, told by their
// content). Writes the difference image the size of the larger image in
// each direction (PNG, BMP, GIF or CBF by DIFF's extension; any other is
// refused before anything is read), prints the counters (as JSON with
// --json), and exits 0 when the images agree, 1 when they do not, 2 when a
// file cannot be read or written.
//
// Exact is the default: the library's counters judged against --tol. The
// tolerant options (--threshold, --antialiasing ignore, --mask,
// --mask-image, --max-diff-ratio) judge by the pixels that still differ
// under them; the exact counters are printed beside them.
#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <exception>
#include <filesystem>
#include <optional>
#include <span>
#include <memory>
#include <string>
#include <thread>

#include "Core/imaging/PixelCompare.h"
#include "platform/automation/Error.h"
#include "platform/display/Bmp.h"
#include "platform/os/OutputFiles.h"
#include "sim/converters/CbfFormat.h"
#include "sim/converters/GifCodec.h"
#include "sim/converters/PictureDecoding.h"
#include "sim/converters/PngCodec.h"
#include "tools/common/Command.h"
#include "tools/common/OutputFiles.h"
#include "tools/images/ImageDiff.h"
#include "tools/images/StreamedDiff.h"

namespace rc::tools {

namespace {

struct ImgdiffArgs {
  std::string baseline;
  std::string newImage;
  std::string diff;
  std::optional<std::int64_t> tol;
  std::string threshold;
  std::string antialiasing = "count";
  std::vector<std::string> masks;
  std::string maskImage;
  std::string maxDiffRatio;
  std::string human;
  bool json = false;
};

// The picture of an image file, or nullopt with the reason in `why`. A
// BMP file is decoded as it is read; any other is read with one read and
// dropped once decoded.
std::optional<display::Surface> loadPicture(const std::string& path, std::string& why) {
  try {
    return sim::converters::readPictureFile(path, true, &why);
  } catch (const automation::AutomationError& e) {
    // A folder, a pipe or a device is there, not "File not found".
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    why = !ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)
              ? "it is not a regular file"
              : e.description();
    return std::nullopt;
  }
}

// A picture as the comparison reads it: rows top first.
core::DibPixels dibOf(const display::Surface& s) {
  return {std::span(reinterpret_cast<const std::uint8_t*>(s.pixels().data()), s.pixels().size() * 4), s.width(),
          s.height(), true};
}

// The library's pixel comparison of `fresh` with `baseline` (clsBitmap's
// Compare without the journal), painted into `diff`: into the larger
// picture itself when one covers the whole difference image, so no third
// picture is made; the other stays as it was.
core::PixelCounts paintInPlace(display::Surface& baseline, display::Surface& fresh, display::Surface& diff) {
  const int width = std::max(baseline.width(), fresh.width());
  const int height = std::max(baseline.height(), fresh.height());
  display::Surface* target = &diff;
  if (fresh.width() == width && fresh.height() == height) target = &fresh;
  else if (baseline.width() == width && baseline.height() == height) target = &baseline;
  else diff.resize(width, height);
  const core::DibPixels newImage = dibOf(fresh), base = dibOf(baseline);
  std::uint32_t* out = target->row(0);
  const core::PixelCounts counts = core::paintDifference(
      newImage, base,
      core::DiffTarget{std::span(reinterpret_cast<std::uint8_t*>(out), target->pixels().size() * 4), true}, width,
      height);
  if (target != &diff) diff = std::move(*target);
  return counts;
}

// The lower-case extension of `path` (".png"), "" without one.
std::string extensionOf(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

// The file content of the picture in the format `path`'s extension names
// (checked by checkDiffName beforehand).
std::string encodeFor(const display::Surface& picture, const std::string& path) {
  const std::string ext = extensionOf(path);
  if (ext == ".gif") return sim::converters::encodeGif(picture);
  if (ext == ".cbf") return sim::converters::packCbf(display::encodeBmp24(picture));
  if (ext == ".png") return sim::converters::encodePng(picture);
  return display::encodeBmp24(picture);
}

// The counters and the verdict of clsBitmap's comparison.
struct ExactComparison {
  core::PixelCounts counts;
  core::CompareVerdict verdict;
};

void checkDiffName(const std::string& path, const char* what, const std::initializer_list<const char*>& allowed) {
  const std::string ext = extensionOf(path);
  std::string names;
  for (const char* a : allowed) {
    if (ext == a) return;
    names += (names.empty() ? "" : ", ") + std::string(a);
  }
  throw UsageError("imgdiff: " + std::string(what) + " " + path + " must end in " + names +
                   " (the extension names the format written)");
}

// Whether `a` and `b` name one file: the same path, or links to one file.
bool sameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (std::filesystem::absolute(a, ec).lexically_normal() == std::filesystem::absolute(b, ec).lexically_normal())
    return true;
  return std::filesystem::equivalent(a, b, ec) && !ec;
}

// Writes the file `encode()` gives to `path`; false with the reason on the
// error stream.
template <typename Encode>
bool writeEncoded(const std::string& path, CommandContext& context, Encode&& encode) {
  try {
    platform::output::replaceFile(path, encode());
    return true;
  } catch (const automation::AutomationError& e) {
    context.err << "ravelcrest: cannot write " << path << ": " << outputErrorReason(path, e) << "\n";
  } catch (const std::exception& e) {
    context.err << "ravelcrest: cannot write " << path << ": " << e.what() << "\n";
  }
  context.exitCode = 2;
  return false;
}

// Writes `picture` to `path`; false with the reason on the error stream.
bool writePicture(const display::Surface& picture, const std::string& path, CommandContext& context) {
  return writeEncoded(path, context, [&] { return encodeFor(picture, path); });
}

// Prints the exact comparison's counters and verdict.
void printExact(const ExactComparison& result, int freshWidth, int freshHeight, int baseWidth, int baseHeight,
                CommandContext& context) {
  context.out << "unmatched pixels: " << result.counts.unmatched << "\n"
              << "colour-change pixels: " << result.counts.colourChange << "\n";
  if (freshWidth != baseWidth || freshHeight != baseHeight)
    context.out << "size change: x " << freshWidth - baseWidth << ", y " << freshHeight - baseHeight << "\n";
}

nlohmann::json boxJson(const PixelBox& b) { return {{"x", b.x}, {"y", b.y}, {"width", b.width}, {"height", b.height}}; }

nlohmann::json optionsJson(const ImageDiffOptions& o) {
  nlohmann::json masks = nlohmann::json::array();
  for (const PixelBox& m : o.masks) masks.push_back(boxJson(m));
  nlohmann::json j = {{"threshold", o.threshold},
                      {"antialiasing", o.ignoreAntialiasing ? "ignore" : "count"},
                      {"masks", masks},
                      {"maskImage", o.maskImageName.empty() ? nlohmann::json() : nlohmann::json(o.maskImageName)},
                      {"maxDiffPixels", o.maxDiffPixels ? nlohmann::json(*o.maxDiffPixels) : nlohmann::json()},
                      {"maxDiffRatio", o.maxDiffRatio ? nlohmann::json(*o.maxDiffRatio) : nlohmann::json()},
                      {"tolerant", o.tolerant()}};
  return j;
}

ImageDiffOptions optionsOf(const ImgdiffArgs& args, CommandContext& context, bool& ok) {
  ImageDiffOptions o;
  if (!args.threshold.empty()) o.threshold = parseThresholdOption(args.threshold);
  o.ignoreAntialiasing = args.antialiasing == "ignore";
  for (const std::string& m : args.masks) o.masks.push_back(parseMaskOption(m));
  o.maxDiffPixels = args.tol;
  if (!args.maxDiffRatio.empty()) o.maxDiffRatio = parseRatioOption(args.maxDiffRatio);
  if (!args.maskImage.empty()) {
    std::string why;
    o.maskImage = loadPicture(args.maskImage, why);
    o.maskImageName = args.maskImage;
    if (!o.maskImage) {
      context.err << "ravelcrest: cannot read " << args.maskImage << " as a mask image: " << why << "\n";
      context.exitCode = 2;
      ok = false;
    }
  }
  return o;
}

void runImgdiff(const ImgdiffArgs& args, CommandContext& context) {
  checkDiffName(args.diff, "the difference image", {".png", ".bmp", ".gif", ".cbf"});
  if (!args.human.empty()) checkDiffName(args.human, "the --human-diff image", {".png"});
  // The difference images would replace an input before anyone saw it.
  for (const std::string* out : {&args.diff, &args.human}) {
    if (out->empty()) continue;
    for (const auto& [input, role] : {std::pair{&args.baseline, "BASELINE"}, std::pair{&args.newImage, "NEW"},
                                      std::pair{&args.maskImage, "--mask-image"}})
      if (!input->empty() && sameFile(*out, *input))
        throw UsageError("imgdiff: the difference image " + *out + " is the " + role +
                         " image; name another file for it");
  }
  if (!args.human.empty() && sameFile(args.human, args.diff))
    throw UsageError("imgdiff: --human-diff " + args.human + " is DIFF; name another file for it");
  bool ok = true;
  const ImageDiffOptions options = optionsOf(args, context, ok);
  if (!ok) return;
  const std::int32_t tol = static_cast<std::int32_t>(std::clamp<std::int64_t>(args.tol.value_or(0), 0, 32767));
  // The plain comparison written as PNG: two files of one size are read,
  // compared and encoded a block of rows at a time.
  if (!options.tolerant() && !args.json && args.human.empty() && extensionOf(args.diff) == ".png") {
    if (std::optional<StreamedDifference> streamed = streamDifference(args.baseline, args.newImage)) {
      const ExactComparison result{streamed->counts,
                                   core::judgeComparison(streamed->counts, streamed->width, streamed->height,
                                                         streamed->width, streamed->height, tol)};
      if (!writeEncoded(args.diff, context, [&] { return std::move(streamed->png); })) return;
      context.exitCode = result.verdict.warning ? 1 : 0;
      printExact(result, streamed->width, streamed->height, streamed->width, streamed->height, context);
      context.out << (result.verdict.warning ? "beyond" : "within") << " tolerance " << tol << "\n";
      return;
    }
  }
  // The two pictures are read at once, NEW on a thread of its own; when
  // both fail, BASELINE's reason is the one told, as when read in turn.
  std::string why, freshWhy;
  std::optional<display::Surface> fresh;
  std::exception_ptr freshFault;
  std::thread freshReader([&] {
    try {
      fresh = loadPicture(args.newImage, freshWhy);
    } catch (...) {
      freshFault = std::current_exception();
    }
  });
  std::optional<display::Surface> baseline;
  try {
    baseline = loadPicture(args.baseline, why);
  } catch (...) {
    freshReader.join();
    throw;
  }
  freshReader.join();
  if (baseline && freshFault) std::rethrow_exception(freshFault);
  if (!baseline || !fresh) {
    if (baseline) why = freshWhy;
    context.err << "ravelcrest: cannot read " << (baseline ? args.newImage : args.baseline) << " as an image: " << why
                << "\n";
    context.exitCode = 2;
    return;
  }
  const int width = std::max(baseline->width(), fresh->width());
  const int height = std::max(baseline->height(), fresh->height());
  const int freshWidth = fresh->width(), freshHeight = fresh->height();
  const int baseWidth = baseline->width(), baseHeight = baseline->height();

  // The tolerant comparison, when anything asks for more than the counters.
  std::optional<ImageDiffResult> tolerant;
  display::Surface human;
  if (options.tolerant() || args.json || !args.human.empty())
    tolerant = compareImages(*baseline, *fresh, options, args.human.empty() ? nullptr : &human);

  ExactComparison result;
  {
    display::Surface diff;
    result.counts = paintInPlace(*baseline, *fresh, diff);
    // Only the difference image is needed from here on.
    baseline.reset();
    fresh.reset();
    result.verdict = core::judgeComparison(result.counts, freshWidth, freshHeight, baseWidth, baseHeight, tol);
    if (!writePicture(diff, args.diff, context)) return;
  }
  if (!args.human.empty() && !writePicture(human, args.human, context)) return;

  const bool agrees = options.tolerant() ? tolerant->agrees : !result.verdict.warning;
  context.exitCode = agrees ? 0 : 1;
  if (args.json) {
    nlohmann::json regions = nlohmann::json::array();
    for (const PixelBox& b : tolerant->regions) regions.push_back(boxJson(b));
    nlohmann::json j = {{"baseline", args.baseline},
                        {"new", args.newImage},
                        {"diff", args.diff},
                        {"humanDiff", args.human.empty() ? nlohmann::json() : nlohmann::json(args.human)},
                        {"width", width},
                        {"height", height},
                        {"sizeChange", {{"x", freshWidth - baseWidth}, {"y", freshHeight - baseHeight}}},
                        {"exact", {{"unmatched", result.counts.unmatched}, {"colourChange", result.counts.colourChange}}},
                        {"compared", tolerant->compared},
                        {"differing", tolerant->differing},
                        {"antialiased", tolerant->antialiased},
                        {"masked", tolerant->masked},
                        {"options", optionsJson(options)},
                        {"regions", regions},
                        {"agrees", agrees}};
    // A file name that is no UTF-8 is shown with U+FFFD for its odd bytes:
    // JSON holds only UTF-8, and the counters must still come out.
    context.out << j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    return;
  }
  printExact(result, freshWidth, freshHeight, baseWidth, baseHeight, context);
  if (options.tolerant()) {
    context.out << "options: " << options.describe() << "\n"
                << "differing pixels: " << tolerant->differing << "\n";
    if (options.ignoreAntialiasing) context.out << "anti-aliased pixels: " << tolerant->antialiased << "\n";
    if (options.maskImage || !options.masks.empty()) context.out << "masked pixels: " << tolerant->masked << "\n";
    context.out << "differing regions: " << tolerant->regions.size() << "\n"
                << (agrees ? "agree" : "differ") << " under the options\n";
    return;
  }
  context.out << (result.verdict.warning ? "beyond" : "within") << " tolerance " << tol << "\n";
}

}  // namespace

void addImgdiffCommand(CLI::App& app, CommandContext& context) {
  auto args = std::make_shared<ImgdiffArgs>();
  CLI::App* cmd = app.add_subcommand(
      "imgdiff", "Compare two images (PNG, BMP, GIF, CBF or JPEG) pixel by pixel and write the difference image.");
  cmd->add_option("BASELINE", args->baseline, "Baseline image (PNG, BMP, GIF, CBF or JPEG)")->required();
  cmd->add_option("NEW", args->newImage, "New image (PNG, BMP, GIF, CBF or JPEG)")->required();
  cmd->add_option("DIFF", args->diff, "Difference image to write: .png, .bmp, .gif or .cbf")->required();
  cmd->add_option("--tol,--max-diff-pixels,--image-tolerance", args->tol,
                  "Differing pixels, and pixels of size change in each direction, accepted")
      ->check(CLI::Range(std::int64_t{0}, std::int64_t{1} << 40));
  cmd->add_option("--threshold", args->threshold,
                  "0 to 1: pixels whose YIQ colour distance is at most this agree (0, the default, is exact)");
  cmd->add_option("--antialiasing", args->antialiasing, "count (default) or ignore: whether anti-aliased pixels differ")
      ->check(CLI::IsMember({"count", "ignore"}));
  cmd->add_option("--mask", args->masks, "x,y,w,h: a rectangle where differences do not count (repeatable)");
  cmd->add_option("--mask-image", args->maskImage, "Image whose non-white pixels mark where differences do not count");
  cmd->add_option("--max-diff-ratio", args->maxDiffRatio, "0 to 1: share of the pixels that may differ");
  cmd->add_option("--human-diff", args->human,
                  "Also write a .png for people: the baseline in light grey, differing pixels red, anti-aliased yellow");
  cmd->add_flag("--json", args->json, "Print the counters, the options in force and the differing regions as JSON");
  cmd->callback([args, &context] { runImgdiff(*args, context); });
}

}  // namespace rc::tools
